# Sourced by tests/e2e/*.sh: one fresh prefix and one private X display per suite, the kit
# folder C:\Kit holding Update.exe, checks that count, and a summary line "N passed, N failed".
# The suite's exit status is non-zero when any check failed.

. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

E2E_PASSED=0
E2E_FAILED=0
E2E_BG_PID=

pass() { E2E_PASSED=$((E2E_PASSED + 1)); echo "  ok   $1"; }
fail() { E2E_FAILED=$((E2E_FAILED + 1)); echo "  FAIL $1"; [ -z "${2:-}" ] || echo "       $2"; }

# check NAME COMMAND...: passes when COMMAND succeeds.
check() {
  local name=$1
  shift
  if "$@"; then pass "$name"; else fail "$name"; fi
}

# contains FILE TEXT: FILE holds TEXT exactly (a fixed string; may span lines).
contains() { python3 - "$1" "$2" <<'PY'
import sys
data = open(sys.argv[1], encoding="latin-1").read()
sys.exit(0 if sys.argv[2] in data else 1)
PY
}

# start_suite NAME: Xvfb, a fresh prefix, C:\Kit with Update.exe. Sets KIT (host path).
start_suite() {
  E2E_NAME=$1
  if [ ! -f "$TSY_WIN_BUILD/Update.exe" ]; then
    echo "no Update.exe in $TSY_WIN_BUILD"
    exit 1
  fi
  trap finish_cleanup EXIT
  start_xvfb
  E2E_OUT=$(mktemp -d "/tmp/tsy-e2e-$E2E_NAME-out.XXXXXX")
  new_prefix "/tmp/tsy-e2e-$E2E_NAME"
  KIT="$WINEPREFIX/drive_c/Kit"
  mkdir -p "$KIT"
  cp "$TSY_WIN_BUILD/Update.exe" "$KIT/"
}

finish_cleanup() {
  if [ -n "$E2E_BG_PID" ]; then kill "$E2E_BG_PID" 2>/dev/null || true; fi
  end_prefix
  stop_xvfb
}

finish_suite() {
  echo "$E2E_PASSED passed, $E2E_FAILED failed"
  if [ "$E2E_FAILED" -eq 0 ]; then rm -rf "$E2E_OUT"; return 0; fi
  echo "  traces kept in $E2E_OUT"
  return 1
}

# launch PROGRAM ARGS...: starts "C:\Kit\PROGRAM" ARGS through a batch file in the background, so
# that its exit code is printed inside Wine ("exit=N", not cut to 8 bits) to $E2E_OUT/stdout.
# Debug channels come from E2E_DEBUG (stderr goes to $E2E_OUT/stderr). At most 120 seconds.
launch() {
  local program=$1
  shift
  printf '@"C:\\Kit\\%s" %s\r\n@echo exit=%%ERRORLEVEL%%\r\n' "$program" "$*" > "$KIT/run.bat"
  ( cd "$KIT" && WINEDEBUG=${E2E_DEBUG:--all} timeout 120 "$WINE" cmd /c 'C:\Kit\run.bat' \
      > "$E2E_OUT/stdout" 2> "$E2E_OUT/stderr" ) &
  E2E_BG_PID=$!
}

# finished [SECONDS]: waits for the launched program; false when it is still running.
finished() {
  local limit=${1:-60} i
  for i in $(seq 1 $((limit * 5))); do
    if ! kill -0 "$E2E_BG_PID" 2>/dev/null; then
      wait "$E2E_BG_PID" 2>/dev/null || true
      E2E_BG_PID=
      return 0
    fi
    sleep 0.2
  done
  return 1
}

# exit_code: the code the launched program ended with, as Windows saw it.
exit_code() { tr -d '\r' < "$E2E_OUT/stdout" | sed -n 's/^exit=//p' | tail -n1; }

# find_window REGEX [SECONDS]: prints the first window whose title matches REGEX.
find_window() {
  local i w
  for i in $(seq 1 $((${2:-30} * 4))); do
    w=$(xdotool search --name "$1" 2>/dev/null | head -n1)
    if [ -n "$w" ]; then echo "$w"; return 0; fi
    sleep 0.25
  done
  return 1
}

# answer REGEX KEY: focuses the window titled REGEX and presses KEY, as a user would.
answer() {
  local w
  w=$(find_window "$1") || return 1
  xdotool windowfocus --sync "$w" >/dev/null 2>&1 || true
  sleep 0.3
  xdotool key --window "$w" "$2"
}

# msgbox_texts: every message box text traced (WINEDEBUG=+msgbox) by the last launch.
msgbox_texts() { sed -n 's/.*MSGBOX_OnInit L"\(.*\)"\(\.\.\.\)\{0,1\}$/\1/p' "$E2E_OUT/stderr"; }
