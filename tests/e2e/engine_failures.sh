#!/usr/bin/env bash
# Silent runs of the real kit that must fail: a missing package and a corrupt package.
set -uo pipefail
. "$(dirname "$0")/../../scripts/kit-env.sh"

PREFIX=${E2E_PREFIX:-/tmp/tsy-e2e-failures}
kit_ensure || { echo "no kit in $TSY_KIT"; echo "0 passed, 1 failed"; exit 1; }
kit_prefix "$PREFIX"
display_start
trap 'display_stop; end_prefix' EXIT
export KIT_TRACE="$PREFIX.trace"
KIT='C:\Kit'
CR=$'\r'

run() {
  rm -f "$KIT_TRACE"
  OUT=$(WINEDEBUG=+process,+msgbox kit_run "$1")
  CODE=$(kit_exit "$OUT")
  STARTED=$(started_commands "$KIT_TRACE")
  MESSAGES=$(msgbox_texts "$KIT_TRACE")
  echo "-- $1 -> exit $CODE"
}

# --- missing database package ------------------------------------------------------------------
mv "$(unix_path "$KIT\\tsy3db.msi")" "$(unix_path "$KIT\\tsy3db.msi.away")"
run 'Setup.exe S PROGRAM DB OL'
t_eq "missing: exit code" "$CODE" 1603
t_eq "missing: the critical message" "$MESSAGES" \
  'SYS_Install: Unable to open installation package: |C:\Kit\tsy3db.msi||NOTE: The installation file must be in the same directory as this setup program (Setup).|'
t_lacks "missing: the absent package is never handed to msiexec" "$STARTED" 'tsy3db.msi'
t_lacks "missing: the run ends there (no registration)" "$STARTED" 'regsvr32'
t_eq "missing: no Ver written" "$(kit_setting Ver)" ""
mv "$(unix_path "$KIT\\tsy3db.msi.away")" "$(unix_path "$KIT\\tsy3db.msi")"
# What ran before the missing package stays done: take it away again for the next case.
"$WINE" msiexec /x "$PROD_PRO" /qn >/dev/null 2>&1

# --- corrupt program package -------------------------------------------------------------------
printf 'not a Windows Installer package\r\n' >"$(unix_path "$KIT\\tsy3p.msi")"
direct=$(winbat "msiexec /I \"$KIT\\tsy3p.msi\" /qn" | sed -n 's/^exit=//p')
run 'Setup.exe S PROGRAM DB OL'
t_check "corrupt: msiexec itself refuses the package" test "${direct:-0}" != 0
t_contains "corrupt: msiexec was run" "$STARTED" "msiexec.exe /I \"$KIT\\tsy3p.msi\""
t_contains "corrupt: failure message names the package" "$MESSAGES" "$KIT\\tsy3p.msi"
t_contains "corrupt: failure message gives msiexec's code" "$MESSAGES" "$direct"
t_lacks "corrupt: no success claimed" "$MESSAGES" "successfully"
t_eq "corrupt: exit code" "$CODE" 1603
t_eq "corrupt: program not installed" "$(state_of "$PROD_PRO")" -1

t_summary
