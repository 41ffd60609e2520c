# Sourced (by bash) by scripts/demo.sh, scripts/screenshots.sh and bench/: the kit of the Windows
# build that Wine runs here, a prefix with the kit copied into it, ways to look inside, and the
# wizard window driven with the keyboard. The tests have their own runner (tests/e2e).
#
# Needs: scripts/wine-env.sh (sourced here). Sets TSY_KIT (the kit folder in the build tree).
# Defines: kit_ensure, kit_prefix DIR, kit_run LINE, kit_state CODE, kit_reg KEY,
#          kit_registered NAME, kit_log NAME, display_start, display_stop, started_commands,
#          msgbox_texts, state_of, and the wiz_* functions.

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

# state_of CODE: the install state number alone.
state_of() { kit_state "$1" | awk '{print $2}'; }

# The wizard under Xvfb, driven as a user would, with the keyboard (scripts/screenshots.sh).
# Wine ignores synthetic key events sent to a window, so each key is typed with XTEST after the
# wizard has been given the focus.
WIZ_PID=
WIZ_WINDOW=
WIZ_TITLE='Tessary Contact Management (Install|Update) Wizard'

# wiz_prefix DIR: kit_prefix, and Wine activates a window that gets the X focus (there is no
# window manager on the private display); WIZ_DECORATED=1 has Wine draw the title bar itself.
wiz_prefix() {
  kit_prefix "$1"
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v UseTakeFocus /d N /f >/dev/null 2>&1
  if [ "${WIZ_DECORATED:-0}" = 1 ]; then
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
  fi
  "$WINESERVER" -w
}

# wiz_start LINE: starts a command line from C:\Kit in the background; its exit code, read inside
# Wine, lands in $WIZ_OUT/out ("exit=N").
wiz_start() {
  local bat="$WINEPREFIX/drive_c/tsy_wizard_run.bat"
  WIZ_OUT=${WIZ_OUT:-$(mktemp -d "${TMPDIR:-/tmp}/tsy-wizard.XXXXXX")}
  printf '@echo off\r\ncd /d C:\\Kit\r\nstart "" /wait %s\r\necho exit=%%ERRORLEVEL%%\r\n' "$1" >"$bat"
  ( timeout "${WIZ_TIMEOUT:-300}" "$WINE" cmd /c 'C:\tsy_wizard_run.bat' >"$WIZ_OUT/out" 2>/dev/null ) &
  WIZ_PID=$!
  WIZ_WINDOW=
}

# wiz_window [SECONDS]: waits for the visible wizard window; sets WIZ_WINDOW.
wiz_window() {
  local i w
  for i in $(seq 1 $((${1:-60} * 10))); do
    w=$(xdotool search --onlyvisible --name "$WIZ_TITLE" 2>/dev/null | head -n1)
    if [ -n "$w" ]; then WIZ_WINDOW=$w; sleep 0.5; return 0; fi
    sleep 0.1
  done
  return 1
}

# wiz_hidden [SECONDS]: waits until no wizard window is visible (the engine runs, or it closed).
wiz_hidden() {
  local i
  for i in $(seq 1 $((${1:-20} * 10))); do
    xdotool search --onlyvisible --name "$WIZ_TITLE" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}

# wiz_key KEY...: focuses the wizard window and types the keys, one after the other.
wiz_key() {
  local k
  [ -n "$WIZ_WINDOW" ] || return 1
  for k in "$@"; do
    xdotool windowfocus --sync "$WIZ_WINDOW" >/dev/null 2>&1
    xdotool key --clearmodifiers "$k"
    sleep 0.6
  done
}

# wiz_wait [SECONDS]: waits for the started program to end; sets WIZ_EXIT.
wiz_wait() {
  local i
  WIZ_EXIT=
  for i in $(seq 1 $((${1:-60} * 10))); do
    if ! kill -0 "$WIZ_PID" 2>/dev/null; then
      WIZ_EXIT=$(tr -d '\r' <"$WIZ_OUT/out" | sed -n 's/^exit=//p' | tail -n1)
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# wiz_shot FILE.png: the wizard window as it is on the screen (ImageMagick's import).
wiz_shot() { [ -n "$WIZ_WINDOW" ] && import -window "$WIZ_WINDOW" "$1"; }

# wiz_end: ends what was started (the program, Wine, the display).
wiz_end() {
  [ -n "$WIZ_PID" ] && kill "$WIZ_PID" 2>/dev/null
  "$WINESERVER" -k >/dev/null 2>&1 || true
  display_stop
}
