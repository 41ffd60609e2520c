#!/usr/bin/env bash
# Builds the libFuzzer target (clang, AddressSanitizer + UBSan) and runs it for SECONDS (default 5)
# from the seeds in tests/fuzz/corpus; a finding fails the script and leaves its input in artifacts/.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${FUZZ_BUILD:-build/fuzz}
CC=clang CXX=clang++ cmake -S . -B "$build" -DTSY_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target fuzz_command_line >/dev/null
mkdir -p "$build/corpus" "$build/artifacts"
status=0
"$build/tests/fuzz/fuzz_command_line" "$build/corpus" tests/fuzz/corpus -max_total_time="${1:-5}" -timeout=10 \
  -print_final_stats=1 -artifact_prefix="$build/artifacts/" >"$build/fuzz.log" 2>&1 || status=$?
echo "fuzz: $(sed -n 's/^stat::number_of_executed_units: *//p' "$build/fuzz.log") executions," \
  "$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$build/fuzz.log" | tail -1)$([ $status -eq 0 ] || echo ", FAILED: see $build/fuzz.log")"
exit $status
