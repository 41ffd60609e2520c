#!/usr/bin/env bash
# Programs and a DLL planted beside the setup, in the folder a download would land in: an
# msiexec.exe, a regsvr32.exe, a vezEdeRu.exe (the update service) and a version.dll. A silent
# installation and a silent repair of the real kit run under Wine; none of the planted copies
# ever runs (each leaves "<its path>.ran" or, for the DLL, "<its path>.dynamic" when it does).
# A control first shows that Wine would run each planted program when it is asked for by its
# bare name from that folder.
set -uo pipefail
. "$(dirname "$0")/hardening_lib.bash"

kit_ensure || { echo "no kit in $TSY_KIT"; echo "0 passed, 1 failed"; exit 1; }
for f in tsy_probe.exe planted/version.dll; do
  [ -f "$TSY_WIN_BUILD/$f" ] || cmake --build "$TSY_WIN_BUILD" --target tsy_probe tsy_planted_version >/dev/null
done
hardening_begin "${E2E_PREFIX:-/tmp/tsy-e2e-hardening-planted}"
HOST_KIT=$(unix_path "$KIT")
# The setup's own run-time request for version.dll must find the system's copy even where the
# program folder is preferred; Wine prefers built-in DLLs otherwise.
export WINEDLLOVERRIDES="version=n,b;mscoree,mshtml="

PLANTED=(msiexec.exe regsvr32.exe vezEdeRu.exe)
for p in "${PLANTED[@]}"; do cp "$TSY_WIN_BUILD/tsy_probe.exe" "$HOST_KIT/$p"; done
cp "$TSY_WIN_BUILD/planted/version.dll" "$HOST_KIT/version.dll"
cp "$TSY_WIN_BUILD/tsy_probe.exe" "$HOST_KIT/tsy_probe.exe"
cp "$TSY_WIN_BUILD/tsyprobe.exe" "$HOST_KIT/tsyprobe.exe"
markers() { rm -f "$HOST_KIT"/*.ran "$HOST_KIT"/version.dll.static "$HOST_KIT"/version.dll.dynamic; }

# none_ran NAME: no planted program left its marker, nor the planted DLL a run-time load.
none_ran() {
  local p
  for p in "${PLANTED[@]}"; do
    t_check "$1: the planted $p never ran" test ! -e "$HOST_KIT/$p.ran"
  done
  t_check "$1: the setup never loaded the planted version.dll" test ! -e "$HOST_KIT/version.dll.dynamic"
  if [ -e "$HOST_KIT/version.dll.static" ]; then
    # Wine's own user32 imports version.dll, so the planted copy comes in with it before the
    # setup's code runs; Windows' user32 does not import it.
    echo "  note: Wine's user32 loaded the planted version.dll through its import table"
  fi
}

# --- controls: what a bare name would have found ----------------------------------------------
markers
( cd "$HOST_KIT" && timeout 60 "$WINE" 'C:\Kit\tsy_probe.exe' run 'msiexec.exe exit 0' >/dev/null 2>&1 )
t_check "control: a bare msiexec.exe from the setup's folder is the planted copy" \
  test -e "$HOST_KIT/msiexec.exe.ran"
( cd "$HOST_KIT" && timeout 60 "$WINE" 'C:\Kit\tsy_probe.exe' run 'regsvr32 exit 0' >/dev/null 2>&1 )
t_check "control: a bare regsvr32 from the setup's folder is the planted copy" \
  test -e "$HOST_KIT/regsvr32.exe.ran"
rm -f "$HOST_KIT"/*.ran
# The shell's open request by bare name, as the setup made it before, from the setup's folder:
# Wine's shell looks in the given folder, then in the current folder, before the system path.
# (The probe needs shell32, which would not load with the stub version.dll preferred.)
( cd "$HOST_KIT" && WINEDLLOVERRIDES="mscoree,mshtml=" timeout 60 "$WINE" 'C:\Kit\tsyprobe.exe' open vezEdeRu.exe -i 'C:\windows' >/dev/null 2>&1 )
t_check "control: the shell opens a bare vezEdeRu.exe as the planted copy" \
  wait_for 10 test -e "$HOST_KIT/vezEdeRu.exe.ran"
( cd "$HOST_KIT" && WINEDLLOVERRIDES="mscoree,mshtml=" timeout 60 "$WINE" 'C:\Kit\tsyprobe.exe' open regsvr32 '/s x.dll' 'C:\windows' >/dev/null 2>&1 )
t_check "control: the shell opens a bare regsvr32 as the planted copy" \
  wait_for 10 test -e "$HOST_KIT/regsvr32.exe.ran"
( cd "$HOST_KIT" && timeout 60 "$WINE" 'C:\Kit\tsy_probe.exe' loaddll version.dll >/dev/null 2>&1 )
t_check "control: a run-time request for version.dll by name gets the planted copy" \
  test -e "$HOST_KIT/version.dll.dynamic"
markers

# --- a silent installation: msiexec.exe twice, regsvr32 twice ---------------------------------
run 'Setup.exe S PROGRAM DB OL'
no_crash install
t_eq "install: exit code" "$CODE" 0
t_eq "install: no message" "$MESSAGES" ""
t_eq "install: both products installed" "$(state_of "$PROD_PRO") $(state_of "$DB_PRO")" "5 5"
t_contains "install: msiexec.exe from the system folder" "$LOG" 'Program file: C:\windows\system32\msiexec.exe'
t_contains "install: regsvr32 by its full path (e-mail interface)" "$LOG" \
  'Shell open: C:\windows\system32\regsvr32.exe /s C:\windows\syswow64\tsyemail.dll'
t_contains "install: regsvr32 by its full path (communications control)" "$LOG" \
  'Shell open: C:\windows\system32\regsvr32.exe /s C:\windows\syswow64\mscomm32.ocx'
t_check "install: the components were registered by the real regsvr32" \
  wait_for 10 kit_registered tsyemail.dll
sleep 2  # the shell's starts are not waited for: give a planted copy time to show itself
none_ran install

# --- a silent repair: the update service before and after, regsvr32 once ----------------------
markers
run 'Setup.exe S REPAIR PROGRAM DB'
no_crash repair
# Wine's msiexec cannot reinstall from the package (1605, as in engine_silent.sh); the setup
# tells it for each package and ends with 1603. The update service steps run all the same.
t_eq "repair: exit code (Wine's msiexec refuses the reinstall)" "$CODE" 1603
t_contains "repair: the refusal is told" "$MESSAGES" '(error 1605)'
t_contains "repair: the update service by its full path before" "$LOG" \
  'Shell open: C:\windows\syswow64\vezEdeRu.exe -u'
t_contains "repair: the update service by its full path after" "$LOG" \
  'Shell open: C:\windows\syswow64\vezEdeRu.exe -i'
service_ran() { [ "$(kit_log vezEdeRu.log | grep -c 'vezEdeRu.exe -[ui]')" -ge 2 ]; }
t_check "repair: the real update service ran twice" wait_for 10 service_ran
sleep 2
none_ran repair

# --- a removal: the update service and the unregistration -------------------------------------
markers
run 'Setup.exe S REMOVE PROGRAM DB'
no_crash removal
t_eq "removal: exit code" "$CODE" 0
t_contains "removal: regsvr32 by its full path for the unregistration" "$LOG" \
  'Shell open: C:\windows\system32\regsvr32.exe /s /u C:\windows\syswow64\tsyemail.dll'
t_eq "removal: both products removed" "$(state_of "$PROD_PRO") $(state_of "$DB_PRO")" "-1 -1"
sleep 2
none_ran removal

t_summary
