#!/usr/bin/env bash
# Runs every fuzz target (or those named after the time) for the given seconds each, two at a time,
# from the seeds in fuzz/corpus (what it finds that is new is kept in build-fuzz/corpus) with each
# target's dictionary. A crash leaves its input in build-fuzz/findings/TARGET; keep it under
# fuzz/regressions/TARGET once mended, so that the ordinary tests replay it.
#   scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
./scripts/install-deps.sh
cmake --preset fuzz > /dev/null
cmake --build build-fuzz -j2 --target fuzz_targets
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=($(ls fuzz/targets | sed 's/\.cpp$//'))

# The targets write only under a home of their own (logs, settings), never the user's.
export HOME=$PWD/build-fuzz/home XDG_STATE_HOME=$PWD/build-fuzz/home/state MORVANE_LOG=$PWD/build-fuzz/home/fuzz.log
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$HOME"

run_one() {
  local t=$1 out=build-fuzz/findings/$1 corpus=build-fuzz/corpus/$1
  mkdir -p "$out" "$corpus"
  local dict=()
  [ -f "fuzz/dict/$t.dict" ] && dict=(-dict="fuzz/dict/$t.dict")
  local rc=0
  build-fuzz/fuzz/fuzz_"$t" "$corpus" "fuzz/corpus/$t" "${dict[@]}" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=4096 -max_len=65536 -artifact_prefix="$out/" -print_final_stats=1 > "build-fuzz/findings/$t.log" 2>&1 || rc=$?
  local stats cov
  stats=$(grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "build-fuzz/findings/$t.log" | tr -s ' \n' ' ' || true)
  cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "build-fuzz/findings/$t.log" | tail -1 || true)
  echo "$t: exit $rc; $cov; $stats"
  return $rc
}

failed=0
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  run_one "${targets[i]}" & first=$!
  second=
  if ((i + 1 < ${#targets[@]})); then run_one "${targets[i + 1]}" & second=$!; fi
  wait $first || failed=1
  [ -n "$second" ] && { wait $second || failed=1; }
done
exit $failed
