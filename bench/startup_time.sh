#!/usr/bin/env bash
# Start-up time of the wizard against a bare Win32 program, measured in one run under Wine and
# Xvfb: from starting the process to its window being mapped (visible on the X display), five
# times each, alternating, with a warm Wine server; prints every time and the medians. A third
# program shows the floor of the design: the bare window opened only after the two Windows
# Installer queries that the setup must make before its window (bare_window.exe /installer).
#
# Usage: bench/startup_time.sh [RUNS]   (default 5)
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/kit-env.sh"

RUNS=${1:-5}
kit_ensure || { echo "no kit in $TSY_KIT"; exit 1; }
. "$ROOT/bench/bare.bash"
bare_build || exit 1

display_start
trap wiz_end EXIT
wiz_prefix "${BENCH_PREFIX:-${TMPDIR:-/tmp}/tsy-bench-startup}"
cp "$BARE" "$WINEPREFIX/drive_c/Kit/bare_window.exe"
"$WINESERVER" -p   # stays up between runs: every run starts against a warm server

# mapped_after PROGRAM TITLE [ARGUMENT]: seconds from starting C:\Kit\PROGRAM to a visible
# window TITLE.
mapped_after() {
  local start end pid i
  start=$(date +%s.%N)
  ( cd "$WINEPREFIX/drive_c/Kit" && exec "$WINE" "C:\\Kit\\$1" ${3:+"$3"} >/dev/null 2>&1 ) &
  pid=$!
  for i in $(seq 1 3000); do
    xdotool search --onlyvisible --name "$2" >/dev/null 2>&1 && break
    sleep 0.01
  done
  end=$(date +%s.%N)
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  # Let the killed process leave before the next start.
  for i in $(seq 1 100); do
    xdotool search --onlyvisible --name "$2" >/dev/null 2>&1 || break
    sleep 0.05
  done
  echo "$start $end" | awk '{printf "%.3f", $2 - $1}'
}

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

# One unmeasured start of each, so that both find the prefix's files in the page cache.
mapped_after bare_window.exe '^Bare Window$' >/dev/null
mapped_after bare_window.exe '^Bare Window$' /installer >/dev/null
mapped_after Setup.exe "$WIZ_TITLE" >/dev/null

bare=()
floor=()
wizard=()
for run in $(seq 1 "$RUNS"); do
  bare+=("$(mapped_after bare_window.exe '^Bare Window$')")
  floor+=("$(mapped_after bare_window.exe '^Bare Window$' /installer)")
  wizard+=("$(mapped_after Setup.exe "$WIZ_TITLE")")
  echo "run $run: bare window ${bare[-1]} s, with the Installer queries ${floor[-1]} s, wizard ${wizard[-1]} s"
done
mb=$(median "${bare[@]}")
mf=$(median "${floor[@]}")
mw=$(median "${wizard[@]}")
echo "median of $RUNS: bare window $mb s, with the Installer queries $mf s, wizard $mw s, difference $(awk -v a="$mw" -v b="$mb" 'BEGIN {printf "%.3f", a - b}') s"
