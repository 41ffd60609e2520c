#!/usr/bin/env bash
# The demo packages themselves: product codes by edition and mode, what each carries, and how
# Wine's Windows Installer treats them when run directly (install, the same product from the
# update package, removal by package path).
set -uo pipefail
. "$(dirname "$0")/../../scripts/kit-env.sh"

MSI=$TSY_WIN_BUILD/msi
kit_ensure || { echo "no kit in $TSY_KIT"; echo "0 passed, 1 failed"; exit 1; }

prop() { msiinfo export "$MSI/$1.msi" Property 2>/dev/null | tr -d '\r' | awk -F'\t' -v p="$2" '$1==p{print $2}'; }
revision() { msiinfo suminfo "$MSI/$1.msi" 2>/dev/null | sed -n 's/^Revision number (UUID): //p'; }
files() { msiinfo export "$MSI/$1.msi" File 2>/dev/null | tr -d '\r' | awk -F'\t' 'NR>3{print $3}' | sort | tr '\n' ';'; }

# package  product code  (the setup's table)
while read -r pkg code; do
  t_eq "$pkg.msi product code" "$(prop "$pkg" ProductCode)" "$code"
  t_eq "$pkg.msi version" "$(prop "$pkg" ProductVersion)" 3.3.0
done <<LIST
tsy3p $PROD_PRO
tsy3p_update $PROD_PRO
tsy3db $DB_PRO
tsy3db_update $DB_PRO_UPDATE
tsy3l $PROD_LITE
tsy3l_update $PROD_LITE
tsy3dbl $DB_LITE
tsy3dbl_update $DB_LITE_UPDATE
LIST

for ed in p l; do
  t_check "tsy3${ed}_update.msi is a new package of the same product" \
    test "$(revision tsy3$ed)" != "$(revision tsy3${ed}_update)"
  t_eq "tsy3${ed}_update.msi keeps the upgrade code" "$(prop tsy3${ed}_update UpgradeCode)" \
    "$(prop tsy3$ed UpgradeCode)"
  t_eq "tsy3$ed.msi files" "$(files tsy3$ed)" 'mscomm32.ocx;tsy3.exe;tsyemail.dll;vezEdeRu.exe;'
done
t_eq "tsy3db.msi files" "$(files tsy3db)" \
  'Activity by Contact.rpt;Address Labels (8160).lbl;Business 10.env;Contacts.tdb;Invitation A7.env;Monarch.env;Phone List by Company.rpt;Phone List by Contact.rpt;'
t_eq "tsy3db_update.msi never carries the customer's database or templates" \
  "$(files tsy3db_update)" 'Contact List by Category.rpt;Update 3.3.0.sql;'

# The kit as the customer receives it.
for f in Setup.exe Update.exe 'TSY Setup.exe' tsy3p.msi tsy3db.msi tsy3p_update.msi \
         tsy3db_update.msi AccessDatabaseEngine2010_SP2.exe 'Package/tsy3p.msi' \
         'Package/tsy3db.msi' 'Package/tsy3p_update.msi' 'Package/tsy3db_update.msi' \
         'Package/AccessDatabaseEngine2010_SP2.exe'; do
  t_check "kit holds $f" test -f "$TSY_KIT/$f"
done

# Under Wine, run directly with the setup's command lines: the Lite pair, the same product again
# from its update package, and removal by package path.
PREFIX=${E2E_PREFIX:-/tmp/tsy-e2e-packages}
kit_prefix "$PREFIX"
trap 'end_prefix' EXIT
mkdir -p "$WINEPREFIX/drive_c/msi" && cp "$MSI"/*.msi "$WINEPREFIX/drive_c/msi/"
L='C:\Program Files (x86)\Tessary Contact Management Lite'
msi() { winbat "msiexec $1" | sed -n 's/^exit=//p'; }

t_eq "Lite program installs" "$(msi "/I \"C:\\msi\\tsy3l.msi\"ALLUSERS=2  TARGETDIR=\"$L\" /qn")" 0
t_eq "Lite database installs" "$(msi '/I "C:\msi\tsy3dbl.msi"ALLUSERS=2  TARGETDIR="C:\ProgramData" /qn')" 0
t_eq "Lite program state" "$(state_of "$PROD_LITE")" 5
t_eq "Lite database state" "$(state_of "$DB_LITE")" 5
t_check "Lite main program in its folder" has_file "$L\\tsy3.exe"
t_check "Lite database under Tessary Data" has_file 'C:\ProgramData\Tessary Data\MainDB\Contacts.tdb'
# A 64-bit stand-in in the 32-bit system folder still runs and registers under wine64.
t_eq "stand-in component registers from SysWOW64" \
  "$(winbat 'regsvr32 /s C:\windows\syswow64\tsyemail.dll' | sed -n 's/^exit=//p')" 0
t_check "registration observable" kit_registered tsyemail.dll
# Wine's msiexec takes /f with a package path as a product code: 1605, nothing changes.
t_eq "reinstall from the update package path (Wine: unknown product)" \
  "$(msi "/famus \"C:\\msi\\tsy3l_update.msi\" TARGETDIR=\"$L\" /qn")" 1605
t_eq "install of the update package over the same product" \
  "$(msi "/I \"C:\\msi\\tsy3l_update.msi\"ALLUSERS=2  TARGETDIR=\"$L\" /qn")" 0
t_eq "still one product" "$(state_of "$PROD_LITE")" 5
t_eq "removal by the full package path" \
  "$(msi "/x \"C:\\msi\\tsy3l.msi\"REMOVE=ALL  TARGETDIR=\"$L\" /qn")" 0
t_eq "Lite program gone" "$(state_of "$PROD_LITE")" -1
t_check "Lite main program removed" lacks_file "$L\\tsy3.exe"
t_eq "Lite database removal" \
  "$(msi '/x "C:\msi\tsy3dbl.msi"REMOVE=ALL REINSTALLMODE=aums  TARGETDIR="C:\ProgramData" /qn')" 0
t_eq "Lite database gone" "$(state_of "$DB_LITE")" -1

t_summary
