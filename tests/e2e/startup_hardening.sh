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
# The planted DLL marks how it came in: ".dynamic" for a program's own run-time request,
# ".static" for an import table resolved at process start.
planted() { rm -f "$KIT"/version.dll.static "$KIT"/version.dll.dynamic; }
planted
launch tsy_probe.exe loaddll version.dll
finished 60 || true
check "control: a run-time request for version.dll by name gets the planted copy" \
  test -f "$KIT/version.dll.dynamic"
planted

E2E_DEBUG=+loaddll,+module launch Update.exe X
answer '^TSY Setup 1\.6\.0$' Return || true
finished 60 || true
# Update.exe's own lines of the trace: from the moment Wine loads it.
awk '/Loaded L"C:\\\\Kit\\\\Update.exe"/ { id = substr($0, 1, 4) } id && index($0, id) == 1' \
  "$E2E_OUT/stderr" > "$E2E_OUT/update-trace"
check "Update.exe loads version.dll at run time (to read its own version)" \
  grep -q 'load_dll looking for L"C:\\\\windows\\\\system32\\\\version.dll"' "$E2E_OUT/update-trace"
check "... from the system folder, never the planted copy" test ! -f "$KIT/version.dll.dynamic"
check "Update.exe does not import version.dll" \
  bash -c "! x86_64-w64-mingw32-objdump -p '$KIT/Update.exe' | grep -qi 'DLL Name: version'"
if [ -f "$KIT/version.dll.static" ]; then
  # Wine's own user32 imports version.dll, so a planted copy comes in with it before WinMain
  # runs; Windows' user32 neither imports it nor is searched for beside the program.
  echo "  note: Wine's user32 loaded the planted copy through its import table (a Wine trait)"
fi

# --- msiexec.exe ---------------------------------------------------------------------------
rm -f "$KIT/msiexec.exe.ran"
launch tsy_probe.exe run "msiexec.exe exit 0"
finished 60 || true
check "control: a bare msiexec.exe command line runs the planted copy" test -f "$KIT/msiexec.exe.ran"
rm -f "$KIT/msiexec.exe.ran"

# A silent run of the program package: the engine starts msiexec.exe for it (named Update.exe,
# the setup looks for the update package).
cp "$TSY_WIN_BUILD/tsy_probe.msi" "$KIT/tsy3p_update.msi"
E2E_DEBUG=+process launch Update.exe S PROGRAM
# Any box (an error report) is answered so that the run ends.
for i in 1 2 3 4 5 6; do
  finished 10 && break
  w=$(xdotool search --name '^TSY' 2>/dev/null | head -n1)
  [ -z "$w" ] || xdotool key --window "$w" Return >/dev/null 2>&1 || true
done
finished 60 || true
check "the silent run starts msiexec.exe" grep -qi 'msiexec' "$E2E_OUT/stderr"
check "... from the system folder" grep -qi 'CreateProcessInternalW app L"C:\\\\windows\\\\system32\\\\msiexec\.exe"' "$E2E_OUT/stderr"
check "... and never the planted copy" test ! -f "$KIT/msiexec.exe.ran"

finish_suite
