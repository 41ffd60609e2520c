#!/usr/bin/env bash
# A 3.0 installation (setting "Ver" = 3.0.2 and the customer's template files) followed by a
# silent database installation from the real kit: the listed templates get "rev30_", the new
# templates are installed beside them, and nothing is overwritten or lost.
set -uo pipefail
. "$(dirname "$0")/../../scripts/kit-env.sh"

PREFIX=${E2E_PREFIX:-/tmp/tsy-e2e-migration}
kit_ensure || { echo "no kit in $TSY_KIT"; echo "0 passed, 1 failed"; exit 1; }
kit_prefix "$PREFIX"
display_start
trap 'display_stop; end_prefix' EXIT
export KIT_TRACE="$PREFIX.trace"

T='C:\ProgramData\Tessary Data\Documents\Templates'
"$WINE" reg add "HKCU\\Software\\VB and VBA Program Settings\\$TSY_APP_KEY\\StartUp" /v Ver /d 3.0.2 /f >/dev/null 2>&1

# The 3.0 customer's files: each holds its own name, so a later overwrite or loss shows.
old_files=('Envelopes\Business 10.env' 'Envelopes\Old Style.env' 'Envelopes\rev30_Already.env'
           'Labels\Address Labels (8160).lbl' 'Reports\Activity by Contact.rpt'
           'Reports\Phone List by Contact.rpt' 'Reports\My Own Report.rpt')
for f in "${old_files[@]}"; do
  u=$(unix_path "$T\\$f")
  mkdir -p "$(dirname "$u")"
  printf '3.0 customer file %s\r\n' "$f" >"$u"
done

rm -f "$KIT_TRACE"
out=$(WINEDEBUG=+process,+msgbox kit_run 'Setup.exe S DB')
code=$(kit_exit "$out")
echo "-- Setup.exe S DB -> exit $code"
t_eq "exit code" "$code" 0
t_eq "database product installed" "$(state_of "$DB_PRO")" 5
t_eq "no message shown" "$(msgbox_texts "$KIT_TRACE")" ""

# name-after-the-run  name-before-the-run (the content it must hold)
while IFS='|' read -r now before; do
  t_eq "kept as $now" "$(file_text "$T\\$now")" "3.0 customer file $before"
done <<'LIST'
Envelopes\rev30_Business 10.env|Envelopes\Business 10.env
Envelopes\rev30_Old Style.env|Envelopes\Old Style.env
Envelopes\rev30_Already.env|Envelopes\rev30_Already.env
Labels\rev30_Address Labels (8160).lbl|Labels\Address Labels (8160).lbl
Reports\rev30_Activity by Contact.rpt|Reports\Activity by Contact.rpt
Reports\rev30_Phone List by Contact.rpt|Reports\Phone List by Contact.rpt
Reports\My Own Report.rpt|Reports\My Own Report.rpt
LIST
t_check "a prefixed envelope is not prefixed twice" lacks_file "$T\\Envelopes\\rev30_rev30_Already.env"
t_check "an absent report is not invented" lacks_file "$T\\Reports\\rev30_Phone List by Company.rpt"
for f in 'Envelopes\Business 10.env' 'Labels\Address Labels (8160).lbl' \
         'Reports\Activity by Contact.rpt' 'Reports\Phone List by Company.rpt' \
         'Reports\Phone List by Contact.rpt'; do
  t_contains "new template installed: $f" "$(file_text "$T\\$f")" "(demo sample)"
done
count=$(find "$(unix_path "$T")" -type f | wc -l)
t_eq "every template accounted for (7 kept + 7 installed)" "$count" 14
t_eq "DBPath saved" "$(kit_setting DBPath)" 'C:\ProgramData\Tessary Data\MainDB\'

t_summary
