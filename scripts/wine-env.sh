# Sourced (by bash) by the Wine scripts and the end-to-end runner. Picks the Wine loader and the Windows build to run under it:
# the 32-bit program where this machine can run 32-bit code, and otherwise the same sources
# built for x86_64 under wine64 (some virtual machines run 64-bit user code only; there the
# 32-bit loader fails with "Exec format error").
#
# Sets: WINE, WINESERVER, TSY_WIN_BUILD (build folder of the Windows build to test), WINEARCH,
#       WINEDEBUG, WINEDLLOVERRIDES; defines new_prefix DIR and end_prefix.
# A set-up step that fails (a prefix that does not boot, a display that does not start) stops
# the script that sourced this file, with a line beginning "set-up failed:": every result after
# it would mean nothing.

TSY_ROOT=${TSY_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}

if [ -z "${TSY_WIN_ARCH:-}" ]; then
  if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
    TSY_WIN_ARCH=win32
  else
    TSY_WIN_ARCH=win64
  fi
fi
export TSY_WIN_ARCH
if [ "$TSY_WIN_ARCH" = win32 ]; then
  export WINE=/usr/lib/wine/wine WINESERVER=/usr/lib/wine/wineserver WINEARCH=win32
  export TSY_WIN_BUILD=${TSY_WIN_BUILD:-$TSY_ROOT/build/win32}
else
  export WINE=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver WINEARCH=win64
  export TSY_WIN_BUILD=${TSY_WIN_BUILD:-$TSY_ROOT/build/win64}
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}

setup_failed() {
  echo "set-up failed: $*" >&2
  exit 2
}

# new_prefix DIR: a fresh, fully booted prefix in DIR (removed first, its parents made).
new_prefix() {
  export WINEPREFIX="$1"
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")" || setup_failed "cannot make the folder of $WINEPREFIX"
  local log
  log=$("$WINE" wineboot -i 2>&1) || setup_failed "wineboot in $WINEPREFIX: $(tail -n3 <<<"$log")"
  "$WINESERVER" -w
  [ -f "$WINEPREFIX/system.reg" ] || setup_failed "wineboot left no registry in $WINEPREFIX: $(tail -n3 <<<"$log")"
}

end_prefix() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
}

# start_xvfb: a private X display for the windows of one suite (sets DISPLAY, TSY_XVFB_PID).
# Xvfb picks a free display number itself, so suites may run side by side.
start_xvfb() {
  local fdfile
  fdfile=$(mktemp) || setup_failed "mktemp in ${TMPDIR:-/tmp}"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  TSY_XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    [ -s "$fdfile" ] && break
    sleep 0.1
  done
  [ -s "$fdfile" ] || { rm -f "$fdfile"; setup_failed "Xvfb did not start"; }
  export DISPLAY=":$(head -n1 "$fdfile")"
  rm -f "$fdfile"
  export TSY_XVFB_PID
  # The number is written once the server listens; give a busy machine a moment to answer too.
  for i in $(seq 1 50); do
    xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  setup_failed "Xvfb display $DISPLAY does not answer"
}

stop_xvfb() {
  if [ -n "${TSY_XVFB_PID:-}" ]; then
    kill "$TSY_XVFB_PID" 2>/dev/null || true
    wait "$TSY_XVFB_PID" 2>/dev/null || true
    TSY_XVFB_PID=
  fi
}
