#!/usr/bin/env bash
# The Wine part of `make check`, against the Windows build that scripts/wine-env.sh picks for
# this machine: the adapter tests (tests/win32) and the end-to-end table (tests/e2e), both in
# copies of one freshly booted prefix.
#   tests/run-wine.sh              everything
#   tests/run-wine.sh -k wizard    only the end-to-end table, with these pytest arguments
#                                (reusing the booted prefix of the last run)
set -uo pipefail
. "$(dirname "$0")/../scripts/wine-env.sh"
export TSY_E2E_TMP=${TSY_E2E_TMP:-/tmp/tsy-e2e} PYTHONDONTWRITEBYTECODE=1
e2e=(pytest-3 -p no:cacheprovider -q --tb=short "$TSY_ROOT/tests/e2e")
[ $# -gt 0 ] && exec "${e2e[@]}" "$@"
base=$TSY_E2E_TMP/base-$TSY_WIN_ARCH
echo "wine tests: $TSY_WIN_ARCH build in $TSY_WIN_BUILD"
fail=0

# The prefix the end-to-end runner copies for each sequence of rows. Xvfb runs without a window
# manager: Wine is told to activate the window that gets the X input focus.
new_prefix "$base"
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v UseTakeFocus /d N /f >/dev/null 2>&1
"$WINESERVER" -w

# The adapter tests open real dialogs: they get a private X display.
start_xvfb
export WINEPREFIX=$TSY_E2E_TMP/adapters
rm -rf "$WINEPREFIX" && cp -a "$base" "$WINEPREFIX"
cp "$TSY_WIN_BUILD/win32_tests.exe" "$WINEPREFIX/drive_c/"
(cd "$WINEPREFIX/drive_c" && timeout 600 "$WINE" 'C:\win32_tests.exe' 2>/dev/null | tr -d '\r') || fail=1
end_prefix
stop_xvfb
rm -rf "$WINEPREFIX"

"${e2e[@]}" || fail=1
exit $fail
