#!/usr/bin/env bash
# Every speed and memory figure with its reference measured in the same run, as one table:
# figure, value, reference, ratio. The programs are under build/bench (MORVANE_BENCH=ON).
#   scripts/bench.sh [--quick]   (--quick: shorter runs, rougher figures)
#   OTHER_BIN=DIR scripts/bench.sh  also measures the client of another build's program folder playing
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
bench="$top/build/bench"
rate_args=(250 5) clip_seconds=150 cpu_seconds=20 start_rounds=5
if [ "${1:-}" = --quick ]; then rate_args=(100 3) clip_seconds=40 cpu_seconds=8 start_rounds=3; fi
rows=$(mktemp)
trap 'rm -f "$rows"' EXIT

# Rows of a program that prints the table itself: everything but its header and notes.
table_rows() { grep -v -e '^figure' -e '^median of' -e '^(' -e '^round' -e '^\[' -e '^Note:' -e '^$' >> "$rows" || true; }

# Google Benchmark programs: JSON to rows (name, value, the reference named, ratio).
gbench_rows() {  # PROGRAM FILTER
  { "$bench/$1" --benchmark_filter="$2" --benchmark_format=json 2>/dev/null || true; } | python3 -c '
import json, sys
runs = {b["name"]: b for b in json.load(sys.stdin)["benchmarks"]}
ms = lambda b: b["real_time"] * {"ns": 1e-6, "us": 1e-3, "ms": 1, "s": 1e3}[b["time_unit"]]
out = []
if "BM_DedupTickWhileHistoryIsWritten/100000" in runs:
    tick = ms(runs["BM_DedupTickWhileHistoryIsWritten/100000"]) * 1000
    statement = ms(runs["BM_Dedup/100000"]) * 1000
    out.append(("dedup tick, 100k titles, history written (us)", tick, statement, "the statement"))
    out.append(("dedup tick vs its goal (us)", tick, 20.0, "goal 20 us"))
if "BM_SavePosition/1000000" in runs:
    save, scan = ms(runs["BM_SavePosition/1000000"]), ms(runs["BM_SavePositionByScan/1000000"])
    out.append(("position save, 1M episodes (ms)", save, scan, "the scan"))
if "BM_RecordPlay/1000000" in runs:
    out.append(("play record, 1M episodes (ms)", ms(runs["BM_RecordPlay/1000000"]), 20.0, "goal 20 ms"))
if "BM_EpisodeIndexBuild/1000000/iterations:3" in runs:
    build = ms(runs["BM_EpisodeIndexBuild/1000000/iterations:3"])
    out.append(("  episode index built, own thread (ms)", build, ms(runs["BM_SavePositionByScan/1000000"]), "the scan"))
for what in ("HistoryTab", "HistoryAfterPlay"):
    full, empty = runs.get("BM_%s/10000/iterations:15" % what), runs.get("BM_%s/0/iterations:15" % what)
    if full and empty:
        label = "history tab drawn" if what == "HistoryTab" else "play recorded, tab drawn"
        out.append(("%s, 10k entries (ms)" % label, ms(full), ms(empty), "no entries"))
for name, b in runs.items():
    if name.startswith("BM_ClickToShown"):
        n = name.split("/")[1]
        kind = "first" if "First" in name else "again"
        out.append(("click to shown %s, %s eps: client ms" % (kind, n), b["client_ms"], b["site_ms"], "site ms"))
        if n == "2000":
            out.append(("  2000 eps %s: client ms vs goal 50" % kind, b["client_ms"], 50.0, "goal"))
            out.append(("  2000 eps %s: drawn, client ms" % kind, b["drawn_client_ms"], b["client_ms"], "written"))
            out.append(("  2000 eps %s: every item, client ms" % kind, b["complete_client_ms"], b["client_ms"], "written"))
            out.append(("  2000 eps %s: longest GUI block ms" % kind, b["longest_block_ms"], 50.0, "goal"))
for figure, value, ref, _ in out:
    print("%-44s %10.2f %12.2f %7.2f" % (figure, value, ref, value / ref if ref else 0))
' >> "$rows"
}

echo "bench: the terminal's download rate" >&2
"$bench/terminal_rate" "${rate_args[@]}" 2>/dev/null | table_rows
echo "bench: kept-alive requests to both servers" >&2
"$bench/server_latency" 2>/dev/null | table_rows
echo "bench: the de-duplication timer" >&2
gbench_rows store_bench 'BM_Dedup/100000|BM_DedupTickWhileHistoryIsWritten'
echo "bench: the episode lookup of a play at a million episodes" >&2
gbench_rows store_bench 'SavePosition|RecordPlay|EpisodeIndexBuild'
echo "bench: click to shown" >&2
gbench_rows catalog_bench 'ClickToShown'
echo "bench: a play into a catalogue of a million episodes" >&2
"$top/bench/million_catalogue.sh" "$top/build/shipped/mydb.mdb" "$bench/million.mdb"
ROUNDS=3 SECONDS=$cpu_seconds "$bench/play_at_million" 2>/dev/null | table_rows
echo "bench: the history tab with 10,000 entries" >&2
gbench_rows catalog_bench 'History'
echo "bench: memory while playing" >&2
"$bench/play_memory" "$clip_seconds" 2>/dev/null | table_rows
echo "bench: the play command to the first frame" >&2
xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb PULSE_SERVER=unix:/nonexistent \
  "$bench/first_frame" 7 "$top/build/test-home/site-data/media/clip1.mp4" 2>/dev/null | table_rows
echo "bench: start to the title list, and idle memory" >&2
ROUNDS=$start_rounds "$top/bench/start_and_memory.sh" 2>/dev/null | table_rows
echo "bench: CPU of the client playing, and of its main thread" >&2
SECONDS_PER_RUN=$cpu_seconds "$top/bench/player_cpu.sh" 2>/dev/null | table_rows

printf '%-44s %10s %12s %7s\n' figure value reference ratio
cat "$rows"
