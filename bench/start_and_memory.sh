#!/usr/bin/env bash
# Start-up and idle memory of the client against Qt WebEngine windows of the bench's own
# (build/bench/web_views), in the same run, against the same local site, under an X server of its
# own. Alternating rounds; medians.
#   start: from the program's start to its window shown, and to the title list in sight (loaded
#          and in view), against a window of one view opening the same list page;
#   memory: PSS of the program's whole process tree (Chromium's helpers included) 8 s after the
#          list is in sight, against a window of three views on the client's three pages.
# Prints one line per figure: name, value, reference, ratio.
#   ROUNDS=5 bench/start_and_memory.sh
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
rounds=${ROUNDS:-5}
work=$(mktemp -d /tmp/morvane-start.XXXXXX)
. "$top/scripts/lib/bench-stage.sh"
start_bench_stage "$work"
bench_program_folder "$top/build/bin" prog
use_bench_environment
export MORVANE_STARTUP_MARKS="$work/marks"
list_page="$site/kolbet/l_indexss.php?bsn=1"

now_ms() { python3 -c 'import time; print("%.1f" % (time.monotonic() * 1000))'; }
mark_of() { awk -v w="$1" '$1 == w { print $2; exit }' "$work/marks" 2>/dev/null; }

# Kibibytes of PSS of a process and every process below it.
tree_pss() {
  local total=0 pid kb
  for pid in $(tree_pids "$1"); do
    kb=$(awk '/^Pss:/ {print $2}' "/proc/$pid/smaps_rollup" 2>/dev/null || echo 0)
    total=$((total + ${kb:-0}))
  done
  echo "$total"
}

# One start: "window list pss_mib" (pss only when asked).
one_start() {  # MEASURE_MEMORY PROGRAM ARGS...
  local memory=$1 started pid window list pss=0
  shift
  rm -f "$work/marks"
  started=$(now_ms)
  MORVANE_RUN_MARK="$run_mark" "$@" > /dev/null 2>&1 &
  pid=$!
  for _ in $(seq 1 300); do [ -n "$(mark_of list)" ] && break; sleep 0.05; done
  window=$(mark_of window) list=$(mark_of list)
  if [ "$memory" = 1 ]; then sleep 8; pss=$(tree_pss "$pid"); fi
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  echo "$(echo "${window:-0} - $started" | bc) $(echo "${list:-0} - $started" | bc) $((pss / 1024))"
}

client=() reference=() client_mem=() reference_mem=()
one_start 0 "$work/prog/vexa" > /dev/null  # the first start fills the caches of both
for i in $(seq 1 "$rounds"); do
  client+=("$(one_start 0 "$work/prog/vexa")")
  reference+=("$(one_start 0 "$top/build/bench/web_views" "$list_page")")
done
for i in 1 2 3; do
  client_mem+=("$(one_start 1 "$work/prog/vexa")")
  reference_mem+=("$(one_start 1 "$top/build/bench/web_views" "$list_page" "$site/mark_2.asp" \
    "file://$work/prog/muban.htm")")
done

median_of() {  # FIELD LINES...
  local field=$1
  shift
  printf '%s\n' "$@" | awk -v f="$field" '{print $f}' | sort -n | awk '{v[NR]=$1} END {print v[int(NR/2)+1]}'
}
row() { printf '%-44s %10.2f %12.2f %7.2f\n' "$1" "$2" "$3" "$(echo "scale=4; $2 / $3" | bc)"; }
echo "figure value reference ratio"
row "start to the title list in sight (ms)" "$(median_of 2 "${client[@]}")" "$(median_of 2 "${reference[@]}")"
row "  start to the window shown (ms)" "$(median_of 1 "${client[@]}")" "$(median_of 1 "${reference[@]}")"
row "idle memory, process tree PSS (MiB)" "$(median_of 3 "${client_mem[@]}")" "$(median_of 3 "${reference_mem[@]}")"
