#!/usr/bin/env bash
# The Wine part of `make check`, against the Windows build that scripts/wine-env.sh picks for
# this machine: the adapter tests (tests/win32) and the end-to-end table (tests/e2e), both in
# copies of one freshly booted prefix.
#   tests/run-wine.sh              everything
#   tests/run-wine.sh -k wizard    only the end-to-end table, with these pytest arguments
# All scratch of a run lives under one new folder in $TMPDIR (TSY_E2E_TMP names another one),
# removed at the end unless TSY_KEEP=1: two runs side by side share nothing.
set -uo pipefail
. "$(dirname "$0")/../scripts/wine-env.sh"
export PYTHONDONTWRITEBYTECODE=1
if [ -z "${TSY_E2E_TMP:-}" ]; then
  TSY_E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/tsy-e2e.XXXXXX") || setup_failed "no scratch folder in ${TMPDIR:-/tmp}"
  [ "${TSY_KEEP:-0}" = 1 ] || trap 'rm -rf "$TSY_E2E_TMP"' EXIT
fi
mkdir -p "$TSY_E2E_TMP" || setup_failed "cannot make $TSY_E2E_TMP"
export TSY_E2E_TMP
e2e=(pytest-3 -p no:cacheprovider -q --tb=short "$TSY_ROOT/tests/e2e")
for f in "$TSY_WIN_BUILD/kit/Setup.exe" "$TSY_WIN_BUILD/e2e/driver.exe" "$TSY_WIN_BUILD/win32_tests.exe"; do
  [ -f "$f" ] || setup_failed "$f is not built (make wine-tests builds it)"
done
if [ $# -gt 0 ]; then "${e2e[@]}" "$@"; exit $?; fi
echo "wine tests: $TSY_WIN_ARCH build in $TSY_WIN_BUILD, scratch in $TSY_E2E_TMP"
fail=0

# The adapter tests open real dialogs: they get a private X display and their own prefix.
start_xvfb
new_prefix "$TSY_E2E_TMP/adapters"
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v UseTakeFocus /d N /f >/dev/null 2>&1
cp "$TSY_WIN_BUILD/win32_tests.exe" "$WINEPREFIX/drive_c/" || setup_failed "cannot copy win32_tests.exe"
(cd "$WINEPREFIX/drive_c" && timeout 600 "$WINE" 'C:\win32_tests.exe' 2>/dev/null | tr -d '\r') || fail=1
end_prefix
stop_xvfb
rm -rf "$WINEPREFIX"

# The end-to-end table boots its own base prefix (tests/e2e/conftest.py).
"${e2e[@]}" || fail=1
exit $fail
