#!/usr/bin/env bash
# The install wizard of the real kit under Wine, driven with the keyboard in one fresh prefix:
# Esc and the close box leave the machine untouched, a forbidden character keeps the wizard on
# the folders panel, and a Single User installation installs both products and starts the
# installed program from the completion panel.
set -uo pipefail
. "$(dirname "$0")/wizard_lib.bash"

PREFIX=${E2E_PREFIX:-/tmp/tsy-e2e-wizard-install}
kit_ensure || { echo "no kit in $TSY_KIT"; echo "0 passed, 1 failed"; exit 1; }
display_start
trap wiz_end EXIT
wiz_prefix "$PREFIX"

PROGRAM='C:\Program Files (x86)\Tessary Contact Management'

untouched() {
  t_eq "$1: program not installed" "$(state_of "$PROD_PRO")" -1
  t_eq "$1: database not installed" "$(state_of "$DB_PRO")" -1
  t_eq "$1: no installer started" "$(wiz_commands)" ""
  t_eq "$1: no setting saved" "$(kit_setting Ver)" ""
}

# --- Esc on the install menu ---------------------------------------------------------------
wiz_start 'Setup.exe'
t_check "Esc: wizard window shown" wiz_window 120
wiz_key Escape
t_check "Esc: process ends" wiz_wait 20
t_eq "Esc: exit code 1602 (cancelled)" "$WIZ_EXIT" 1602
untouched "Esc"

# --- the close box ---------------------------------------------------------------------------
wiz_start 'Setup.exe'
t_check "close box: wizard window shown" wiz_window 120
wiz_key alt+n
wiz_key alt+F4
t_check "close box: process ends" wiz_wait 20
t_eq "close box: exit code 1602 (cancelled)" "$WIZ_EXIT" 1602
untouched "close box"

# --- a forbidden character in the program folder ----------------------------------------------
wiz_start 'Setup.exe'
t_check "bad folder: wizard window shown" wiz_window 120
# Network Install opens the folders panel; the program box, ticked twice, keeps the focus, and
# Tab moves on into its folder text, selecting it all.
wiz_key alt+n alt+p alt+p Tab
wiz_type 'C:\Bad|Name'
t_eq "bad folder: nothing red before the check" "$(wiz_red_pixels 720 3420 4815 315)" 0
wiz_key Return
wiz_settle 1
t_contains "bad folder: message box names the character" "$(wiz_messages)" \
  "Sorry, certain characters like '  |  ' are not allowed"
t_contains "bad folder: message box lists the forbidden characters" "$(wiz_messages)" \
  'are not allowed in Windows Folder Names||Please enter a valid folder name'
# txPath(1) on panel 7 (at 480, 2580 on the form); lbErr in the banner (at 60, 60).
# On a loaded machine the repaint after the message box may come a moment later.
for i in $(seq 1 15); do
  red_text=$(wiz_red_pixels 720 3420 4815 315)
  red_line=$(wiz_red_pixels 300 4980 6615 195)
  [ "$red_text" -gt 20 ] && [ "$red_line" -gt 20 ] && break
  sleep 0.2
done
t_check "bad folder: folder text drawn red ($red_text pixels)" test "$red_text" -gt 20
t_check "bad folder: error line shown in red ($red_line pixels)" test "$red_line" -gt 50
t_check "bad folder: wizard still open" wiz_window 1
# Enter again runs the same check, and the wizard stays on the folders panel.
wiz_key Return
wiz_settle 2
for i in $(seq 1 15); do
  red_text=$(wiz_red_pixels 720 3420 4815 315)
  [ "$red_text" -gt 20 ] && break
  sleep 0.2
done
t_check "bad folder: Next again stays on the folders panel" test "$red_text" -gt 20
t_eq "bad folder: one message box for each Enter" "$(wiz_messages | grep -c .)" 2
wiz_key Escape
# Under load Wine may not yet have handed the keyboard back from the answered box: a key that
# found no taker is pressed again (a second Esc cannot do more than the first).
wiz_wait 5 || { wiz_settle; wiz_key Escape; }
t_check "bad folder: Esc ends the process" wiz_wait 20
t_eq "bad folder: exit code 1602 (cancelled)" "$WIZ_EXIT" 1602
untouched "bad folder"

# --- Single User installation ----------------------------------------------------------------
wiz_start 'Setup.exe'
t_check "single user: wizard window shown" wiz_window 120
wiz_key alt+s Return
t_check "single user: window hidden while the engine runs" wiz_hidden 20
t_check "single user: window back with the completion panel" wiz_window 180
t_eq "single user: program installed" "$(state_of "$PROD_PRO")" 5
t_eq "single user: database installed" "$(state_of "$DB_PRO")" 5
t_check "single user: main program in the program folder" has_file "$PROGRAM\\tsy3.exe"
t_contains "single user: program package installed" "$(wiz_commands)" \
  "msiexec.exe /I \"C:\\Kit\\tsy3p.msi\"ALLUSERS=2  TARGETDIR=\"$PROGRAM\""
t_contains "single user: database package installed" "$(wiz_commands)" \
  'msiexec.exe /I "C:\Kit\tsy3db.msi"ALLUSERS=2  TARGETDIR="C:\ProgramData"'
t_eq "single user: EmailForm saved (Outlook box ticked)" "$(kit_setting EmailForm)" 12
t_eq "single user: no message shown" "$(wiz_messages)" ""
# The launch box is ticked: Enter presses Finish, which starts the installed program.
wiz_key Return
t_check "single user: wizard ends" wiz_wait 30
t_eq "single user: exit code 0" "$WIZ_EXIT" 0
t_check "single user: installed program started" \
  wait_for 20 visible_window '^Tessary Contact Management$'

t_summary
