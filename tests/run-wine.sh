#!/usr/bin/env bash
# The Wine part of `make check` against the Windows build scripts/wine-env.sh picks: the adapter tests
# (tests/win32), then the end-to-end table (tests/e2e); one X display, copies of one booted prefix.
#   tests/run-wine.sh              everything
#   tests/run-wine.sh -k wizard    only the end-to-end table, with these pytest arguments
# Scratch lives under one new folder in $TMPDIR, removed at the end unless TSY_KEEP=1 (TSY_E2E_TMP names
# another one, whose booted prefix is used again): two runs side by side share nothing.
set -uo pipefail
. "$(dirname "$0")/../scripts/wine-env.sh"
export PYTHONDONTWRITEBYTECODE=1 LANG=C.UTF-8 LC_ALL=C.UTF-8
cleanup=stop_xvfb
if [ -z "${TSY_E2E_TMP:-}" ]; then
  TSY_E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/tsy-e2e.XXXXXX") || setup_failed "no scratch folder in ${TMPDIR:-/tmp}"
  [ "${TSY_KEEP:-0}" = 1 ] || cleanup+='; rm -rf "$TSY_E2E_TMP"'
fi
trap "$cleanup" EXIT
mkdir -p "$TSY_E2E_TMP" || setup_failed "cannot make $TSY_E2E_TMP"
export TSY_E2E_TMP
e2e=(pytest-3 -p no:cacheprovider -q --tb=short "$TSY_ROOT/tests/e2e")
for f in "$TSY_WIN_BUILD/kit/Setup.exe" "$TSY_WIN_BUILD/e2e/driver.exe" "$TSY_WIN_BUILD/win32_tests.exe"; do
  [ -f "$f" ] || setup_failed "$f is not built (make wine-tests builds it)"
done
start_xvfb
base=$TSY_E2E_TMP/base-$TSY_WIN_ARCH  # tests/e2e/conftest.py copies it for each sequence of rows
if [ ! -f "$base/system.reg" ]; then
  new_prefix "$base"
  # No window manager on the display: Wine activates a window given the X focus.
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v UseTakeFocus /d N /f >/dev/null 2>&1
  "$WINESERVER" -w
fi
if [ $# -gt 0 ]; then "${e2e[@]}" "$@"; exit $?; fi
echo "wine tests: $TSY_WIN_ARCH build in $TSY_WIN_BUILD, scratch in $TSY_E2E_TMP"
fail=0

export WINEPREFIX=$TSY_E2E_TMP/adapters
rm -rf "$WINEPREFIX" && cp -a "$base" "$WINEPREFIX" && cp "$TSY_WIN_BUILD/win32_tests.exe" "$WINEPREFIX/drive_c/" ||
  setup_failed "cannot copy the prefix and win32_tests.exe to $WINEPREFIX"
(cd "$WINEPREFIX/drive_c" && timeout 600 "$WINE" 'C:\win32_tests.exe' 2>/dev/null | tr -d '\r') || fail=1
end_prefix
rm -rf "$WINEPREFIX"
"${e2e[@]}" || fail=1
exit $fail
