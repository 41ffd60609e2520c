#!/usr/bin/env bash
# A 3.0 installation whose template folders already hold a "rev30_" twin of a customer file in
# every category (envelope, label, report), followed by a silent installation from the real kit
# under Wine. The rename cannot take a name that is taken: the original keeps its name, the twin
# keeps its content, and neither is overwritten or lost. Nothing crashes.
set -uo pipefail
. "$(dirname "$0")/hardening_lib.bash"

hardening_begin "${E2E_PREFIX:-/tmp/tsy-e2e-hardening-migration}"

T='C:\ProgramData\Tessary Data\Documents\Templates'
"$WINE" reg add "HKCU\\Software\\VB and VBA Program Settings\\$TSY_APP_KEY\\StartUp" /v Ver /d 3.0.2 /f >/dev/null 2>&1

# The customer's files: each holds its own name, so an overwrite or a loss shows. Every category
# has a file whose "rev30_" twin is already there: that file takes the next free prefixed name,
# and the report after it is still renamed.
files=('Envelopes\Business 10.env' 'Envelopes\rev30_Business 10.env'
       'Labels\Address Labels (8160).lbl' 'Labels\rev30_Address Labels (8160).lbl'
       'Reports\Activity by Contact.rpt' 'Reports\rev30_Activity by Contact.rpt'
       'Reports\Phone List by Contact.rpt')
for f in "${files[@]}"; do
  u=$(unix_path "$T\\$f")
  mkdir -p "$(dirname "$u")"
  printf '3.0 customer file %s\r\n' "$f" >"$u"
done

run 'Setup.exe S DB'
no_crash 'S DB'
# renamed ENTRY: the setup log has this rename, and it succeeded.
renamed() { printf '%s\n' "$LOG" | grep -F -- "$1" | grep -q -v -F '(failed)'; }
t_eq "exit code" "$CODE" 0
t_eq "database product installed" "$(state_of "$DB_PRO")" 5
t_eq "no message shown (a failed rename is told in debug mode only)" "$MESSAGES" ""
for f in 'Envelopes\Business 10.env' 'Labels\Address Labels (8160).lbl' 'Reports\Activity by Contact.rpt'; do
  name=${f#*\\}
  folder=${f%%\\*}
  t_contains "the twin of $name refused the first name" "$LOG" \
    "Rename $T\\$folder\\$name -> $T\\$folder\\rev30_$name (failed)"
  t_check "$name took the next free name" renamed \
    "Rename $T\\$folder\\$name -> $T\\$folder\\rev30_(2) $name"
done
t_check "the report after the twin is still renamed" renamed \
  "Rename $T\\Reports\\Phone List by Contact.rpt -> $T\\Reports\\rev30_Phone List by Contact.rpt"

# Every customer file is still there with its own content: the twins where they were, the
# others under their prefixed names. The package's templates take the original names.
for f in "${files[@]}"; do
  name=${f#*\\}
  folder=${f%%\\*}
  case "$name" in
    rev30_*) now=$f ;;
    'Phone List by Contact.rpt') now="$folder\\rev30_$name" ;;
    *) now="$folder\\rev30_(2) $name" ;;
  esac
  t_eq "kept: $f (now $now)" "$(file_text "$T\\$now")" "3.0 customer file $f"
done
t_check "nothing prefixed twice" bash -c "! find '$(unix_path "$T")' -name 'rev30_rev30_*' | grep -q ."
for f in 'Reports\Phone List by Company.rpt' 'Envelopes\Monarch.env'; do
  t_contains "a template the customer did not have is installed: $f" "$(file_text "$T\\$f")" "(demo sample)"
done

t_summary
