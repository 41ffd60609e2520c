# Sourced by scripts/demo.sh, the engine's end-to-end suites and bench/: the kit of the Windows
# build that Wine runs here, a prefix with the kit copied into it, and ways to look inside.
#
# Needs: scripts/wine-env.sh (sourced here). Sets TSY_KIT (the kit folder in the build tree).
# Defines: kit_ensure, kit_prefix DIR, kit_run LINE, kit_state CODE, kit_settings, kit_reg KEY,
#          kit_registered NAME, kit_service_log, kit_file PATH, display_start, display_stop.

. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

TSY_APP_KEY=${TSY_APP_KEY:-TSYPRO_3}
export TSY_KIT=${TSY_KIT:-$TSY_WIN_BUILD/kit}
TSY_PROBE=${TSY_PROBE:-$TSY_WIN_BUILD/tsyprobe.exe}

# Product codes of the demo packages (the same table the setup carries).
PROD_PRO='{9F8C9A12-6868-44D8-B9CE-12E403B3BD63}'
DB_PRO='{D20CF633-A2EE-42F9-84DB-D1FA05CF8C42}'
DB_PRO_UPDATE='{91204651-EA8A-40F3-B15C-93B864B7FF1B}'
PROD_LITE='{F21ECEDC-A01B-4D4E-AC34-6BD01367491B}'
DB_LITE='{8D89597B-2429-4F22-828F-02E7AFFAA018}'
DB_LITE_UPDATE='{641B5205-6FCC-45AB-A6D8-683206A61500}'

# Where the stand-ins record what was started (the common application-data folder).
STANDIN_LOGS='C:\ProgramData\Morvane Software'

# kit_ensure: builds the Windows build (and with it the kit) when the kit is not there yet.
kit_ensure() {
  if [ ! -f "$TSY_KIT/Setup.exe" ] || [ ! -f "$TSY_PROBE" ]; then
    local toolchain=cmake/mingw-i686.cmake
    [ "$TSY_WIN_ARCH" = win64 ] && toolchain=cmake/mingw-x86_64.cmake
    cmake -S "$TSY_ROOT" -B "$TSY_WIN_BUILD" -DCMAKE_TOOLCHAIN_FILE="$TSY_ROOT/$toolchain" \
      -DCMAKE_BUILD_TYPE=MinSizeRel -DTSY_APP_KEY="$TSY_APP_KEY" >/dev/null || return 1
    cmake --build "$TSY_WIN_BUILD" -j"${JOBS:-2}" --target kit tsyprobe >/dev/null || return 1
  fi
  [ -f "$TSY_KIT/Setup.exe" ] && [ -f "$TSY_PROBE" ]
}

# kit_prefix DIR: a fresh prefix with the kit in C:\Kit and the probe in C:\tsyprobe.exe.
kit_prefix() {
  new_prefix "$1"
  cp -r "$TSY_KIT" "$WINEPREFIX/drive_c/Kit"
  cp "$TSY_PROBE" "$WINEPREFIX/drive_c/tsyprobe.exe"
}

# unix_path 'C:\A\B': the file's path on this side.
unix_path() {
  local p=${1#[Cc]:}
  printf '%s/drive_c%s' "$WINEPREFIX" "${p//\\//}"
}

# kit_run LINE: runs a command line inside Wine from C:\Kit and waits for it (also for GUI
# programs); prints its output and "exit=N" with the exit code read inside Wine. Wine's trace
# output (stderr) is appended to $KIT_TRACE when that is set.
kit_run() {
  local bat="$WINEPREFIX/drive_c/tsy_kit_run.bat"
  printf '@echo off\r\ncd /d C:\\Kit\r\nstart "" /wait %s\r\necho exit=%%ERRORLEVEL%%\r\n' "$1" >"$bat"
  "$WINE" cmd /c 'C:\tsy_kit_run.bat' 2>>"${KIT_TRACE:-/dev/null}" | tr -d '\r'
}

# kit_exit OUTPUT: the exit code from kit_run's output.
kit_exit() { printf '%s\n' "$1" | sed -n 's/^exit=//p' | tail -n1; }

# kit_state CODE...: "CODE STATE" per product (5 installed, -1 unknown).
kit_state() {
  "$WINE" 'C:\tsyprobe.exe' state "$@" 2>/dev/null | tr -d '\r'
}

# kit_reg KEY [VALUE]: reg query output ("" when absent).
kit_reg() {
  if [ $# -gt 1 ]; then
    "$WINE" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
  else
    "$WINE" reg query "$1" /s 2>/dev/null | tr -d '\r'
  fi
}

# kit_setting KEY: the per-user setting of the build's application key, section StartUp.
kit_setting() { kit_reg "HKCU\\Software\\VB and VBA Program Settings\\$TSY_APP_KEY\\StartUp" "$1"; }

# kit_registered NAME: succeeds when the stand-in component NAME is registered.
kit_registered() {
  "$WINE" reg query "HKLM\\Software\\Morvane Software\\Registered\\$1" >/dev/null 2>&1
}

# kit_log NAME: a stand-in's log (vezEdeRu.log, components.log, AccessDatabaseEngine2010_SP2.log).
kit_log() {
  local f
  f=$(unix_path "$STANDIN_LOGS\\$1")
  [ -f "$f" ] && tr -d '\r' <"$f"
  return 0
}

# display_start: a private Xvfb display and a watcher that answers every message box that a
# run shows (silent runs still show their failure messages) by pressing Enter, which picks the
# box's default button. Message texts are read from Wine's +msgbox trace.
display_start() {
  TSY_XVFB_PID=""
  TSY_ANSWER_PID=""
  if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null; then return 0; fi
  # Xvfb picks the display number itself: suites started side by side never share a display.
  # Wine's desktop process takes its display from the process that started it and keeps it for
  # as long as the server lives: one started before the display would leave every window of the
  # suite without a driver. Let any earlier server end first.
  [ -n "${WINEPREFIX:-}" ] && "$WINESERVER" -w >/dev/null 2>&1
  start_xvfb
  # A box can stay on screen for a second after its Enter; a second Enter in that time would
  # reach the window underneath once the box is gone (and on a folder check, bring the same box
  # up again, over and over). So each box is pressed once, and again only if it is still there
  # some seconds later.
  (
    declare -A pressed=()
    while kill -0 "$TSY_XVFB_PID" 2>/dev/null; do
      now=$(date +%s)
      for w in $(xdotool search --onlyvisible --class "#32770" 2>/dev/null; \
                 xdotool search --onlyvisible --name '^(TSY Setup|RegSvr32|Windows Installer|Install Database Engine)$' 2>/dev/null); do
        [ $((now - ${pressed[$w]:-0})) -lt 4 ] && continue
        pressed[$w]=$now
        xdotool windowactivate --sync "$w" >/dev/null 2>&1 || xdotool windowfocus "$w" >/dev/null 2>&1
        xdotool key --window "$w" Return >/dev/null 2>&1
      done
      sleep 0.5
    done
  ) &
  TSY_ANSWER_PID=$!
}

display_stop() {
  [ -n "${TSY_ANSWER_PID:-}" ] && kill "$TSY_ANSWER_PID" 2>/dev/null
  [ -n "${TSY_XVFB_PID:-}" ] && kill "$TSY_XVFB_PID" 2>/dev/null
  wait 2>/dev/null
  TSY_ANSWER_PID=""
  TSY_XVFB_PID=""
  return 0
}

# started_commands TRACE: the command lines that the setup started (msiexec, the update service,
# regsvr32, the database-engine installer), in order, from a +process trace, unescaped.
started_commands() {
  sed -n 's/.*trace:process:CreateProcessInternalW app .* cmdline L"\(.*\)"$/\1/p' "$1" 2>/dev/null |
    grep -i -E 'msiexec|vezEdeRu|regsvr32|AccessDatabaseEngine' |
    sed -e 's/\\\\/\x01/g' -e 's/\\"/"/g' -e 's/\x01/\\/g'
}

# msgbox_texts FILE: message box texts of a +msgbox trace, one per line, line breaks shown as |.
msgbox_texts() {
  sed -n 's/.*trace:msgbox:MSGBOX_OnInit L"\(.*\)"$/\1/p' "$1" 2>/dev/null |
    sed -e 's/\\r/|/g' -e 's/\\\\/\\/g' -e 's/\\"/"/g'
}

# Assertions of the end-to-end suites: each prints one line; t_summary prints the totals and
# returns non-zero when something failed.
T_PASSED=0
T_FAILED=0
t_pass() { T_PASSED=$((T_PASSED + 1)); echo "  ok    $1"; }
t_fail() { T_FAILED=$((T_FAILED + 1)); echo "  FAIL  $1${2:+ ($2)}"; }
t_check() { local name=$1; shift; if "$@"; then t_pass "$name"; else t_fail "$name"; fi; }
t_eq() { if [ "$2" = "$3" ]; then t_pass "$1"; else t_fail "$1" "expected [$3], got [$2]"; fi; }
t_contains() {
  if printf '%s\n' "$2" | grep -F -q -- "$3"; then t_pass "$1"; else t_fail "$1" "no [$3] in [$2]"; fi
}
t_lacks() {
  if printf '%s\n' "$2" | grep -F -q -- "$3"; then t_fail "$1" "unexpected [$3]"; else t_pass "$1"; fi
}
t_summary() {
  echo "$T_PASSED passed, $T_FAILED failed"
  [ "$T_FAILED" -eq 0 ]
}

# wait_for SECONDS CMD...: polls CMD until it succeeds (the setup does not wait for regsvr32 and
# the update service, so their effects may land just after it has ended).
wait_for() {
  local limit=$1 i
  shift
  for i in $(seq 1 $((limit * 4))); do "$@" && return 0; sleep 0.25; done
  "$@"
}

# state_of CODE: the install state number alone.
state_of() { kit_state "$1" | awk '{print $2}'; }

# file_text 'C:\...': the file's text without carriage returns ("" when absent).
file_text() { local f; f=$(unix_path "$1"); [ -f "$f" ] && tr -d '\r' <"$f"; return 0; }
has_file() { [ -f "$(unix_path "$1")" ]; }
lacks_file() { [ ! -e "$(unix_path "$1")" ]; }
not_registered() { ! kit_registered "$1"; }
