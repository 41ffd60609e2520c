#!/usr/bin/env bash
# `make demo`: a silent first installation from the kit, in a fresh Wine prefix, and a report of
# what it did: the command lines it started, products and install states, folders and files,
# settings, registered components, the update-service log and the exit code (read inside Wine).
set -uo pipefail
. "$(dirname "$0")/kit-env.sh"

DEMO_PREFIX=${DEMO_PREFIX:-${TMPDIR:-/tmp}/tsy-demo}
DEMO_COMMAND=${DEMO_COMMAND:-Setup.exe S PROGRAM DB OL}

# With a display to watch (DISPLAY set and answering), the demo opens the wizard of the kit's
# Setup.exe and reports what the user's choices did once the window closes. Without one, the
# demo is the silent run below, on a private display. DEMO_SILENT=1 forces the silent run.
have_display() {
  [ -n "${DISPLAY:-}" ] && [ -z "${DEMO_SILENT:-}" ] && command -v xdotool >/dev/null &&
    xdotool getdisplaygeometry >/dev/null 2>&1
}
demo_window() {
  have_display || return 1
  DEMO_COMMAND="Setup.exe"
  echo "demo: display $DISPLAY found: the wizard opens; install, repair or remove as you like."
  echo "      (DEMO_SILENT=1 make demo runs the silent installation instead)"
  return 0
}

section() { printf '\n== %s\n' "$1"; }

echo "demo: $TSY_WIN_ARCH build, kit $TSY_KIT"
kit_ensure || { echo "demo: the kit could not be built" >&2; exit 1; }

echo "demo: fresh prefix $DEMO_PREFIX"
kit_prefix "$DEMO_PREFIX"
trap 'display_stop; end_prefix' EXIT

# On the user's display the wizard's own message boxes are for the user to answer; the private
# display of the silent run has a watcher that answers them.
demo_window || display_start
export KIT_TRACE="$DEMO_PREFIX.trace"
rm -f "$KIT_TRACE"
section "C:\\Kit> $DEMO_COMMAND"
start=$(date +%s.%N)
out=$(WINEDEBUG=+process,+msgbox kit_run "$DEMO_COMMAND")
code=$(kit_exit "$out")
end=$(date +%s.%N)
printf 'exit code %s (%.1f s)\n' "$code" "$(echo "$end - $start" | bc 2>/dev/null || echo 0)"

section "Started by the setup"
started_commands "$KIT_TRACE" | sed 's/^/  /'
texts=$(msgbox_texts "$KIT_TRACE")
if [ -n "$texts" ]; then
  section "Messages shown (| = line break)"
  printf '%s\n' "$texts" | sed 's/^/  /'
fi

section "Products (install state: 5 installed, -1 absent)"
for code_ in "$PROD_PRO" "$DB_PRO" "$DB_PRO_UPDATE" "$PROD_LITE" "$DB_LITE" "$DB_LITE_UPDATE"; do
  line=$(kit_state "$code_")
  name=$("$WINE" 'C:\tsyprobe.exe' name "$code_" 2>/dev/null | tr -d '\r' | cut -d' ' -f2-)
  case "$line" in *" 5") echo "  $line  $name" ;; *) echo "  $line" ;; esac
done

section "Folders and files"
# The program folder as a 32-bit program sees it: "Program Files (x86)" in a 64-bit prefix,
# "Program Files" in a 32-bit one; the stand-ins land in the 32-bit system folder.
for pf in 'C:\Program Files (x86)' 'C:\Program Files'; do
  for dir in "$pf\Tessary Contact Management 3.0" "$pf\Tessary Contact Management" \
             "$pf\Tessary Contact Management Lite"; do
    u=$(unix_path "$dir")
    [ -d "$u" ] || continue
    echo "  $dir"
    (cd "$u" && find . -type f | sort | sed -e 's/^\.\//    /' -e 's/\//\\/g')
  done
done
u=$(unix_path 'C:\ProgramData\Tessary Data')
[ -d "$u" ] && echo '  C:\ProgramData\Tessary Data' &&
  (cd "$u" && find . -type f | sort | sed -e 's/^\.\//    /' -e 's/\//\\/g')
sys='C:\windows\syswow64'
[ -d "$(unix_path "$sys")" ] || sys='C:\windows\system32'
echo "  $sys (stand-ins)"
for f in vezEdeRu.exe tsyemail.dll mscomm32.ocx; do
  [ -f "$(unix_path "$sys\\$f")" ] && echo "    $f"
done

section "Settings: HKCU\\Software\\VB and VBA Program Settings\\$TSY_APP_KEY\\StartUp"
kit_reg "HKCU\\Software\\VB and VBA Program Settings\\$TSY_APP_KEY\\StartUp" |
  sed -n 's/^ *\([A-Za-z]*\) *REG_SZ *\(.*\)$/  \1 = \2/p'

section "Registered components (HKLM\\Software\\Morvane Software\\Registered)"
for c in tsyemail.dll mscomm32.ocx; do
  if kit_registered "$c"; then echo "  $c registered"; else echo "  $c not registered"; fi
done

section "Update service log ($STANDIN_LOGS\\vezEdeRu.log)"
kit_log vezEdeRu.log | sed 's/^/  /'
[ -n "$(kit_log vezEdeRu.log)" ] || echo "  (not started)"

printf '\ndemo: %s ended with exit code %s\n' "$DEMO_COMMAND" "$code"
# The silent installation must succeed; in the wizard the user may well choose Cancel.
[ "$DEMO_COMMAND" = Setup.exe ] || [ "$code" = 0 ]
