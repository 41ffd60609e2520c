# Sourced (it is not a suite itself) by the hardening suites: a fresh prefix with the kit, a
# private display whose message boxes are answered, a time limit for the whole suite, and a
# bounded run of one setup command line with what it started, showed and logged.
#
# Needs scripts/kit-env.sh (sourced here). Defines: hardening_begin, run, no_crash, log_size,
# log_since; sets KIT, LIMIT, SETTINGS and, once begun, PREFIX, KIT_TRACE, SETUP_LOG.

. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/kit-env.sh"

KIT='C:\Kit'
LIMIT=${HARDENING_TIMEOUT:-180}
SETTINGS="HKCU\\Software\\VB and VBA Program Settings\\$TSY_APP_KEY\\StartUp"
# What a suite must undo when it ends, however it ends (a command line, run by eval).
HARDENING_CLEANUP=:

# hardening_begin PREFIX: the prefix with the kit, the display (checked), the suite's time limit
# and the traps that take everything down again.
hardening_begin() {
  PREFIX=$1
  kit_ensure || { echo "no kit in $TSY_KIT"; echo "0 passed, 1 failed"; exit 1; }
  kit_prefix "$PREFIX"
  display_start
  t_check "a private X display is up ($DISPLAY)" bash -c "xdotool getdisplaygeometry >/dev/null"
  # The suite as a whole is bounded too: a hang anywhere ends it as a failure.
  ( sleep "${HARDENING_SUITE_LIMIT:-900}" </dev/null >/dev/null 2>&1
    echo "  FAIL  suite time limit reached"; kill -TERM $$ ) &
  HARDENING_WATCHDOG=$!
  trap 'exit 1' TERM
  trap 'kill $HARDENING_WATCHDOG 2>/dev/null; eval "$HARDENING_CLEANUP"; display_stop; end_prefix' EXIT
  export KIT_TRACE="$PREFIX.trace"
  local temp
  temp=$("$WINE" cmd /c 'echo %TEMP%' 2>/dev/null | tr -d '\r' | tail -n1)
  SETUP_LOG=$(unix_path "$temp\\TSY Setup.log")
}

log_size() { [ -f "$SETUP_LOG" ] && stat -c %s "$SETUP_LOG" || echo 0; }
# log_since SIZE: what the setup log gained after it had SIZE bytes.
log_since() { [ -f "$SETUP_LOG" ] && tail -c +$(($1 + 1)) "$SETUP_LOG" | tr -d '\r'; return 0; }

# run [FOLDER] LINE: runs LINE from FOLDER (default the kit) inside Wine, at most $LIMIT
# seconds; sets OUT, CODE, STARTED (programs started), MESSAGES (message boxes) and LOG (this
# run's part of the setup log).
run() {
  local folder=$KIT
  [ $# -ge 2 ] && { folder=$1; shift; }
  rm -f "$KIT_TRACE"
  local size bat="$WINEPREFIX/drive_c/tsy_hardening.bat"
  size=$(log_size)
  printf '@echo off\r\ncd /d %s\r\nstart "" /wait %s\r\necho exit=%%ERRORLEVEL%%\r\n' "$folder" "$1" >"$bat"
  OUT=$(WINEDEBUG=+process,+msgbox timeout "$LIMIT" "$WINE" cmd /c 'C:\tsy_hardening.bat' \
        2>>"$KIT_TRACE" | tr -d '\r')
  CODE=$(kit_exit "$OUT")
  STARTED=$(started_commands "$KIT_TRACE")
  MESSAGES=$(msgbox_texts "$KIT_TRACE")
  LOG=$(log_since "$size")
  if [ "$folder" = "$KIT" ]; then echo "-- $1 -> exit ${CODE:-none}"
  else echo "-- $1 (in $folder) -> exit ${CODE:-none}"; fi
}

# no_crash NAME: the run ended by itself, and neither Wine nor the setup reported a crash.
no_crash() {
  t_check "$1: ended by itself within ${LIMIT}s" test -n "$CODE"
  t_check "$1: no unhandled exception, no crash dialog" \
    bash -c "! grep -q -E 'Unhandled exception|Unhandled page fault|winedbg|EXCEPTION_ACCESS' '$KIT_TRACE'"
}
