#!/usr/bin/env bash
# Runs the adapter tests and the end-to-end suites under Wine, each in a fresh prefix.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
echo "wine tests: $TSY_WIN_ARCH build in $TSY_WIN_BUILD"
fail=0
if [ -f "$TSY_WIN_BUILD/win32_tests.exe" ]; then
  # The adapter tests open real dialogs: they get a private X display, and their stand-ins
  # (tsy_probe.exe, tsy_probe.msi) beside them. They run once at the drive root (own folder
  # "C:\") and the run-time cases once more from a folder below it.
  start_xvfb
  new_prefix /tmp/tsy-wine-adapters
  drive="$WINEPREFIX/drive_c"
  mkdir -p "$drive/Kit"
  for f in win32_tests.exe tsy_probe.exe tsy_probe.msi; do
    cp "$TSY_WIN_BUILD/$f" "$drive/"
    cp "$TSY_WIN_BUILD/$f" "$drive/Kit/"
  done
  if ! (cd "$drive" && timeout 600 "$WINE" 'C:\win32_tests.exe' 2>/dev/null | tr -d '\r'); then fail=1; fi
  if ! (cd "$drive/Kit" && timeout 120 "$WINE" 'C:\Kit\win32_tests.exe' --gtest_filter='Win32Runtime.*' \
          2>/dev/null | tr -d '\r'); then fail=1; fi
  end_prefix
  stop_xvfb
fi
for suite in "$TSY_ROOT"/tests/e2e/*.sh; do
  [ -e "$suite" ] || continue
  echo "== $(basename "$suite")"
  if ! bash "$suite"; then echo "FAILED: $(basename "$suite")"; fail=1; fi
done
exit $fail
