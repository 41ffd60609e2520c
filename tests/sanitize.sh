#!/usr/bin/env bash
# The native unit suite under the run-time checkers; either fails on the first report.
#   tests/sanitize.sh asan       built with AddressSanitizer + UBSan (TSY_SANITIZE)
#   tests/sanitize.sh valgrind   the ordinary build (g++: valgrind cannot read clang's DWARF 5)
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-asan}" in
  asan)
    build=${SANITIZE_BUILD:-build/asan}
    cmake -S . -B "$build" -DTSY_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" -j"${JOBS:-2}" --target unit_tests >/dev/null
    ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
      UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 "$build/unit_tests" --gtest_brief=1 ;;
  valgrind)
    build=${VALGRIND_BUILD:-build/native}
    CXX=${CXX:-g++} CC=${CC:-gcc} cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" -j"${JOBS:-2}" --target unit_tests >/dev/null
    valgrind --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect --track-origins=yes \
      --log-file="$build/valgrind.log" "$build/unit_tests" --gtest_brief=1 \
      || { grep -E "ERROR SUMMARY|lost" "$build/valgrind.log"; echo "valgrind: see $build/valgrind.log" >&2; exit 1; } ;;
  *) echo "usage: $0 asan|valgrind" >&2; exit 2 ;;
esac
