#!/usr/bin/env bash
# Planted files beside the setup never run: a version.dll (loaded on demand to read the program's
# own version) and an msiexec.exe (the engine starts msiexec.exe from the system folder).
# Each case first shows, with the stand-in program, that Wine would use the planted copy.
set -uo pipefail
. "$(dirname "$0")/../../scripts/wine-e2e.sh"
start_suite hardening
cp "$TSY_WIN_BUILD/tsy_probe.exe" "$KIT/"
cp "$TSY_WIN_BUILD/planted/version.dll" "$KIT/version.dll"
cp "$TSY_WIN_BUILD/tsy_probe.exe" "$KIT/msiexec.exe"
export WINEDLLOVERRIDES="version=n,b;mscoree,mshtml="

# --- version.dll ---------------------------------------------------------------------------
rm -f "$KIT/version.dll.loaded"
launch tsy_probe.exe loaddll version.dll
finished 60 || true
check "control: an ordinary program loads the planted version.dll" test -f "$KIT/version.dll.loaded"
rm -f "$KIT/version.dll.loaded"

E2E_DEBUG=+loaddll launch Update.exe X
answer '^TSY Setup 1\.6\.0$' Return || true
finished 60 || true
check "Update.exe loads version.dll (to read its own version)" \
  grep -qi 'loaddll.*version\.dll' "$E2E_OUT/stderr"
check "... and not the planted copy beside it" test ! -f "$KIT/version.dll.loaded"
if grep -i 'loaddll.*version\.dll' "$E2E_OUT/stderr" | grep -qi 'kit'; then
  fail "... nor any version.dll from C:\\Kit (+loaddll)"
else
  pass "... nor any version.dll from C:\\Kit (+loaddll)"
fi
check "Update.exe imports no version.dll" \
  bash -c "! ${TSY_MINGW_OBJDUMP:-x86_64-w64-mingw32-objdump} -p '$KIT/Update.exe' | grep -qi 'DLL Name: version'"

# --- msiexec.exe ---------------------------------------------------------------------------
rm -f "$KIT/msiexec.exe.ran"
launch tsy_probe.exe run "msiexec.exe exit 0"
finished 60 || true
check "control: a bare msiexec.exe command line runs the planted copy" test -f "$KIT/msiexec.exe.ran"
rm -f "$KIT/msiexec.exe.ran"

# A silent run of the program package: the engine starts msiexec.exe for it.
cp "$TSY_WIN_BUILD/tsy_probe.msi" "$KIT/tsy3p.msi"
E2E_DEBUG=+process launch Update.exe S PROGRAM
# Any box (an error report) is answered so that the run ends.
for i in 1 2 3 4 5 6; do
  finished 10 && break
  w=$(xdotool search --name '^TSY' 2>/dev/null | head -n1)
  [ -z "$w" ] || xdotool key --window "$w" Return >/dev/null 2>&1 || true
done
finished 60 || true
check "the silent run starts msiexec.exe" grep -qi 'msiexec' "$E2E_OUT/stderr"
check "... from the system folder" grep -qi 'system32\\\\msiexec\.exe' "$E2E_OUT/stderr"
check "... and never the planted copy" test ! -f "$KIT/msiexec.exe.ran"

finish_suite
