#!/usr/bin/env bash
# The native unit suite under the run-time checkers, failing on the first report: "asan" builds it with
# AddressSanitizer + UBSan (TSY_SANITIZE); "valgrind" runs the ordinary g++ build (valgrind cannot read clang's DWARF 5).
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-asan}
build=$([ "$mode" = asan ] && echo "${SANITIZE_BUILD:-build/asan}" || echo "${VALGRIND_BUILD:-build/native}")
[ "$mode" = asan ] && flags=-DTSY_SANITIZE=ON || { flags=; export CXX=${CXX:-g++} CC=${CC:-gcc}; }
cmake -S . -B "$build" $flags -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target unit_tests >/dev/null
if [ "$mode" = asan ]; then
  ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$build/unit_tests" --gtest_brief=1
else
  valgrind --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect --track-origins=yes \
    --log-file="$build/valgrind.log" "$build/unit_tests" --gtest_brief=1 \
    || { tail -3 "$build/valgrind.log"; exit 1; }
fi
