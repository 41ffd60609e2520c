#!/usr/bin/env bash
# Target folders that cannot be made, with the real kit under Wine: the saved program and
# database folders ("AppPath", "DBPath") under a parent nobody may write to, below a parent that
# does not exist yet, and on a drive that does not exist. msiexec.exe decides; the setup must
# tell every failure, end with 1603 and claim nothing it did not do. Nothing crashes.
#
# A folder that cannot be written is made with the Linux immutable attribute (chattr +i): Wine
# ignores the read-only attribute of folders, as Windows does, and this suite runs as root.
set -uo pipefail
. "$(dirname "$0")/hardening_lib.bash"

PREFIX=${E2E_PREFIX:-/tmp/tsy-e2e-hardening-folders}
# A run that was stopped half-way may have left its locked folder behind.
[ -d "$PREFIX" ] && chattr -R -i "$PREFIX" 2>/dev/null
LOCKED='C:\Locked'
unlock() { chattr -R -i "$(unix_path "$LOCKED")" 2>/dev/null; }
HARDENING_CLEANUP=unlock
hardening_begin "$PREFIX"

folders() {  # folders APPPATH DBPATH: the saved folders the next run starts from
  "$WINE" reg add "$SETTINGS" /v AppPath /d "$1" /f >/dev/null 2>&1
  "$WINE" reg add "$SETTINGS" /v DBPath /d "$2" /f >/dev/null 2>&1
}
forget() {  # removes what a run installed and what it saved, for the next case
  "$WINE" msiexec /x "$PROD_PRO" /qn >/dev/null 2>&1
  "$WINE" msiexec /x "$DB_PRO" /qn >/dev/null 2>&1
  "$WINE" reg delete "$SETTINGS" /f >/dev/null 2>&1
}
# msiexec's exit codes of this run, in order ("exit code N" lines of the setup log).
msi_codes() { printf '%s\n' "$LOG" | sed -n 's/^ *Result: exit code \([0-9]*\)$/\1/p' | tr '\n' ' '; }

# --- both folders under a parent nobody may write to ------------------------------------------
mkdir -p "$(unix_path "$LOCKED")"
printf 'kept\r\n' >"$(unix_path "$LOCKED\\readme.txt")"
chattr +i "$(unix_path "$LOCKED")"
t_check "locked: Windows cannot make a folder there" \
  bash -c "! '$WINE' cmd /c 'mkdir $LOCKED\\Probe' >/dev/null 2>&1 || [ ! -d '$(unix_path "$LOCKED\\Probe")' ]"
folders "$LOCKED\\TSY" "$LOCKED\\Data\\MainDB\\"
run "$KIT" 'Setup.exe S PROGRAM DB'
no_crash locked
echo "   msiexec exit codes: $(msi_codes)"
t_eq "locked: exit code" "$CODE" 1603
t_contains "locked: msiexec was given the program folder" "$STARTED" "TARGETDIR=\"$LOCKED\\TSY\""
t_contains "locked: msiexec was given the database folder" "$STARTED" "TARGETDIR=\"$LOCKED\\Data\""
t_check "locked: msiexec failed for both packages" \
  bash -c "[ \"\$(printf '%s\n' '$(msi_codes)' | tr ' ' '\n' | grep -c -v -E '^(0|)$')\" = 2 ]"
t_contains "locked: the program failure is told" "$MESSAGES" "$KIT\\tsy3p.msi"
t_contains "locked: the database failure is told" "$MESSAGES" "$KIT\\tsy3db.msi"
t_lacks "locked: no success claimed" "$MESSAGES$LOG" "successfully"
t_contains "locked: the log tells the result" "$LOG" "Result: failed, exit code 1603"
t_eq "locked: nothing installed" "$(state_of "$PROD_PRO") $(state_of "$DB_PRO")" "-1 -1"
t_eq "locked: the parent holds what it held" "$(ls "$(unix_path "$LOCKED")")" "readme.txt"
t_eq "locked: no version saved for a program that is not there" "$(kit_setting Ver)" ""
unlock
forget

# --- parents that do not exist yet ------------------------------------------------------------
# msiexec makes the whole chain of missing folders.
MISSING='C:\Missing\Parent\Chain'
folders "$MISSING\\TSY" "$MISSING\\Data\\MainDB\\"
run "$KIT" 'Setup.exe S PROGRAM DB'
no_crash missing
echo "   msiexec exit codes: $(msi_codes)"
t_eq "missing parents: exit code" "$CODE" 0
t_eq "missing parents: no message" "$MESSAGES" ""
t_eq "missing parents: both installed" "$(state_of "$PROD_PRO") $(state_of "$DB_PRO")" "5 5"
t_check "missing parents: the program in the new folder" has_file "$MISSING\\TSY\\tsy3.exe"
t_check "missing parents: the database in the new folder" \
  has_file "$MISSING\\Data\\Tessary Data\\MainDB\\Contacts.tdb"
t_eq "missing parents: DBPath saved" "$(kit_setting DBPath)" "$MISSING\\Data\\MainDB\\"
forget

# --- a drive that does not exist --------------------------------------------------------------
folders 'Q:\TSY' 'Q:\Data\MainDB\'
run "$KIT" 'Setup.exe S PROGRAM DB'
no_crash 'no drive'
echo "   msiexec exit codes: $(msi_codes)"
t_eq "no drive: exit code" "$CODE" 1603
t_contains "no drive: the program failure is told" "$MESSAGES" "$KIT\\tsy3p.msi"
t_contains "no drive: the database failure is told" "$MESSAGES" "$KIT\\tsy3db.msi"
t_lacks "no drive: no success claimed" "$MESSAGES$LOG" "successfully"
t_eq "no drive: nothing installed" "$(state_of "$PROD_PRO") $(state_of "$DB_PRO")" "-1 -1"
t_eq "no drive: no version saved" "$(kit_setting Ver)" ""

t_summary
