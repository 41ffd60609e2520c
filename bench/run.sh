#!/usr/bin/env bash
# The performance budget, measured in one run and printed as ratios against baselines taken in
# the same run, each with its goal as the pass mark:
#   silent install + removal through the setup / the same msiexec.exe lines run directly  <= 1.05
#   process start to wizard window mapped / a bare Win32 program opening a window          <= 1.20
#   shipped Update.exe (32-bit kit)                                                        <= 400 KB,
#     with no DLL outside Windows in its import table
#   native unit suite                                                                      <  5 s
# Medians of 5 after a warm-up. Exits 1 when any goal is missed. Usage: bench/run.sh  (or make bench)
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
. scripts/wine-env.sh
ROUNDS=${ROUNDS:-5}
missed=0
results=()

mark() {  # mark NAME VALUE GOAL-EXPRESSION(awk, v=value) GOAL-TEXT
  local ok
  ok=$(awk -v v="$2" "BEGIN { print ($3) ? \"pass\" : \"MISS\" }")
  [ "$ok" = pass ] || missed=1
  results+=("$(printf '%-44s %12s   goal %-10s %s' "$1" "$2" "$4" "$ok")")
}
info() {  # info NAME VALUE: a figure without a goal, for reading the ones that have one
  results+=("$(printf '%-44s %12s   (no goal: the floor of the design)' "$1" "$2")")
}
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

echo "== machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2/1048576}' /proc/meminfo), $("$WINE" --version 2>/dev/null), $TSY_WIN_ARCH build"

# 1. Size and imports of the product as the customer receives it: the 32-bit kit's program.
exe="$ROOT/build/win32/kit/Update.exe"
if [ -f "$exe" ]; then
  kb=$(( ($(stat -c %s "$exe") + 1023) / 1024 ))
  mark "shipped Update.exe (KB)" "$kb" "v <= 400" "<= 400"
  foreign=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p' |
            grep -v -i -x -E 'kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|ole32.dll|oleaut32.dll|comdlg32.dll|shlwapi.dll|msvcrt.dll' | wc -l)
  mark "imported DLLs outside Windows" "$foreign" "v == 0" "0"
else
  echo "no $exe: run make win32 first" >&2; missed=1
fi

# 2. The native unit suite.
suite="$ROOT/build/native/unit_tests"
if [ -x "$suite" ]; then
  "$suite" >/dev/null 2>&1  # warm-up
  t=$(for i in $(seq 1 "$ROUNDS"); do
        s=$(date +%s.%N); "$suite" >/dev/null 2>&1; e=$(date +%s.%N); echo "$e - $s" | bc
      done | median)
  mark "native unit suite (s)" "$(printf '%.2f' "$t")" "v < 5" "< 5"
else
  echo "no $suite: run make native first" >&2; missed=1
fi

# 3. Start-up to the wizard window, against a bare window.
out=$(bench/startup_time.sh "$ROUNDS" 2>&1)
echo "$out" | sed 's/^/  /'
line=$(echo "$out" | grep '^median of')
bare=$(echo "$line" | sed -n 's/.*bare window \([0-9.]*\) s.*/\1/p')
wiz=$(echo "$line" | sed -n 's/.*wizard \([0-9.]*\) s.*/\1/p')
floor=$(echo "$line" | sed -n 's/.*with the Installer queries \([0-9.]*\) s.*/\1/p')
if [ -n "$bare" ] && [ -n "$wiz" ]; then
  mark "start to wizard window / bare window" "$(awk -v a="$wiz" -v b="$bare" 'BEGIN {printf "%.2f", a / b}')" "v <= 1.2" "<= 1.20"
  [ -n "$floor" ] && info "  bare window after 2 Installer queries / bare" "$(awk -v a="$floor" -v b="$bare" 'BEGIN {printf "%.2f", a / b}')"
else
  missed=1
fi

# 4. Silent installation and removal, against msiexec.exe directly.
out=$(ROUNDS=$ROUNDS bench/silent_install.sh 2>&1)
echo "$out" | sed 's/^/  /'
ratio=$(echo "$out" | sed -n 's/^ *total .*ratio \([0-9.]*\)$/\1/p')
if [ -n "$ratio" ]; then
  mark "silent install + removal / msiexec directly" "$ratio" "v <= 1.05" "<= 1.05"
  floor=$(echo "$out" | sed -n 's/^ *floor .*ratio \([0-9.]*\)$/\1/p')
  [ -n "$floor" ] && info "  one empty process + msiexec / msiexec" "$floor"
else
  missed=1
fi

echo
echo "== performance budget (medians of $ROUNDS)"
printf '%s\n' "${results[@]}"
exit $missed
