#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UBSan) and runs each of them.
#   scripts/fuzz.sh smoke [seconds]   every target for a few seconds (default 5), one after another
#   scripts/fuzz.sh long [seconds]    every target for `seconds` (default 600), two at a time
# Each run starts from the seeds in tests/fuzz/corpus/<target> and grows a scratch corpus in
# the build folder; a finding stops its target, leaves the input under artifacts/ and fails
# the script. The last lines print executions and coverage per target.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-smoke}
case "$mode" in
  smoke) seconds=${2:-5}; parallel=1 ;;
  long)  seconds=${2:-600}; parallel=2 ;;
  *) echo "usage: $0 smoke|long [seconds]" >&2; exit 2 ;;
esac
build=${FUZZ_BUILD:-build/fuzz}
targets=(main sys_parse paths strcheck command_line)

CC=clang CXX=clang++ cmake -S . -B "$build" -DTSY_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target "${targets[@]/#/fuzz_}" >/dev/null

logs="$build/fuzz-logs/$mode"
mkdir -p "$logs" "$build/artifacts"
run_one() {
  local t=$1 corpus="$build/corpus/$1"
  mkdir -p "$corpus"
  "$build/tests/fuzz/fuzz_$t" "$corpus" "tests/fuzz/corpus/$t" \
    -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
    -artifact_prefix="$build/artifacts/$t-" >"$logs/$t.log" 2>&1
}

failed=0
pids=()
names=()
for t in "${targets[@]}"; do
  run_one "$t" &
  pids+=($!); names+=("$t")
  if [ ${#pids[@]} -ge $parallel ]; then
    wait "${pids[0]}" || { echo "fuzz: ${names[0]} FAILED, see $logs/${names[0]}.log" >&2; failed=1; }
    pids=("${pids[@]:1}"); names=("${names[@]:1}")
  fi
done
for i in "${!pids[@]}"; do
  wait "${pids[$i]}" || { echo "fuzz: ${names[$i]} FAILED, see $logs/${names[$i]}.log" >&2; failed=1; }
done

printf '%-14s %12s %10s %8s %8s\n' target executions exec/s cov ft
for t in "${targets[@]}"; do
  log="$logs/$t.log"
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  last=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -1)
  cov=$(sed -n 's/.*cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  printf '%-14s %12s %10s %8s %8s\n' "$t" "${runs:-?}" "${rate:-?}" "${cov:-?}" "${ft:-?}"
done
exit $failed
