# Sourced (it is not a suite itself) by the wizard's end-to-end suites and scripts/screenshots.sh:
# the real setup's wizard window under Wine and Xvfb, found and driven with xdotool as a user
# would, with the keyboard.
#
# Needs scripts/kit-env.sh (sourced here). Defines: wiz_prefix, wiz_start, wiz_window, wiz_gone, wiz_hidden,
# wiz_key, wiz_wait, wiz_shot, wiz_red_pixels, twips.

. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/kit-env.sh"

WIZ_OUT=${WIZ_OUT:-$(mktemp -d /tmp/tsy-wizard.XXXXXX)}
WIZ_PID=
WIZ_WINDOW=
WIZ_TITLE='Tessary Contact Management (Install|Update) Wizard'

# wiz_prefix DIR: a fresh prefix with the kit (kit_prefix). There is no window manager on the
# private display, so Wine is told to activate a window when it gets the X input focus (what a
# user's click into it does under a window manager); WIZ_DECORATED=1 also has Wine draw the
# title bar itself, for screenshots.
wiz_prefix() {
  kit_prefix "$1"
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v UseTakeFocus /d N /f >/dev/null 2>&1
  if [ "${WIZ_DECORATED:-0}" = 1 ]; then
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
  fi
  "$WINESERVER" -w
}

# wiz_start LINE: starts a command line from C:\Kit in the background, through a batch file that
# prints the exit code read inside Wine ("exit=N"). Traces: $WIZ_OUT/trace (+msgbox,+process).
wiz_start() {
  # A wizard left open by a failed step would take the keys of the next one.
  if [ -n "$WIZ_PID" ] && kill -0 "$WIZ_PID" 2>/dev/null; then
    echo "  (a previous wizard was still open: ended)"
    kill "$WIZ_PID" 2>/dev/null
    "$WINESERVER" -k >/dev/null 2>&1
    "$WINESERVER" -w
  fi
  local bat="$WINEPREFIX/drive_c/tsy_wizard_run.bat"
  printf '@echo off\r\ncd /d C:\\Kit\r\nstart "" /wait %s\r\necho exit=%%ERRORLEVEL%%\r\n' "$1" >"$bat"
  # The previous run's trace is kept beside the new one (trace.1, trace.2, ...).
  WIZ_RUNS=$(( ${WIZ_RUNS:-0} + 1 ))
  [ -f "$WIZ_OUT/trace" ] && mv "$WIZ_OUT/trace" "$WIZ_OUT/trace.$((WIZ_RUNS - 1))"
  rm -f "$WIZ_OUT/out"
  ( WINEDEBUG=+msgbox,+process timeout "${WIZ_TIMEOUT:-300}" "$WINE" cmd /c 'C:\tsy_wizard_run.bat' \
      >"$WIZ_OUT/out" 2>"$WIZ_OUT/trace" ) &
  WIZ_PID=$!
  # Keys meant for this run must never go to the window of the run before.
  WIZ_WINDOW=
  WIZ_STARTED=$(date +%s.%N)
}

# wiz_window [SECONDS]: waits for the visible wizard window; sets WIZ_WINDOW.
wiz_window() {
  local limit=${1:-60} i w
  for i in $(seq 1 $((limit * 10))); do
    w=$(xdotool search --onlyvisible --name "$WIZ_TITLE" 2>/dev/null | head -n1)
    if [ -n "$w" ]; then WIZ_WINDOW=$w; sleep 0.5; return 0; fi
    sleep 0.1
  done
  wiz_diag "$limit"
  return 1
}

# wiz_diag SECONDS: when the wizard does not come, a few lines on what is there instead (for a
# CI log).
wiz_diag() {
  local w
  echo "  (no wizard window after $1 s; running: $(kill -0 "$WIZ_PID" 2>/dev/null && echo yes || echo no))"
  for w in $(xdotool search --onlyvisible --name . 2>/dev/null | head -n 8); do
    echo "  (visible window: $(xdotool getwindowname "$w" 2>/dev/null))"
  done
  grep -E 'CreateProcessInternalW app|^[0-9a-f]+:err:' "$WIZ_OUT/trace" 2>/dev/null | tail -n 6 |
    cut -c1-200 | sed 's/^/  (trace) /'
  tail -n 2 "$WIZ_OUT/trace" 2>/dev/null | cut -c1-200 | sed 's/^/  (trace, last) /'
}

# visible_window REGEX: succeeds when a visible window's title matches.
visible_window() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }

# wiz_hidden [SECONDS]: waits until no wizard window is visible (the engine runs, or it closed).
wiz_hidden() {
  local limit=${1:-20} i
  for i in $(seq 1 $((limit * 10))); do
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
    xdotool windowfocus --sync "$WIZ_WINDOW" >/dev/null 2>&1 || xdotool windowfocus "$WIZ_WINDOW"
    xdotool key --clearmodifiers "$k"
    sleep 0.6
  done
}

# wiz_type TEXT: types text into the focused control of the wizard.
wiz_type() {
  [ -n "$WIZ_WINDOW" ] || return 1
  xdotool windowfocus --sync "$WIZ_WINDOW" >/dev/null 2>&1
  xdotool type --delay 30 "$1"
  sleep 0.5
}

# wiz_wait [SECONDS]: waits for the started program to end; sets WIZ_EXIT ("" if still running).
wiz_wait() {
  local limit=${1:-60} i
  WIZ_EXIT=
  for i in $(seq 1 $((limit * 10))); do
    if ! kill -0 "$WIZ_PID" 2>/dev/null; then
      wait "$WIZ_PID" 2>/dev/null
      WIZ_EXIT=$(tr -d '\r' <"$WIZ_OUT/out" | sed -n 's/^exit=//p' | tail -n1)
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# wiz_settle [N]: waits until the setup has shown its N-th message box (when N is given) and
# the boxes have been answered (by the watcher of display_start), so that the next keys reach
# the wizard again. On a loaded machine a box can take a while to come up.
wiz_settle() {
  local i
  if [ -n "${1:-}" ]; then
    for i in $(seq 1 150); do
      [ "$(wiz_messages | grep -c .)" -ge "$1" ] && break
      sleep 0.1
    done
    # The trace is written while the box is being made: on a loaded machine it is mapped a
    # moment later, and a box not yet seen is not yet gone.
    for i in $(seq 1 30); do
      xdotool search --onlyvisible --name '^TSY Setup$' >/dev/null 2>&1 && break
      sleep 0.1
    done
  else
    sleep 1
  fi
  for i in $(seq 1 100); do
    xdotool search --onlyvisible --name '^TSY Setup$' >/dev/null 2>&1 || break
    sleep 0.1
  done
  sleep 0.5
}

# wiz_messages: the message box texts shown so far, one per line (line breaks shown as |).
wiz_messages() { msgbox_texts "$WIZ_OUT/trace"; }
# wiz_commands: the msiexec, regsvr32, ... command lines started so far.
wiz_commands() { started_commands "$WIZ_OUT/trace"; }

# twips N: pixels at the display's 96 dpi.
twips() { echo $(( ($1 * 96 + 720) / 1440 )); }

# wiz_grab FILE.xwd: the whole screen.
wiz_grab() { xwd -root -silent >"$1"; }

# wiz_client: "X Y W H" of the wizard window's client area on the screen.
wiz_client() {
  eval "$(xdotool getwindowgeometry --shell "$WIZ_WINDOW")"
  echo "$X $Y $WIDTH $HEIGHT"
}

# wiz_shot FILE.png: a PNG of the wizard window (xwd of the screen, cut and written by a few
# lines of Python, so that no image toolkit is needed).
wiz_shot() {
  local g
  g=($(wiz_client))
  wiz_grab "$WIZ_OUT/screen.xwd"
  python3 "$(dirname "${BASH_SOURCE[0]}")/wizard_xwd.py" png "$WIZ_OUT/screen.xwd" "$1" \
    "${g[0]},${g[1]},${g[2]},${g[3]}"
}

# wiz_red_pixels LEFT TOP WIDTH HEIGHT: red pixels in that rectangle of the
# client area, in twips (the error texts of the folders panel are drawn in that colour).
wiz_red_pixels() {
  local g
  g=($(wiz_client))
  wiz_grab "$WIZ_OUT/screen.xwd"
  python3 "$(dirname "${BASH_SOURCE[0]}")/wizard_xwd.py" red "$WIZ_OUT/screen.xwd" \
    "$((g[0] + $(twips "$1"))),$((g[1] + $(twips "$2"))),$(twips "$3"),$(twips "$4")"
}

# wiz_end: ends what a suite started (the program, Wine, the display).
wiz_end() {
  [ -n "$WIZ_PID" ] && kill "$WIZ_PID" 2>/dev/null
  "$WINESERVER" -k >/dev/null 2>&1 || true
  display_stop
}
