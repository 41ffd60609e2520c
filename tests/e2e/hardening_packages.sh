#!/usr/bin/env bash
# Packages that are there and yet unusable, and a setup folder too deep for MAX_PATH, with the
# real kit under Wine: a hidden package counts as missing, a truncated package is refused by
# msiexec and the refusal is told, a setup deep below MAX_PATH ends with a told failure.
# Nothing crashes and every failure ends with 1603.
set -uo pipefail
. "$(dirname "$0")/../../scripts/kit-env.sh"

PREFIX=${E2E_PREFIX:-/tmp/tsy-e2e-hardening-packages}
# display_up: a private display whose message boxes are answered with Enter, and a check that
# it came up.
display_up() {
  display_start
  t_check "a private X display is up ($DISPLAY)" bash -c "xdotool getdisplaygeometry >/dev/null"
}

kit_ensure || { echo "no kit in $TSY_KIT"; echo "0 passed, 1 failed"; exit 1; }
kit_prefix "$PREFIX"
display_up
# The suite as a whole is bounded too: a hang anywhere ends it as a failure.
( sleep "${HARDENING_SUITE_LIMIT:-900}" </dev/null >/dev/null 2>&1; echo "  FAIL  suite time limit reached"; kill -TERM $$ ) &
WATCHDOG=$!
trap 'exit 1' TERM
trap 'kill $WATCHDOG 2>/dev/null; display_stop; end_prefix' EXIT
export KIT_TRACE="$PREFIX.trace"
KIT='C:\Kit'
LIMIT=${HARDENING_TIMEOUT:-180}

TEMP_DIR=$("$WINE" cmd /c 'echo %TEMP%' 2>/dev/null | tr -d '\r' | tail -n1)
SETUP_LOG=$(unix_path "$TEMP_DIR\\TSY Setup.log")

# run FOLDER LINE: runs LINE from FOLDER inside Wine, at most $LIMIT seconds; sets OUT, CODE,
# STARTED (programs started), MESSAGES (message boxes) and LOG (this run's part of the setup log).
run() {
  rm -f "$KIT_TRACE"
  local size=0 bat="$WINEPREFIX/drive_c/tsy_hardening.bat"
  [ -f "$SETUP_LOG" ] && size=$(stat -c %s "$SETUP_LOG")
  printf '@echo off\r\ncd /d %s\r\nstart "" /wait %s\r\necho exit=%%ERRORLEVEL%%\r\n' "$1" "$2" >"$bat"
  OUT=$(WINEDEBUG=+process,+msgbox timeout "$LIMIT" "$WINE" cmd /c 'C:\tsy_hardening.bat' \
        2>>"$KIT_TRACE" | tr -d '\r')
  CODE=$(kit_exit "$OUT")
  STARTED=$(started_commands "$KIT_TRACE")
  MESSAGES=$(msgbox_texts "$KIT_TRACE")
  LOG=""
  [ -f "$SETUP_LOG" ] && LOG=$(tail -c +$((size + 1)) "$SETUP_LOG" | tr -d '\r')
  echo "-- $2 (in $1) -> exit ${CODE:-none}"
}

# no_crash NAME: the run ended by itself, and neither Wine nor the setup reported a crash.
no_crash() {
  t_check "$1: ended by itself within ${LIMIT}s" test -n "$CODE"
  t_check "$1: no unhandled exception, no crash dialog" \
    bash -c "! grep -q -E 'Unhandled exception|Unhandled page fault|winedbg|EXCEPTION_ACCESS' '$KIT_TRACE'"
}

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
