#!/usr/bin/env bash
# CPU of the client, its browser helpers included, while it plays a clip, against bare mpv playing
# the same clip in a window of the same size, in the same run; and of the client idle with the
# catalogue loaded. With OTHER_BIN=DIR also the client of that program folder (another build)
# playing the same clip. Bare mpv with and without hardware decoding shows what hwdec=auto-safe
# costs where there is no decoder. No audio output anywhere (the machine has none).
# Prints one line per figure: name, value, reference, ratio.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
work=$(mktemp -d /tmp/morvane-cpu.XXXXXX)
seconds=${SECONDS_PER_RUN:-20}
. "$top/scripts/lib/bench-stage.sh"
start_bench_stage "$work"

# A clip of two minutes: the site's clip, again and again.
hash=$(curl -s "$site/details.php?id=1004" | sed -n 's/.*<!--jj_start-->qvod:\/\/[0-9]*\$\([0-9A-F]*\)\$.*/\1/p' | head -n 1)
curl -s "$site/qvod/$hash/x" -o "$work/one.mp4"
ffmpeg -v error -y -stream_loop 20 -i "$work/one.mp4" -c copy "$work/clip.mp4"

# A program folder ($2 under the work folder) from a built one ($1), with a catalogue of 100,000
# titles (the de-duplication timer's statement then costs tens of ms).
program_folder() {
  bench_program_folder "$1" "$2"
  python3 - "$work/$2/mydb.mdb" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.executemany("insert into det (keyID, d_name, fenleiID) values (?, ?, 12)",
               ((100000 + i, "片名%d" % i) for i in range(100000)))
db.commit()
PY
}
program_folder "$top/build/bin" prog
[ -n "${OTHER_BIN:-}" ] && program_folder "$OTHER_BIN" other
use_bench_environment

# Jiffies used by a process and every process below it.
tree_ticks() {
  local total=0 pid f
  for pid in $(tree_pids "$1"); do
    read -r -a f < "/proc/$pid/stat" 2>/dev/null || continue
    total=$((total + f[13] + f[14]))
  done
  echo "$total"
}
main_ticks() {  # jiffies of a process's main thread alone
  local f
  read -r -a f < "/proc/$1/task/$1/stat"
  echo $((f[13] + f[14]))
}
percent() { echo "scale=2; ($2 - $1) * 100 / ($(getconf CLK_TCK) * $3)" | bc; }
cpu_percent() {  # PID SECONDS -> % of one core used by the tree over that time; main_thread set too
  local a b m
  a=$(tree_ticks "$1"); m=$(main_ticks "$1"); sleep "$2"; b=$(tree_ticks "$1")
  main_thread=$(percent "$m" "$(main_ticks "$1")" "$2")
  percent "$a" "$b" "$2"
}

# The client of a program folder, started with the open-file item answered by the clip.
list_requests() { curl -fs "$site/_control/requests?path=/kolbet/l_indexss.php" | wc -l; }
start_client() {
  local before
  before=$(list_requests)
  MORVANE_RUN_MARK="$run_mark" MORVANE_DIALOG_ANSWERS="file:$work/clip.mp4" "$work/$1/vexa" > "$work/$1.out" 2>&1 &
  client=$!
  pids+=("$client")
  for _ in $(seq 1 300); do [ "$(list_requests)" -gt "$before" ] && break; sleep 0.1; done
  sleep 5
}
play_in_client() {  # the open-file item of the File menu
  local window
  window=$(xdotool search --pid "$client" --name '^MorvaneV' | head -n 1)
  xdotool mousemove --window "$window" 20 10 click 1; sleep 0.5; xdotool key Down Return
  sleep 4
}

# The client, idle with its catalogue, then playing.
start_client prog
idle=$(cpu_percent "$client" "$seconds")
play_in_client
cpu_percent "$client" "$seconds" > "$work/playing"
playing=$(cat "$work/playing")
playing_main=$main_thread
history_rows=$(python3 -c "import sqlite3,sys; print(sqlite3.connect(sys.argv[1]).execute('select count(*) from hist').fetchone()[0])" "$work/prog/mydb.mdb")
kill "$client"; wait "$client" 2>/dev/null || true

other=""
if [ -n "${OTHER_BIN:-}" ]; then
  start_client other
  play_in_client
  other=$(cpu_percent "$client" "$seconds")
  kill "$client"; wait "$client" 2>/dev/null || true
fi

# Bare mpv, the same clip, the same output, a window of the player's size.
bare_mpv() {  # HWDEC
  mpv --no-config --vo=gpu --gpu-context=x11egl --no-audio --hwdec="$1" --geometry=550x371 --loop=inf "$work/clip.mp4" > /dev/null 2>&1 &
  local bare=$!
  pids+=("$bare")
  sleep 4
  cpu_percent "$bare" "$seconds"
  kill "$bare"
}
reference=$(bare_mpv no)
reference_hwdec=$(bare_mpv auto-safe)

ratio() { echo "scale=2; $1 / $2" | bc; }
printf '%-40s %10s %10s %8s\n' figure value reference ratio
printf '%-40s %9s%% %9s%% %8s\n' "client playing vs bare mpv (CPU)" "$playing" "$reference" "$(ratio "$playing" "$reference")"
[ -n "$other" ] && printf '%-40s %9s%% %9s%% %8s\n' "client playing vs the other build (CPU)" "$playing" "$other" "$(ratio "$playing" "$other")"
printf '%-40s %9s%% %9s%% %8s\n' "bare mpv hwdec=auto-safe vs no (CPU)" "$reference_hwdec" "$reference" "$(ratio "$reference_hwdec" "$reference")"
printf '%-40s %9s%% %10s %8s\n' "client idle, catalogue loaded (CPU)" "$idle" "1%" "$(ratio "$idle" 1)"
printf '%-40s %9s%% %10s %8s\n' "main thread playing, 100k titles" "$playing_main" "1%" "$(ratio "$playing_main" 1)"
echo "(history rows written while playing: $history_rows)"
