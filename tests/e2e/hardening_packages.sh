#!/usr/bin/env bash
# Packages that are there and yet unusable, and a setup folder too deep for MAX_PATH, with the
# real kit under Wine: a hidden package counts as missing, a truncated package is refused by
# msiexec and the refusal is told, a setup deep below MAX_PATH ends with a told failure.
# Nothing crashes and every failure ends with 1603.
set -uo pipefail
. "$(dirname "$0")/hardening_lib.bash"

hardening_begin "${E2E_PREFIX:-/tmp/tsy-e2e-hardening-packages}"

sum() { md5sum "$1" | cut -d' ' -f1; }

# --- a hidden package --------------------------------------------------------------------------
program_msi=$(unix_path "$KIT\\tsy3p.msi")
before=$(sum "$program_msi")
"$WINE" attrib +h "$KIT\\tsy3p.msi" >/dev/null 2>&1
attrs=$("$WINE" attrib "$KIT\\tsy3p.msi" 2>/dev/null | tr -d '\r')
t_contains "hidden: the package is marked hidden" "$attrs" "H"
run "$KIT" 'Setup.exe S PROGRAM DB OL'
no_crash hidden
t_eq "hidden: exit code" "$CODE" 1603
t_eq "hidden: the critical message, as for a missing package" "$MESSAGES" \
  'SYS_Install: Unable to open installation package: |C:\Kit\tsy3p.msi||NOTE: The installation file must be in the same directory as this setup program (Setup).|'
t_lacks "hidden: msiexec never started" "$STARTED" 'msiexec'
t_contains "hidden: the log tells the message" "$LOG" 'Unable to open installation package'
t_contains "hidden: the log tells the result" "$LOG" 'Result: failed, exit code 1603'
t_eq "hidden: program not installed" "$(state_of "$PROD_PRO")" -1
t_eq "hidden: no setting written" "$(kit_setting Ver)$(kit_setting DBPath)" ""
t_eq "hidden: the package itself untouched" "$(sum "$program_msi")" "$before"
"$WINE" attrib -h "$KIT\\tsy3p.msi" >/dev/null 2>&1

# --- a truncated package -----------------------------------------------------------------------
# The first half of the real database package: the header is right, the rest is gone.
db_msi=$(unix_path "$KIT\\tsy3db.msi")
cp "$db_msi" "$PREFIX.tsy3db.msi"
head -c $(($(stat -c %s "$db_msi") / 2)) "$PREFIX.tsy3db.msi" >"$db_msi"
direct=$(winbat "msiexec /I \"$KIT\\tsy3db.msi\" /qn" | sed -n 's/^exit=//p')
t_check "truncated: msiexec itself refuses the package (exit ${direct:-none})" \
  test "${direct:-0}" != 0
run "$KIT" 'Setup.exe S PROGRAM DB'
no_crash truncated
t_eq "truncated: exit code" "$CODE" 1603
t_contains "truncated: msiexec was given the package" "$STARTED" "msiexec.exe /I \"$KIT\\tsy3db.msi\""
t_contains "truncated: the failure names the package" "$MESSAGES" "$KIT\\tsy3db.msi"
t_contains "truncated: the failure gives msiexec's code" "$MESSAGES" "$direct"
t_lacks "truncated: no success claimed" "$MESSAGES$LOG" "successfully"
t_contains "truncated: the log has msiexec's exit code" "$LOG" "Result: exit code $direct"
t_eq "truncated: database not installed" "$(state_of "$DB_PRO")" -1
# A silent run always takes the program package too; it came before and stays done.
t_eq "truncated: the program package before it is installed" "$(state_of "$PROD_PRO")" 5
"$WINE" msiexec /x "$PROD_PRO" /qn >/dev/null 2>&1
cp "$PREFIX.tsy3db.msi" "$db_msi"
rm -f "$PREFIX.tsy3db.msi"

# --- a setup folder longer than MAX_PATH -------------------------------------------------------
# Twelve folders of 26 characters: "Setup.exe" lies 329 characters deep. Wine starts no program
# beyond MAX_PATH by any name (its executable search has a MAX_PATH buffer), so the setup
# never runs there: started by its \\?\ name, the start fails, nothing is installed, no crash.
deep='C:\Deep'
for i in $(seq -w 1 12); do deep="$deep\\level-$i-abcdefghijklmnop"; done
mkdir -p "$(unix_path "$deep")"
find "$(unix_path "$KIT")" -maxdepth 1 -type f -exec cp {} "$(unix_path "$deep")/" \;
t_check "deep: the setup path is longer than MAX_PATH ($((${#deep} + 10)) characters)" \
  test $((${#deep} + 10)) -gt 260
run 'C:\' "\"\\\\?\\$deep\\Setup.exe\" S PROGRAM DB"
no_crash 'deep, \\?\ name'
t_check "deep, \\\\?\\ name: the start is refused (exit $CODE)" test "${CODE:-0}" != 0
t_eq "deep, \\\\?\\ name: the setup never ran (no log entry)" "$LOG" ""
t_eq "deep, \\\\?\\ name: nothing installed" "$(state_of "$PROD_PRO") $(state_of "$DB_PRO")" "-1 -1"

# The deepest setup Wine can start: Update.exe in a folder of 245 characters (its own path has
# 256), where the package names take the paths past MAX_PATH. The package check cannot see
# them: the package is reported missing, with its whole path, and the run ends with 1603.
edge='C:\Edge'
while [ ${#edge} -lt 220 ]; do edge="$edge\\folder-abcdefghijklmnopq"; done
edge="$edge\\$(printf '%*s' $((245 - ${#edge} - 1)) '' | tr ' ' x)"
mkdir -p "$(unix_path "$edge")"
find "$(unix_path "$KIT")" -maxdepth 1 -type f -exec cp {} "$(unix_path "$edge")/" \;
package="$edge\\tsy3p_update.msi"
t_check "edge: Update.exe within MAX_PATH, its packages beyond (${#edge} + 11, + 17)" \
  test $((${#edge} + 11)) -lt 260 -a $((${#package})) -ge 260
run 'C:\' "\"$edge\\Update.exe\" S PROGRAM DB"
no_crash edge
t_eq "edge: exit code" "$CODE" 1603
t_contains "edge: the log names the setup's own deep path" "$LOG" "Program: $edge\\Update.exe"
t_contains "edge: the failure is told with the whole package path" "$LOG" \
  "Message box: SYS_Install: Unable to open installation package: 
        $package"
t_lacks "edge: msiexec never started" "$STARTED" 'msiexec'
t_eq "edge: nothing installed" "$(state_of "$PROD_PRO") $(state_of "$DB_PRO_UPDATE")" "-1 -1"
t_check "edge: the packages are still there" test -s "$(unix_path "$package")"

t_summary
