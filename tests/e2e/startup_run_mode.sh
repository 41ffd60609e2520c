#!/usr/bin/env bash
# The run mode from the program's own file name: a copy named "TSY Setup" asks first.
set -uo pipefail
. "$(dirname "$0")/../../scripts/wine-e2e.sh"
start_suite runmode
cp "$TSY_WIN_BUILD/tsy_probe.exe" "$KIT/"
QUESTION="Run as Full Install (no = run as update)?"

# settle NAME: after start-up the program either ends (no wizard to show) or shows the wizard;
# both mean start-up went on. A wizard left open is ended with the prefix's processes.
settle() {
  if finished 60; then
    local code
    code=$(exit_code)
    if [ "$code" = 0 ]; then pass "$1: start-up goes on and ends cleanly"
    else fail "$1: start-up goes on and ends cleanly" "exit code '$code'"; fi
  elif find_window 'Tessary Contact Management' 5 >/dev/null; then
    pass "$1: start-up goes on to the wizard"
    "$WINESERVER" -k >/dev/null 2>&1 || true
    finished 20 || true
  else
    fail "$1: start-up goes on" "still running, no wizard window"
    "$WINESERVER" -k >/dev/null 2>&1 || true
    finished 20 || true
  fi
}

# asks NAME FILE KEY: FILE.exe asks the question first, answered with KEY.
asks() {
  local name=$1 file=$2 key=$3
  cp "$KIT/Update.exe" "$KIT/$file.exe"
  rm -f "$KIT/question.txt"
  E2E_DEBUG=+msgbox launch "$file.exe"
  ( cd "$KIT" && timeout 60 "$WINE" 'C:\Kit\tsy_probe.exe' dumptext "TSY Setup" 'C:\Kit\question.txt' \
      >/dev/null 2>&1 )
  if [ -f "$KIT/question.txt" ] && [ "$(cat "$KIT/question.txt")" = "$QUESTION" ]; then
    pass "$name: asks \"$QUESTION\" in a box titled \"TSY Setup\""
  else
    fail "$name: asks \"$QUESTION\" in a box titled \"TSY Setup\"" "got: $(cat "$KIT/question.txt" 2>/dev/null)"
  fi
  if answer '^TSY Setup$' "$key"; then pass "$name: answered with $key"
  else fail "$name: answered with $key" "no question box"; fi
  settle "$name"
  if [ "$(msgbox_texts | head -n1)" = "$QUESTION" ]; then pass "$name: the question comes first"
  else fail "$name: the question comes first" "$(msgbox_texts | head -n3)"; fi
}

asks "TSY Setup.exe, No" "TSY Setup" n
asks "tsy setup.exe (any case), Yes" "tsy setup" Return

# Any other name runs without the question.
for file in Update "Update Tessary" Setup; do
  cp "$KIT/Update.exe" "$KIT/$file.exe" 2>/dev/null || true
  E2E_DEBUG=+msgbox launch "$file.exe"
  # answer any unexpected box so that the run can end
  ( sleep 8; w=$(xdotool search --name '^TSY Setup' 2>/dev/null | head -n1); \
    [ -z "$w" ] || xdotool key --window "$w" Return ) >/dev/null 2>&1 &
  settle "$file.exe"
  if contains "$E2E_OUT/stderr" "Run as Full Install"; then fail "$file.exe: no question"
  else pass "$file.exe: no question"; fi
done

finish_suite
