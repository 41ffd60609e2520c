#!/usr/bin/env bash
# Saved folders that no folder can have, with the real kit under Wine: "AppPath" or "DBPath"
# holding a quote, 10,000 characters, or control characters (tab, line break, escape, bell).
# Each is written with reg import and followed by a silent installation and by a start of the
# wizard that is cancelled at once. Nothing crashes; a quote is refused with the engine's own
# message before msiexec.exe ever sees it; every failure is told and ends with 1603.
set -uo pipefail
. "$(dirname "$0")/hardening_lib.bash"

BG=
HARDENING_CLEANUP='[ -n "$BG" ] && kill "$BG" 2>/dev/null'
hardening_begin "${E2E_PREFIX:-/tmp/tsy-e2e-hardening-settings}"
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v UseTakeFocus /d N /f >/dev/null 2>&1
WIZARD='Tessary Contact Management Install Wizard'
GOOD_APP='C:\Program Files (x86)\Tessary Contact Management'
GOOD_DB='C:\ProgramData\Tessary Data\MainDB\'

# saved APPPATH DBPATH: both settings, exactly as given (any character), through reg import.
saved() {
  python3 - "$WINEPREFIX/drive_c/tsy_settings.reg" "$SETTINGS" "$1" "$2" <<'PY'
import sys
out, key, app, db = sys.argv[1:]
def sz(v):
    data = (v + "\0").encode("utf-16-le")
    return "hex(1):" + ",".join("%02x" % b for b in data)
text = ("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER" + key[4:] + "]\r\n"
        + '"AppPath"=' + sz(app) + "\r\n" + '"DBPath"=' + sz(db) + "\r\n")
open(out, "wb").write(b"\xff\xfe" + text.encode("utf-16-le"))
PY
  "$WINE" reg import 'C:\tsy_settings.reg' >/dev/null 2>&1
}

# silent: a silent installation; sets CODE, STARTED, MESSAGES, LOG.
silent() { run 'Setup.exe S PROGRAM DB'; }

# wizard: starts the wizard, waits for its window and cancels it with Esc; sets SHOWN, CODE, LOG.
wizard() {
  # The previous run's message boxes must be gone, and the watcher past them, before the wizard
  # takes the focus: a key meant for a box must not reach the wizard.
  for i in $(seq 1 50); do
    xdotool search --onlyvisible --name '^TSY Setup$' >/dev/null 2>&1 || break
    sleep 0.1
  done
  sleep 2
  rm -f "$KIT_TRACE"
  local size i bat="$WINEPREFIX/drive_c/tsy_wizard.bat"
  size=$(log_size)
  printf '@echo off\r\ncd /d C:\\Kit\r\nstart "" /wait Setup.exe\r\necho exit=%%ERRORLEVEL%%\r\n' >"$bat"
  ( WINEDEBUG=+process,+msgbox timeout "$LIMIT" "$WINE" cmd /c 'C:\tsy_wizard.bat' \
      >"$PREFIX.wizard-out" 2>>"$KIT_TRACE" ) &
  BG=$!
  SHOWN=
  for i in $(seq 1 600); do
    SHOWN=$(xdotool search --onlyvisible --name "^$WIZARD\$" 2>/dev/null | head -n1)
    [ -n "$SHOWN" ] && break
    kill -0 "$BG" 2>/dev/null || break
    sleep 0.1
  done
  if [ -n "$SHOWN" ]; then
    sleep 1
    xdotool windowfocus --sync "$SHOWN" >/dev/null 2>&1
    xdotool key --clearmodifiers Escape
  fi
  for i in $(seq 1 300); do kill -0 "$BG" 2>/dev/null || break; sleep 0.1; done
  kill "$BG" 2>/dev/null
  wait "$BG" 2>/dev/null
  BG=
  CODE=$(tr -d '\r' <"$PREFIX.wizard-out" | sed -n 's/^exit=//p' | tail -n1)
  LOG=$(log_since "$size")
  echo "-- Setup.exe (wizard, Esc) -> exit ${CODE:-none}"
}

# wizard_case NAME: the wizard opens with these settings and Esc ends it as a cancel.
wizard_case() {
  wizard
  no_crash "$1, wizard"
  t_check "$1, wizard: the window opens" test -n "$SHOWN"
  t_eq "$1, wizard: Esc ends it as cancelled" "$CODE" 1602
  t_lacks "$1, wizard: nothing installed by opening it" "$LOG" "Process: msiexec"
}

forget() {
  "$WINE" msiexec /x "$PROD_PRO" /qn >/dev/null 2>&1
  "$WINE" msiexec /x "$DB_PRO" /qn >/dev/null 2>&1
}

QUOTE_REFUSED='SYS_Install: A folder or file name cannot contain the quote character (")'

# --- a quote in AppPath ------------------------------------------------------------------------
bad_app='C:\Program Files\TSY" /qn TARGETDIR="C:\Elsewhere'
saved "$bad_app" "$GOOD_DB"
silent
no_crash 'quote in AppPath'
t_eq "quote in AppPath: exit code" "$CODE" 1603
t_contains "quote in AppPath: refused with the engine's message" "$MESSAGES" "$QUOTE_REFUSED"
t_contains "quote in AppPath: the message names the folder" "$MESSAGES" "$bad_app"
t_lacks "quote in AppPath: msiexec never started" "$STARTED" "msiexec"
t_lacks "quote in AppPath: the log has no msiexec process" "$LOG" "Process: msiexec"
t_contains "quote in AppPath: the log tells the refusal" "$LOG" "$QUOTE_REFUSED"
t_eq "quote in AppPath: nothing installed" "$(state_of "$PROD_PRO") $(state_of "$DB_PRO")" "-1 -1"
t_check "quote in AppPath: C:\\Elsewhere never made" lacks_file 'C:\Elsewhere'
wizard_case 'quote in AppPath'

# --- a quote in DBPath -------------------------------------------------------------------------
bad_db='C:\Data" /qn TARGETDIR="C:\Elsewhere\MainDB\'
saved "$GOOD_APP" "$bad_db"
silent
no_crash 'quote in DBPath'
t_eq "quote in DBPath: exit code" "$CODE" 1603
t_contains "quote in DBPath: refused with the engine's message" "$MESSAGES" "$QUOTE_REFUSED"
t_contains "quote in DBPath: the program package ran first" "$STARTED" 'tsy3p.msi'
t_lacks "quote in DBPath: msiexec never given the database package" "$STARTED" "tsy3db.msi"
t_lacks "quote in DBPath: nor any folder with the quote" "$STARTED" 'Elsewhere'
t_eq "quote in DBPath: database not installed" "$(state_of "$DB_PRO")" -1
t_check "quote in DBPath: C:\\Elsewhere never made" lacks_file 'C:\Elsewhere'
t_eq "quote in DBPath: the setting is not rewritten" "$(kit_setting DBPath)" "$bad_db"
wizard_case 'quote in DBPath'
forget

# --- 10,000 characters -------------------------------------------------------------------------
long_app="C:\\$(printf '%9997s' '' | tr ' ' a)"
long_db="C:\\$(printf '%9989s' '' | tr ' ' d)\\MainDB\\"
t_eq "long: both settings are 10,000 characters" "${#long_app} ${#long_db}" "10000 10000"
saved "$long_app" "$long_db"
silent
no_crash long
t_eq "long: exit code" "$CODE" 1603
t_check "long: the failure is told" test -n "$MESSAGES"
t_lacks "long: no success claimed" "$MESSAGES$LOG" "successfully"
t_contains "long: the log tells the result" "$LOG" "Result: failed, exit code 1603"
t_eq "long: nothing installed" "$(state_of "$PROD_PRO") $(state_of "$DB_PRO")" "-1 -1"
t_eq "long: no version saved" "$(kit_setting Ver)" ""
wizard_case long
forget

# --- control characters ------------------------------------------------------------------------
ctrl_app=$'C:\\TSY\tTab\x01\x1b\r\nNext'
ctrl_db=$'C:\\Data\x07\x08\\MainDB\\'
saved "$ctrl_app" "$ctrl_db"
silent
no_crash 'control characters'
t_eq "control characters: exit code" "$CODE" 1603
t_check "control characters: the failure is told" test -n "$MESSAGES"
t_lacks "control characters: no success claimed" "$MESSAGES$LOG" "successfully"
t_eq "control characters: nothing installed" "$(state_of "$PROD_PRO") $(state_of "$DB_PRO")" "-1 -1"
t_check "control characters: no stray folder on drive C" \
  bash -c "! ls '$WINEPREFIX/drive_c' | grep -q -E '^(TSY|Data)'"
wizard_case 'control characters'

t_summary
