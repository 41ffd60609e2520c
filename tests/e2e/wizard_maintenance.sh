#!/usr/bin/env bash
# The maintenance wizard of the real kit under Wine, driven with the keyboard in one fresh
# prefix: with the products installed, a second start opens the maintenance menu; Repair,
# Configure and Remove run through it; then a Network installation of the database alone
# finishes on the folders panel.
set -uo pipefail
. "$(dirname "$0")/wizard_lib.bash"

PREFIX=${E2E_PREFIX:-/tmp/tsy-e2e-wizard-maintenance}
kit_ensure || { echo "no kit in $TSY_KIT"; echo "0 passed, 1 failed"; exit 1; }
display_start
trap wiz_end EXIT
wiz_prefix "$PREFIX"

PROGRAM='C:\Program Files (x86)\Tessary Contact Management'
SYS='C:\windows\syswow64'

# The first installation, silently.
out=$(kit_run 'Setup.exe S PROGRAM DB OL')
t_eq "first installation: exit code" "$(kit_exit "$out")" 0

# --- Repair: the maintenance menu, then the repair and configuration panels -------------------
wiz_start 'Setup.exe'
t_check "repair: wizard window shown" wiz_window 120
# Alt+R is "&Repair" only on the maintenance menu; the install menu has no R.
wiz_key alt+r
# Program files ticked: Next leads to the configuration panel, where Finish is the default.
wiz_key Return Return
t_check "repair: window hidden while the engine runs" wiz_hidden 20
t_check "repair: process ends" wiz_wait 180
t_contains "repair: program reinstalled from its package" "$(wiz_commands)" \
  "msiexec.exe /famus \"C:\\Kit\\tsy3p.msi\" TARGETDIR=\"$PROGRAM\""
t_lacks "repair: database left alone (its box is empty)" "$(wiz_commands)" 'tsy3db.msi'
# Wine's msiexec cannot reinstall from a package path: the engine reports it and the wizard
# closes instead of showing the completion panel.
t_contains "repair: failure reported" "$(wiz_messages)" 'C:\Kit\tsy3p.msi'
t_eq "repair: exit code 1603" "$WIZ_EXIT" 1603
t_eq "repair: program still installed" "$(state_of "$PROD_PRO")" 5

# --- Configure: the Outlook interface only; the window closes after the run ------------------
wiz_start 'Setup.exe'
t_check "configure: wizard window shown" wiz_window 120
wiz_key alt+c Return
t_check "configure: process ends without a completion panel" wiz_wait 120
t_eq "configure: exit code 0" "$WIZ_EXIT" 0
t_contains "configure: e-mail interface registered" "$(wiz_commands)" "$SYS\\tsyemail.dll"
t_lacks "configure: no package run" "$(wiz_commands)" 'msiexec'
t_check "configure: tsyemail.dll registered" wait_for 10 kit_registered tsyemail.dll

# --- Remove: both boxes ticked, then the completion panel -------------------------------------
wiz_start 'Setup.exe'
t_check "remove: wizard window shown" wiz_window 120
wiz_key alt+v alt+d Return
t_check "remove: window hidden while the engine runs" wiz_hidden 20
t_check "remove: window back with the completion panel" wiz_window 180
t_eq "remove: program gone" "$(state_of "$PROD_PRO")" -1
t_eq "remove: database gone" "$(state_of "$DB_PRO")" -1
t_check "remove: main program gone" lacks_file "$PROGRAM\\tsy3.exe"
wiz_key Return
t_check "remove: Finish ends the wizard" wiz_wait 30
t_eq "remove: exit code 0" "$WIZ_EXIT" 0
t_check "remove: nothing started after a removal" \
  eval "! visible_window '^Tessary Contact Management\$'"

# --- Network install of the database alone ------------------------------------------------------
wiz_start 'Setup.exe'
t_check "network: install menu again after the removal" wiz_window 120
# Network Install: folders panel with the program box ticked. Alt+P clears it (its folder row is
# disabled), Tab reaches the database box, Space ticks it: Finish replaces Next.
wiz_key alt+n alt+p Tab space Return
t_check "network: window hidden while the engine runs" wiz_hidden 20
t_check "network: window back with the completion panel" wiz_window 180
t_eq "network: database installed" "$(state_of "$DB_PRO")" 5
t_eq "network: program not installed" "$(state_of "$PROD_PRO")" -1
t_lacks "network: program package not run" "$(wiz_commands)" 'tsy3p.msi'
# Alt+L clears the launch box: Finish then starts nothing.
wiz_key alt+l Return
t_check "network: Finish ends the wizard" wiz_wait 30
t_eq "network: exit code 0" "$WIZ_EXIT" 0

t_summary
