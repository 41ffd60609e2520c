#!/usr/bin/env bash
# Start-up time of the wizard, measured inside Wine by bench/timer.cpp: from starting the
# process to its top-level window being visible, for three programs in turn:
#   bare    bare_window.exe, which only opens a window;
#   floor   bare_window.exe /installer: the two Windows Installer queries that the setup's
#           start-up must make, then the same window (so the floor contains the bare window);
#   wizard  the kit's Setup.exe, up to its wizard window.
# One unmeasured start of each, then RUNS rounds (default 15), each beginning with the next
# program in turn. Prints min and median of each, and the ratios as the median of the rounds'
# own ratios: the three starts of a round follow each other within a second, so a spell in
# which the whole machine runs slower (a busy host) slows all three alike and cancels.
#
# Usage: bench/startup_time.sh [RUNS]
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/kit-env.sh"
. "$ROOT/bench/bench.bash"

RUNS=${1:-15}
kit_ensure || setup_failed "no kit in $TSY_KIT (the Windows build failed)"
bench_tools
bench_root
trap bench_cleanup EXIT
start_xvfb
bench_prefix "$BENCH_ROOT/startup"

# The edition's two product codes, as the setup asks for them.
if [ -f "$TSY_KIT/tsy3p.msi" ]; then codes="$PROD_PRO $DB_PRO"; else codes="$PROD_LITE $DB_LITE"; fi
out=$(timer window "$RUNS" 'C:\Kit\bare_window.exe' "C:\\Kit\\bare_window.exe /installer $codes" \
      'C:\Kit\Setup.exe')
rc=$?
[ $rc -eq 0 ] || { echo "$out" >&2; setup_failed "the window timer ended with $rc"; }

names=(bare floor wizard)
declare -A med
for i in 0 1 2; do
  samples=$(echo "$out" | awk -v i="$i" '$1 == "sample" && $2 == i {print $3}')
  n=$(echo "$samples" | grep -c .)
  med[$i]=$(echo "$samples" | median)
  printf '%-7s %2d runs   min %.3f s   median %.3f s\n' "${names[$i]}" "$n" \
    "$(echo "$samples" | sort -g | head -n1)" "${med[$i]}"
done
# round_ratios A B: each round's time of program A over program B's.
round_ratios() { echo "$out" | awk -v a="$1" -v b="$2" '$1 == "sample" {t[$2] = $3; if (++n % 3 == 0) print t[a] / t[b]}'; }
echo "rounds' wizard/floor ratios, middle half: $(round_ratios 2 1 | quartiles)"
echo "ratio wizard/floor $(round_ratios 2 1 | median | xargs printf '%.3f')  floor/bare $(round_ratios 1 0 | median | xargs printf '%.3f')"
