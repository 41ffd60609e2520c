# Sourced by the bench scripts (after scripts/kit-env.sh).
#   bench_tools          compiles the bench's own Windows programs for the Wine build in use
#                        (bench/bare_window.cpp, bench/timer.cpp) and sets BARE and TIMER;
#   bench_root           the run's scratch root BENCH_ROOT, made under $TMPDIR unless the caller
#                        (bench/run.sh) made one; bench_cleanup removes it again;
#   bench_prefix DIR     a fresh prefix with the kit in C:\Kit and the bench programs beside it,
#                        and Wine kept up between runs (its server and its own background
#                        processes, held by an idle program): every sample meets a warm one;
#   median, quartiles    arithmetic on the samples.
# A step that fails stops the script with "set-up failed: ..." (scripts/wine-env.sh).

bench_tools() {
  local cxx=x86_64-w64-mingw32-g++-posix dir src
  [ "$TSY_WIN_ARCH" = win32 ] && cxx=i686-w64-mingw32-g++-posix
  src=$(dirname "${BASH_SOURCE[0]}")
  dir="$TSY_WIN_BUILD/bench"
  BARE="$dir/bare_window.exe"
  TIMER="$dir/timer.exe"
  mkdir -p "$dir" || setup_failed "cannot make $dir"
  # The baseline has the same static runtime as Update.exe.
  "$cxx" -std=c++20 -O2 -s -mwindows -static -static-libgcc -static-libstdc++ \
    -o "$BARE" "$src/bare_window.cpp" -lole32 -loleaut32 -luuid ||
    setup_failed "cannot compile bench/bare_window.cpp"
  "$cxx" -std=c++20 -O2 -s -municode -static -static-libgcc -static-libstdc++ \
    -o "$TIMER" "$src/timer.cpp" || setup_failed "cannot compile bench/timer.cpp"
}

bench_root() {
  if [ -z "${BENCH_ROOT:-}" ]; then
    mkdir -p "${TMPDIR:-/tmp}" || setup_failed "cannot make ${TMPDIR:-/tmp}"
    BENCH_ROOT=$(mktemp -d "${TMPDIR:-/tmp}/tsy-bench.XXXXXX") ||
      setup_failed "no scratch folder in ${TMPDIR:-/tmp}"
    BENCH_OWN_ROOT=1
  fi
  export BENCH_ROOT
}

# bench_cleanup: ends the prefix's Wine server and the display, and removes the scratch root
# when this script made it (TSY_KEEP=1 keeps it).
bench_cleanup() {
  [ -n "${WINEPREFIX:-}" ] && "$WINESERVER" -k >/dev/null 2>&1
  display_stop
  if [ "${BENCH_OWN_ROOT:-0}" = 1 ] && [ "${TSY_KEEP:-0}" != 1 ]; then rm -rf "$BENCH_ROOT"; fi
  return 0
}

bench_prefix() {
  kit_prefix "$1"
  cp "$BARE" "$TIMER" "$WINEPREFIX/drive_c/Kit/" || setup_failed "cannot copy the bench programs"
  "$WINESERVER" -p || setup_failed "the Wine server of $WINEPREFIX does not stay up"
  (cd "$WINEPREFIX/drive_c/Kit" && exec "$WINE" 'C:\Kit\timer.exe' idle </dev/null >/dev/null 2>&1) &
  "$WINE" cmd.exe /c exit </dev/null >/dev/null 2>&1 || setup_failed "Wine does not start a program in $WINEPREFIX"
  # Wine starts its desktop process for the first window of a session, as a child of that
  # program: here, outside the job of any measured run, which would never end with it inside.
  timer window 1 'C:\Kit\bare_window.exe' >/dev/null || setup_failed "no window opens in $WINEPREFIX"
}

# timer ARGUMENT...: the stopwatch inside Wine (bench/timer.cpp), from C:\Kit.
# Its output goes through a file: Wine's own background processes (the persistent server's
# services) inherit the standard handles and would hold a pipe open after the timer has ended.
timer() {
  local out="$WINEPREFIX/timer.out" rc
  (cd "$WINEPREFIX/drive_c/Kit" && "$WINE" 'C:\Kit\timer.exe' "$@" >"$out" 2>&1)
  rc=$?
  tr -d '\r' <"$out"
  return $rc
}

# quartiles: "Q1 Q3" of the numbers on standard input (the middle half lies between them).
quartiles() { sort -g | awk '{a[NR]=$1} END {if (NR) printf "%.3f %.3f", a[int((NR + 3) / 4)], a[int((3 * NR + 3) / 4)]}'; }
median() { sort -g | awk '{a[NR]=$1} END {if (NR) print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
