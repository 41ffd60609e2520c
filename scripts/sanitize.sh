#!/usr/bin/env bash
# The native unit suite under the run-time checkers.
#   scripts/sanitize.sh asan       builds with AddressSanitizer + UBSan (TSY_SANITIZE) and runs it
#   scripts/sanitize.sh valgrind   runs the ordinary native build under valgrind memcheck
# Either fails on the first report. Prints the time taken and the error count.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-asan}
jobs=${JOBS:-2}
start=$(date +%s)
case "$mode" in
  asan)
    build=${SANITIZE_BUILD:-build/asan}
    cmake -S . -B "$build" -DTSY_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" -j"$jobs" --target unit_tests >/dev/null
    export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    "$build/unit_tests" --gtest_brief=1
    ;;
  valgrind)
    build=${VALGRIND_BUILD:-build/native}
    # g++: valgrind's debug-info reader gives up on clang 14's DWARF 5.
    CXX=${CXX:-g++} CC=${CC:-gcc} cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" -j"$jobs" --target unit_tests >/dev/null
    log="$build/valgrind.log"
    # Failing valgrind's own checks fails the run; leaks count as errors.
    status=0
    valgrind --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect \
      --track-origins=yes --suppressions=scripts/valgrind.supp --log-file="$log" \
      "$build/unit_tests" --gtest_brief=1 || status=$?
    grep -E "ERROR SUMMARY|definitely lost|indirectly lost" "$log" || true
    [ $status -eq 0 ] || { echo "valgrind: errors, see $log" >&2; exit $status; }
    ;;
  *) echo "usage: $0 asan|valgrind" >&2; exit 2 ;;
esac
echo "$mode: clean in $(( $(date +%s) - start )) s"
