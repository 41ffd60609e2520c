#!/usr/bin/env bash
# Wall time of a silent first installation and a silent removal through the setup, against its
# floor: one process start standing for the setup itself (bench/bare_window.cpp /run), which
# makes the Windows Installer queries the setup makes and starts every program it starts, in the
# same order, by the same calls, with the same waits, and does nothing else. Both sides are one line of a batch run by cmd.exe, timed inside
# Wine (bench/timer.cpp) until every process they started has ended, also those started
# without a wait (the update service, a registration).
#
# The programs come from the setup's own log of an unmeasured run (%TEMP%\TSY Setup.log in the
# prefix): each "Process:" entry (created and waited for) and each "Shell open:" entry (opened
# through the shell, waited for as long as the log says); so do the Windows Installer queries the
# design has the setup make (each "Product ...: install state" entry: at start-up and again when
# the engine starts), which the stand-in makes the same way. They are not lines of the batch
# itself: cmd.exe can start a program without waiting for it only through `start`, which under
# Wine is one more process (start.exe) for each such line, a cost the setup does not have.
#
# Packages: demo (the kit's own) or real (the program package made by bench/real_package.sh,
# about 40 MB in 400 files). ROUNDS rounds (default 7), each running both sides, the setup
# first in odd rounds and the floor first in even ones; every installation and removal is
# checked with the product states. Prints the medians and the median of the rounds' ratios.
#
# Usage: bench/silent_install.sh demo|real [ROUNDS]
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/kit-env.sh"
. "$ROOT/bench/bench.bash"

SIZE=${1:-demo}
ROUNDS=${2:-7}
case "$SIZE" in demo|real) ;; *) echo "usage: $0 demo|real [ROUNDS]" >&2; exit 2 ;; esac
kit_ensure || setup_failed "no kit in $TSY_KIT (the Windows build failed)"
bench_tools
bench_root
trap bench_cleanup EXIT
start_xvfb
bench_prefix "$BENCH_ROOT/silent-$SIZE"

if [ -f "$TSY_KIT/tsy3p.msi" ]; then
  edition=Pro program=tsy3p.msi product=$PROD_PRO database=$DB_PRO
else
  edition=Lite program=tsy3l.msi product=$PROD_LITE database=$DB_LITE
fi
if [ "$SIZE" = real ]; then
  "$ROOT/bench/real_package.sh" "$WINEPREFIX/drive_c/Kit/$program" "$edition" \
    "$BENCH_ROOT/real-package" >/dev/null || setup_failed "the real-size package was not made"
fi
package_mb=$(du -m "$WINEPREFIX/drive_c/Kit/$program" | cut -f1)

temp=$("$WINE" cmd /c echo '%TEMP%' 2>/dev/null | tr -d '\r')
[ -n "$temp" ] || setup_failed "no %TEMP% in the prefix"
LOG=$(unix_path "$temp\\TSY Setup.log")

# batch NAME LINE...: C:\Kit\NAME.bat running the lines from C:\Kit.
batch() {
  local name=$1 line
  shift
  { printf '@echo off\r\ncd /d C:\\Kit\r\n'
    for line in "$@"; do printf '%s\r\n' "$line"; done; } >"$WINEPREFIX/drive_c/Kit/$name.bat"
}
# timed NAME: seconds for C:\Kit\NAME.bat, every process it started included. The files the
# run before it wrote (an installation writes the whole program package) are first flushed to
# disk: the kernel would otherwise write them back while this run is being timed.
timed() {
  local out
  sync
  out=$(timer run "cmd.exe /c C:\\Kit\\$1.bat")
  [[ "$out" =~ ^seconds\ ([0-9.]+) ]] || { echo "$out" >&2; setup_failed "no time for $1.bat"; }
  echo "${BASH_REMATCH[1]}"
}
installed() { [ "$(state_of "$product")" = 5 ] && [ "$(state_of "$database")" = 5 ]; }
removed() { [ "$(state_of "$product")" != 5 ] && [ "$(state_of "$database")" != 5 ]; }

# floor_programs: the programs one setup run started, from its log, in the stand-in's format
# (tab-separated; see bench/bare_window.cpp).
floor_programs() {
  tr -d '\r' <"$LOG" | awk '
    function flush() {
      if (kind == "process") printf "P\t%s\t%s\t%s\n", app, dir, cmd
      else if (kind == "shell") {
        # The file is a full path; the parameters follow the first ".exe ".
        i = index(tolower(cmd), ".exe ")
        file = i ? substr(cmd, 1, i + 3) : cmd
        params = i ? substr(cmd, i + 5) : ""
        printf "S\t%d\t%s\t%s\t%s\n", wait, dir, file, params
      }
      kind = ""
    }
    /^[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9:]+ \[[0-9]+\]  / {
      flush()
      sub(/^[^]]*\]  /, "")
      if (match($0, /^Product \{[-0-9A-Fa-f]+\}: install state/)) printf "Q\t%s\n", substr($0, 9, 38)
      else if (sub(/^Process: /, "")) { kind = "process"; cmd = $0; app = ""; dir = "" }
      else if (sub(/^Shell open: /, "")) { kind = "shell"; cmd = $0; dir = ""; wait = 0 }
      next
    }
    kind != "" && sub(/^ +Program file: /, "") { app = $0 }
    kind != "" && sub(/^ +Folder: /, "") { dir = $0 }
    kind == "shell" && match($0, /waited for up to [0-9]+ ms/) {
      wait = substr($0, RSTART + 17, RLENGTH - 20) + 0
    }
    END { flush() }'
}

# One unmeasured run of each: it warms the page cache and its log names the programs.
batch setup_in 'Setup.exe S PROGRAM DB'
batch setup_out 'Setup.exe S REMOVE PROGRAM DB'
rm -f "$LOG"
timed setup_in >/dev/null
installed || setup_failed "the setup did not install both packages ($(tail -n 3 "$LOG" 2>/dev/null | tr -d '\r'))"
floor_programs >"$WINEPREFIX/drive_c/Kit/floor_in.txt"
rm -f "$LOG"
timed setup_out >/dev/null
removed || setup_failed "the setup did not remove both packages ($(tail -n 3 "$LOG" 2>/dev/null | tr -d '\r'))"
floor_programs >"$WINEPREFIX/drive_c/Kit/floor_out.txt"
grep -c -i -P '^P\t.*\tmsiexec.exe /I ' "$WINEPREFIX/drive_c/Kit/floor_in.txt" | grep -qx 2 &&
  grep -c -i -P '^P\t.*\tmsiexec.exe /x ' "$WINEPREFIX/drive_c/Kit/floor_out.txt" | grep -qx 2 &&
  grep -c -P '^Q\t' "$WINEPREFIX/drive_c/Kit/floor_in.txt" | grep -qx 4 ||
  setup_failed "the setup's log does not show four Installer queries, two installations and two removals"
batch floor_in 'C:\Kit\bare_window.exe /run C:\Kit\floor_in.txt'
batch floor_out 'C:\Kit\bare_window.exe /run C:\Kit\floor_out.txt'
echo "floor: programs the setup started (program package $package_mb MB), P created and waited for, S opened through the shell and waited for so many ms:"
sed 's/^/  install: /' "$WINEPREFIX/drive_c/Kit/floor_in.txt" | tr '\t' ' '
sed 's/^/  remove:  /' "$WINEPREFIX/drive_c/Kit/floor_out.txt" | tr '\t' ' '
timed floor_in >/dev/null && installed || setup_failed "the floor's lines did not install both packages"
timed floor_out >/dev/null && removed || setup_failed "the floor's lines did not remove both packages"

# side NAME: install and removal through NAME_in and NAME_out; prints "IN OUT".
side() {
  local a b
  a=$(timed "$1_in") || exit 2
  installed || setup_failed "$1_in.bat did not install both packages"
  b=$(timed "$1_out") || exit 2
  removed || setup_failed "$1_out.bat did not remove both packages"
  echo "$a $b"
}
rows=()
for r in $(seq 1 "$ROUNDS"); do
  if [ $((r % 2)) = 1 ]; then
    s=$(side setup) && f=$(side floor) || exit 2
  else
    f=$(side floor) && s=$(side setup) || exit 2
  fi
  rows+=("$s $f")
  echo "$r $s $f" | awk '{printf "round %d: setup %.3f + %.3f s, floor %.3f + %.3f s, ratio %.3f\n", $1, $2, $3, $4, $5, ($2 + $3) / ($4 + $5)}'
done
col() { printf '%s\n' "${rows[@]}" | awk -v c="$1" '{print $c}' | median; }
tot() { printf '%s\n' "${rows[@]}" | awk -v a="$1" -v b="$2" '{print $a + $b}' | median; }
per_round=$(printf '%s\n' "${rows[@]}" | awk '{print ($1 + $2) / ($3 + $4)}' | median)
printf 'medians of %d (%s packages, program package %s MB):\n' "$ROUNDS" "$SIZE" "$package_mb"
printf '  install  setup %.3f s   floor %.3f s\n' "$(col 1)" "$(col 3)"
printf '  remove   setup %.3f s   floor %.3f s\n' "$(col 2)" "$(col 4)"
printf '  total    setup %.3f s   floor %.3f s   ratio %.3f\n' "$(tot 1 2)" "$(tot 3 4)" "$per_round"
echo "rounds' ratios, middle half: $(printf '%s\n' "${rows[@]}" | awk '{print ($1 + $2) / ($3 + $4)}' | quartiles)"
