#!/usr/bin/env bash
# The performance budget, measured in one run and printed as ratios against floors measured in
# the same run, each with its goal as the pass mark:
#   silent install + removal through the setup / its floor, program package of real size <= 1.05
#   the same with the kit's demo packages                                                 <= 1.10
#   process start to visible wizard window / the bare window after the two Installer queries
#                                                                                         <= 1.15
#   shipped Update.exe (32-bit kit)                                                       <= 380 KB,
#     with no DLL outside Windows in its import table
#   native unit suite                                                                     <  5 s
# The floors and the timer are described in bench/silent_install.sh and bench/startup_time.sh.
# All scratch lives in one new folder under $TMPDIR, removed at the end (TSY_KEEP=1 keeps it).
# Exits 1 when a goal is missed, 2 when a set-up step fails (with its reason).
# Usage: bench/run.sh  (or make bench); WINDOW_RUNS (90), DEMO_ROUNDS (15), REAL_ROUNDS (25).
# The round counts are what two runs in a row need to agree within 5 %: the window ratio of 45
# rounds moved by 0.033 (standard deviation, six 45-round stretches of one 270-round run), so two
# runs differed by more than 5 % about one time in five; four real-size runs of 15 rounds read
# 1.007 to 1.054.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
. scripts/kit-env.sh
. bench/bench.bash
WINDOW_RUNS=${WINDOW_RUNS:-90}
DEMO_ROUNDS=${DEMO_ROUNDS:-15}
REAL_ROUNDS=${REAL_ROUNDS:-25}
missed=0
results=()
began=$(date +%s)

bench_root
trap bench_cleanup EXIT

mark() {  # mark NAME VALUE GOAL-EXPRESSION(awk, v=value) GOAL-TEXT
  local ok
  ok=$(awk -v v="$2" "BEGIN { print ($3) ? \"pass\" : \"MISS\" }")
  [ "$ok" = pass ] || missed=1
  results+=("$(printf '%-52s %8s   goal %-8s %s' "$1" "$2" "$4" "$ok")")
}
info() { results+=("$(printf '%-52s %8s   %s' "$1" "$2" "$3")"); }
# steadiness NAME OUTPUT: the middle half of the rounds' ratios; wider than 10 % of the median
# means the machine was too busy for two runs to agree within 5 %.
busy=0
steadiness() {
  local q
  q=$(echo "$2" | sed -n "s/^rounds' .*middle half: \([0-9.]*\) \([0-9.]*\)$/\1 \2/p")
  [ -n "$q" ] || return 0
  set -- "$1" $q
  local wide
  wide=$(awk -v a="$2" -v b="$3" 'BEGIN {m = (a + b) / 2; print (b - a > 0.10 * m) ? 1 : 0}')
  [ "$wide" = 1 ] && busy=1
  info "  rounds' ratios, middle half" "$2-$3" "$([ "$wide" = 1 ] && echo "(wide: the machine was busy)" || echo "(steady)")"
}
part() {  # part NAME COMMAND...: runs a part, shows its output indented, keeps it in $out
  echo "== $1"
  out=$("${@:2}" 2>&1)
  local rc=$?
  echo "$out" | sed 's/^/  /'
  [ $rc -eq 0 ] || { echo "set-up failed: $1 ended with $rc" >&2; exit 2; }
}

echo "== machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2/1048576}' /proc/meminfo), load $(cut -d' ' -f1-3 /proc/loadavg), $("$WINE" --version 2>/dev/null), $TSY_WIN_ARCH build"

# 1. Size and imports of the product as the customer receives it: the 32-bit kit's program.
exe="$ROOT/build/win32/kit/Update.exe"
[ -f "$exe" ] || setup_failed "no $exe: run make win32 first"
kb=$(( ($(stat -c %s "$exe") + 1023) / 1024 ))
mark "shipped Update.exe (KB)" "$kb" "v <= 380" "<= 380"
foreign=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p' |
          grep -v -i -x -E 'kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|ole32.dll|oleaut32.dll|comdlg32.dll|shlwapi.dll|msvcrt.dll' | wc -l)
mark "imported DLLs outside Windows" "$foreign" "v == 0" "0"

# 2. The native unit suite.
suite="$ROOT/build/native/unit_tests"
[ -x "$suite" ] || setup_failed "no $suite: run make native first"
"$suite" >/dev/null 2>&1 || setup_failed "the unit suite fails"
t=$(for i in 1 2 3; do
      s=$(date +%s.%N); "$suite" >/dev/null 2>&1; e=$(date +%s.%N); echo "$e - $s" | bc
    done | median)
mark "native unit suite (s, median of 3)" "$(printf '%.2f' "$t")" "v < 5" "< 5"

# 3. Start-up to the visible wizard window, against its floor.
part "start to visible window, $WINDOW_RUNS runs each" bench/startup_time.sh "$WINDOW_RUNS"
w=$(echo "$out" | sed -n 's/^ratio wizard\/floor \([0-9.]*\)  floor\/bare \([0-9.]*\)$/\1 \2/p')
[ -n "$w" ] || setup_failed "no ratio from bench/startup_time.sh"
set -- $w
mark "start to visible wizard / floor" "$1" "v <= 1.15" "<= 1.15"
info "  floor (2 Installer queries + bare window) / bare" "$2" "(the floor holds the bare window)"
steadiness window "$out"

# 4. Silent installation and removal, against the floor, at real size and with the demo packages.
for size in real demo; do
  rounds=$REAL_ROUNDS goal=1.05
  [ "$size" = demo ] && rounds=$DEMO_ROUNDS goal=1.10
  part "silent install + removal, $size packages, $rounds rounds" bench/silent_install.sh "$size" "$rounds"
  r=$(echo "$out" | sed -n 's/^ *total .*ratio \([0-9.]*\)$/\1/p')
  [ -n "$r" ] || setup_failed "no ratio from bench/silent_install.sh $size"
  mark "silent install + removal / floor, $size packages" "$r" "v <= $goal" "<= $goal"
  steadiness "$size" "$out"
done

echo
echo "== performance budget (ratios against floors measured in this run; $(( $(date +%s) - began )) s)"
printf '%s\n' "${results[@]}"
[ "$busy" = 0 ] || echo "note: other work on the machine spread the rounds' ratios by more than 10 %; figures from such a run may differ from the next one's by more than 5 %"
exit $missed
