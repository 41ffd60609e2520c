#!/usr/bin/env bash
# A wrong command-line parameter: the help box with the whole help text, then exit code 1639.
set -uo pipefail
. "$(dirname "$0")/../../scripts/wine-e2e.sh"
start_suite help
cp "$TSY_WIN_BUILD/tsy_probe.exe" "$KIT/"

HELP=$'Available Parameters\r\rUpdate [Repair] [Program] [DB] [OL]\r\r'\
$'REPAIR\tRepair previous installation\rREMOVE\tRemove Program installation\r'\
$'PROGRAM\tInstall/Repair/Remove Main Tessary Program\rDB\tInstall/Repair/Remove Tessary Database\r'\
$'OL\tSetup MS Outlook Office Interface\rS\tSilent operation (no user prompting)\r'

# wrong_parameter NAME ARGS TOKEN: runs Update.exe ARGS, reads the box, answers it, checks all.
wrong_parameter() {
  local name=$1 args=$2 token=$3
  local expected="Parameter:$token"$'\r'"Sorry this is not a valid Parameter."$'\r\r'"$HELP"
  rm -f "$KIT/help.txt"
  E2E_DEBUG=+msgbox,+process launch Update.exe "$args"
  ( cd "$KIT" && timeout 60 "$WINE" 'C:\Kit\tsy_probe.exe' dumptext "TSY Setup 1.6.0" 'C:\Kit\help.txt' \
      >/dev/null 2>&1 )
  if answer '^TSY Setup 1\.6\.0$' Return; then pass "$name: help box titled \"TSY Setup 1.6.0\""
  else fail "$name: help box titled \"TSY Setup 1.6.0\"" "no such window"; fi
  if finished 60; then pass "$name: the process ends after the box"
  else fail "$name: the process ends after the box"; return; fi
  local code
  code=$(exit_code)
  if [ "$code" = 1639 ]; then pass "$name: exit code 1639 (seen inside Wine)"
  else fail "$name: exit code 1639 (seen inside Wine)" "got '$code'"; fi
  if [ -f "$KIT/help.txt" ] && [ "$(cat "$KIT/help.txt")" = "$expected" ]; then
    pass "$name: the whole help text"
  else
    fail "$name: the whole help text" "got: $(od -c "$KIT/help.txt" 2>/dev/null | head -n 20)"
  fi
  # The trace shows the same text (Wine cuts it short); one box only.
  local traced escaped
  traced=$(msgbox_texts)
  escaped=$(printf '%s' "$expected" | sed 's/\r/\\r/g; s/\t/\\t/g')
  if [ "$(printf '%s\n' "$traced" | grep -c .)" = 1 ] && [ -n "$traced" ] && \
     [ "${escaped#"$traced"}" != "$escaped" ]; then
    pass "$name: one message box, traced with WINEDEBUG=+msgbox"
  else
    fail "$name: one message box, traced with WINEDEBUG=+msgbox" "traced: $traced"
  fi
  if grep -qi 'msiexec' "$E2E_OUT/stderr"; then fail "$name: no installation runs"
  else pass "$name: no installation runs"; fi
}

wrong_parameter "X" "X" "X"
# The reading stops at the first wrong token: S before it does not make a silent run, and
# DEBUG after it is never read (it would add its own boxes).
wrong_parameter "s x debug" "s x debug" "x"

finish_suite
