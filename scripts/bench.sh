#!/usr/bin/env bash
# Runs every benchmark program under build/bench.
set -euo pipefail
cd "$(dirname "$0")/../build/bench"
for b in ./*_bench; do echo "== $b"; "$b" --benchmark_min_time=0.2; done
