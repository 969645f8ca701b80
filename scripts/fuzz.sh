#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang (ASan + UBSan) in
# build-fuzz, then runs every target at once for a bounded time from its seed
# corpus and its regression inputs. Fails on any finding: a crash, a failed
# check, a leak, a hang (an input running over 10 s) or a target that does
# not end in time. New inputs and findings go to build-fuzz/fuzz-run/TARGET/.
# Usage: scripts/fuzz.sh [seconds per target (45)] [taskset CPU list]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-45}
cpus=${2:-}
bash scripts/deps.sh
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DMORVALITH_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  >/dev/null
cmake --build "$build" -j"$(nproc)"

out=$build/fuzz-run
rm -rf "$out"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
pin=()
[ -n "$cpus" ] && pin=(taskset -c "$cpus")
targets=()
pids=()
for program in "$build"/tests/fuzz/fuzz_*; do
  t=${program##*/fuzz_}
  mkdir -p "$out/$t/corpus"
  inputs=("tests/fuzz/corpus/$t")
  [ -d "tests/fuzz/regressions/$t" ] && inputs+=("tests/fuzz/regressions/$t")
  # The guard ends a target that overruns its time by far (a hang inside
  # libFuzzer's own bookkeeping would otherwise hold the job).
  "${pin[@]}" timeout --kill-after=10 $((seconds + 300)) "$program" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 -max_len=20000 \
    -print_final_stats=1 -artifact_prefix="$out/$t/" "$out/$t/corpus" "${inputs[@]}" \
    >"$out/$t/log" 2>&1 &
  targets+=("$t")
  pids+=($!)
done

status=0
for i in "${!targets[@]}"; do
  t=${targets[$i]}
  if wait "${pids[$i]}"; then
    execs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$out/$t/log" | grep -o '[0-9]*$')
    echo "fuzz_$t: ${execs:-?} inputs in ${seconds} s, no finding"
  else
    echo "fuzz_$t: FINDING, see $out/$t/log and the input saved beside it:"
    tail -n 40 "$out/$t/log"
    status=1
  fi
done
exit $status
