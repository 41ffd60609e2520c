#!/usr/bin/env bash
# The silent runs of the real kit under Wine, one after the other in one fresh prefix:
# first installation, repair, update, removal.
set -uo pipefail
. "$(dirname "$0")/../../scripts/kit-env.sh"

PREFIX=${E2E_PREFIX:-/tmp/tsy-e2e-silent}
kit_ensure || { echo "no kit in $TSY_KIT"; echo "0 passed, 1 failed"; exit 1; }
kit_prefix "$PREFIX"
display_start
trap 'display_stop; end_prefix' EXIT
export KIT_TRACE="$PREFIX.trace"

PROGRAM='C:\Program Files (x86)\Tessary Contact Management'
DATA='C:\ProgramData\Tessary Data'
SYS='C:\windows\syswow64'

# run LINE: runs it with fresh traces; sets OUT, CODE, STARTED, MESSAGES.
run() {
  rm -f "$KIT_TRACE"
  OUT=$(WINEDEBUG=+process,+msgbox kit_run "$1")
  CODE=$(kit_exit "$OUT")
  STARTED=$(started_commands "$KIT_TRACE")
  MESSAGES=$(msgbox_texts "$KIT_TRACE")
  echo "-- $1 -> exit $CODE"
}

# --- first installation ------------------------------------------------------------------------
run 'Setup.exe S PROGRAM DB OL'
t_eq "install: exit code" "$CODE" 0
t_eq "install: program product installed" "$(state_of "$PROD_PRO")" 5
t_eq "install: database product installed" "$(state_of "$DB_PRO")" 5
t_contains "install: program command line" "$STARTED" \
  "msiexec.exe /I \"C:\\Kit\\tsy3p.msi\"ALLUSERS=2  TARGETDIR=\"$PROGRAM\" /qn"
t_contains "install: database command line" "$STARTED" \
  'msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="C:\ProgramData" /qn'
t_check "install: main program in the program folder" has_file "$PROGRAM\\tsy3.exe"
for f in vezEdeRu.exe tsyemail.dll mscomm32.ocx; do
  t_check "install: $f in the 32-bit system folder" has_file "$SYS\\$f"
done
for f in 'MainDB\Contacts.tdb' 'Documents\Templates\Envelopes\Monarch.env' \
         'Documents\Templates\Labels\Address Labels (8160).lbl' \
         'Documents\Templates\Reports\Phone List by Contact.rpt'; do
  t_check "install: database file $f" has_file "$DATA\\$f"
done
t_eq "install: DBPath" "$(kit_setting DBPath)" "$DATA\\MainDB\\"
t_eq "install: EmailForm" "$(kit_setting EmailForm)" 12
t_eq "install: Ver" "$(kit_setting Ver)" 3.3.0
t_check "install: tsyemail.dll registered" wait_for 10 kit_registered tsyemail.dll
t_check "install: mscomm32.ocx registered (Windows 6.1)" wait_for 10 kit_registered mscomm32.ocx
t_eq "install: no message shown" "$MESSAGES" ""
t_eq "install: update service not started" "$(kit_log vezEdeRu.log)" ""

# The customer's own work from here on: must survive everything below.
user_file="$DATA\\MainDB\\My Contacts.tdb"
printf 'customer data\r\n' >"$(unix_path "$user_file")"

# --- repair ------------------------------------------------------------------------------------
run 'Setup.exe S REPAIR PROGRAM DB'
wait_for 10 sh -c "[ \$(printf '%s\n' \"\$(kit_log vezEdeRu.log)\" | grep -c vezEdeRu) -ge 2 ]" >/dev/null 2>&1
service=$(kit_log vezEdeRu.log | cut -f2)
t_eq "repair: update service -u, then -i" "$(printf '%s\n' "$service" | tr '\n' ';')" \
  'vezEdeRu.exe -u;vezEdeRu.exe -i;'
t_contains "repair: program reinstall command line" "$STARTED" \
  "msiexec.exe /famus \"C:\\Kit\\tsy3p.msi\" TARGETDIR=\"$PROGRAM\" /qn"
t_contains "repair: database reinstall command line" "$STARTED" \
  'msiexec.exe /famu "C:\Kit\tsy3db.msi" TARGETDIR="C:\ProgramData" /qn'
# Wine's msiexec cannot reinstall from a package path (1605); the setup must say so and fail.
t_contains "repair: failure reported with Wine's code" "$MESSAGES" "1605"
t_contains "repair: failure names the package" "$MESSAGES" 'C:\Kit\tsy3p.msi'
t_eq "repair: exit code" "$CODE" 1603
t_eq "repair: program still installed" "$(state_of "$PROD_PRO")" 5
t_eq "repair: database still installed" "$(state_of "$DB_PRO")" 5

# --- update ------------------------------------------------------------------------------------
run 'Update.exe S PROGRAM DB'
t_contains "update: program reinstall from the update package" "$STARTED" \
  "msiexec.exe /famus \"C:\\Kit\\tsy3p_update.msi\" TARGETDIR=\"$PROGRAM\" /qn"
t_contains "update: database update package installed" "$STARTED" \
  'msiexec.exe /I "C:\Kit\tsy3db_update.msi"ALLUSERS=2  TARGETDIR="C:\ProgramData" /qn'
t_contains "update: program reinstall failure reported" "$MESSAGES" 'C:\Kit\tsy3p_update.msi'
t_eq "update: exit code" "$CODE" 1603
t_eq "update: database update product installed" "$(state_of "$DB_PRO_UPDATE")" 5
t_check "update: new database files" has_file "$DATA\\MainDB\\Update 3.3.0.sql"
t_eq "update: customer data untouched" "$(file_text "$user_file")" "customer data"
t_check "update: sample database kept" has_file "$DATA\\MainDB\\Contacts.tdb"
t_eq "update: DBPath unchanged" "$(kit_setting DBPath)" "$DATA\\MainDB\\"

# --- removal -----------------------------------------------------------------------------------
run 'Setup.exe S REMOVE PROGRAM DB'
t_eq "remove: exit code" "$CODE" 0
t_contains "remove: program command line" "$STARTED" \
  "msiexec.exe /x \"C:\\Kit\\tsy3p.msi\"REMOVE=ALL  TARGETDIR=\"$PROGRAM\" /qn"
t_contains "remove: database command line" "$STARTED" \
  'msiexec.exe /x "C:\Kit\tsy3db.msi"REMOVE=ALL REINSTALLMODE=aums  TARGETDIR="C:\ProgramData" /qn'
t_contains "remove: e-mail interface unregistered" "$STARTED" "/u $SYS\\tsyemail.dll"
t_check "remove: tsyemail.dll no longer registered" wait_for 10 not_registered tsyemail.dll
t_eq "remove: program product gone" "$(state_of "$PROD_PRO")" -1
t_eq "remove: database product gone" "$(state_of "$DB_PRO")" -1
t_check "remove: main program gone" lacks_file "$PROGRAM\\tsy3.exe"
t_check "remove: packaged database file gone" lacks_file "$DATA\\MainDB\\Contacts.tdb"
t_eq "remove: customer data left in place" "$(file_text "$user_file")" "customer data"
t_eq "remove: update service -u before removal" "$(kit_log vezEdeRu.log | cut -f2 | tail -n1)" \
  'vezEdeRu.exe -u'
# The database update is a product of its own; the full setup does not know its code, the
# update program removes it.
run 'Update.exe S REMOVE DB'
t_eq "remove update: exit code" "$CODE" 0
t_eq "remove update: database update product gone" "$(state_of "$DB_PRO_UPDATE")" -1
t_eq "remove update: customer data still in place" "$(file_text "$user_file")" "customer data"

t_summary
