#!/usr/bin/env bash
# Runs the adapter tests and the end-to-end suites under Wine, each in a fresh prefix.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
echo "wine tests: $TSY_WIN_ARCH build in $TSY_WIN_BUILD"
fail=0
if [ -x "$TSY_WIN_BUILD/win32_tests.exe" ] || [ -f "$TSY_WIN_BUILD/win32_tests.exe" ]; then
  new_prefix /tmp/tsy-wine-adapters
  cp "$TSY_WIN_BUILD/win32_tests.exe" "$WINEPREFIX/drive_c/"
  if ! (cd "$WINEPREFIX/drive_c" && "$WINE" 'C:\win32_tests.exe' 2>/dev/null | tr -d '\r'); then fail=1; fi
  end_prefix
fi
for suite in "$TSY_ROOT"/tests/e2e/*.sh; do
  [ -e "$suite" ] || continue
  echo "== $(basename "$suite")"
  if ! bash "$suite"; then echo "FAILED: $(basename "$suite")"; fail=1; fi
done
exit $fail
