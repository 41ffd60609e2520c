#!/usr/bin/env bash
# Wall time of a silent first installation and a silent removal through the setup, against the
# same msiexec.exe command lines run directly, in one Wine prefix. One warm-up cycle, then
# ROUNDS (default 5) cycles of each; prints the medians and the ratio setup / direct, and the
# floor: the direct lines after one more process start (what any setup in front of msiexec.exe
# costs at the least).
# Both sides are started the same way (lines of one batch file; cmd waits for each), so the
# ratio is the cost the setup adds: its start-up, product detection, the update service and the
# registrations.
set -uo pipefail
. "$(dirname "$0")/../scripts/kit-env.sh"

ROUNDS=${ROUNDS:-5}
PREFIX=${BENCH_PREFIX:-${TMPDIR:-/tmp}/tsy-bench}
kit_ensure || { echo "no kit in $TSY_KIT" >&2; exit 1; }
. "$(dirname "$0")/bare.bash"
bare_build || exit 1
kit_prefix "$PREFIX"
cp "$BARE" "$WINEPREFIX/drive_c/Kit/bare_window.exe"
display_start
trap 'display_stop; end_prefix' EXIT

# batch LINE...: runs the lines one after the other (each waited for) from C:\Kit. No `start`:
# it would re-quote the setup's package argument ("path"ALLUSERS=2) and break it.
batch() {
  local bat="$WINEPREFIX/drive_c/tsy_bench.bat" line
  { printf '@echo off\r\ncd /d C:\\Kit\r\n'
    for line in "$@"; do printf '%s\r\n' "$line"; done; } >"$bat"
  "$WINE" cmd /c 'C:\tsy_bench.bat' >/dev/null 2>&1
}
seconds() { local s e; s=$(date +%s.%N); "$@"; e=$(date +%s.%N); echo "$e - $s" | bc; }
median() { sort -n | awk '{a[NR]=$1} END{print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

# Warm-up through the setup, which also tells us its exact msiexec.exe command lines.
export KIT_TRACE="$PREFIX.trace"
rm -f "$KIT_TRACE"
WINEDEBUG=+process kit_run 'Setup.exe S PROGRAM DB' >/dev/null
WINEDEBUG=+process kit_run 'Setup.exe S REMOVE PROGRAM DB' >/dev/null
mapfile -t install_lines < <(started_commands "$KIT_TRACE" | grep -i '^msiexec.exe /I ')
mapfile -t remove_lines < <(started_commands "$KIT_TRACE" | grep -i '^msiexec.exe /x ')
unset KIT_TRACE
if [ ${#install_lines[@]} -ne 2 ] || [ ${#remove_lines[@]} -ne 2 ]; then
  echo "warm-up did not show the two install and two removal command lines" >&2
  exit 1
fi
printf 'direct command lines:\n'; printf '  %s\n' "${install_lines[@]}" "${remove_lines[@]}"
installed() { [ "$(state_of "$PROD_PRO")" = 5 ] && [ "$(state_of "$DB_PRO")" = 5 ]; }

# The floor of any setup that runs in front of msiexec.exe: the same lines after one more process
# start, of a program that ends at once.
EMPTY='bare_window.exe /exit'
setup_in=(); setup_out=(); direct_in=(); direct_out=(); floor_in=(); floor_out=()
for r in $(seq 1 "$ROUNDS"); do
  setup_in+=("$(seconds batch 'Setup.exe S PROGRAM DB')")
  installed || { echo "round $r: setup did not install" >&2; exit 1; }
  setup_out+=("$(seconds batch 'Setup.exe S REMOVE PROGRAM DB')")
  direct_in+=("$(seconds batch "${install_lines[@]}")")
  installed || { echo "round $r: msiexec did not install" >&2; exit 1; }
  direct_out+=("$(seconds batch "${remove_lines[@]}")")
  floor_in+=("$(seconds batch "$EMPTY" "${install_lines[@]}")")
  installed || { echo "round $r: msiexec did not install" >&2; exit 1; }
  floor_out+=("$(seconds batch "$EMPTY" "${remove_lines[@]}")")
  echo "round $r: setup ${setup_in[-1]} + ${setup_out[-1]} s, direct ${direct_in[-1]} + ${direct_out[-1]} s, floor ${floor_in[-1]} + ${floor_out[-1]} s"
done
m() { printf '%s\n' "$@" | median; }
si=$(m "${setup_in[@]}"); so=$(m "${setup_out[@]}"); di=$(m "${direct_in[@]}"); do_=$(m "${direct_out[@]}")
fi_=$(m "${floor_in[@]}"); fo=$(m "${floor_out[@]}")
st=$(echo "$si + $so" | bc); dt=$(echo "$di + $do_" | bc); ft=$(echo "$fi_ + $fo" | bc)
printf '\nmedians of %d (%s, wine64):\n' "$ROUNDS" "$TSY_WIN_ARCH"
printf '  install  setup %6.2f s   direct %6.2f s   ratio %.2f\n' "$si" "$di" "$(echo "$si / $di" | bc -l)"
printf '  remove   setup %6.2f s   direct %6.2f s   ratio %.2f\n' "$so" "$do_" "$(echo "$so / $do_" | bc -l)"
printf '  total    setup %6.2f s   direct %6.2f s   ratio %.2f\n' "$st" "$dt" "$(echo "$st / $dt" | bc -l)"
printf '  floor    one more process start before the direct lines: %.2f s   ratio %.2f\n' "$ft" "$(echo "$ft / $dt" | bc -l)"
