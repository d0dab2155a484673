# The stage of a benchmark that runs the client: an X server and the sample site of its own, a
# program folder, and the client's environment kept inside the work folder.
#   start_bench_stage WORK          sets pids, site, DISPLAY; on exit ends what the run started and removes WORK
#   bench_program_folder FROM NAME  WORK/NAME: a copy of the built program folder FROM, run against the site
#   use_bench_environment           exports the client's settings, logs and runtime folder under WORK
#   tree_pids ROOT                  ROOT and every process below it
bench_top="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
. "$bench_top/scripts/lib/own-processes.sh"

start_bench_stage() {
  bench_work=$1
  mark_run
  pids=()
  trap 'end_marked; for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$bench_work"' EXIT
  start_own_x /dev/null
  pids+=("$own_x_pid")
  "$bench_top/build/site/morvane-site" --port 0 --data "$bench_top/build/test-home/site-data" > "$bench_work/site.port" &
  pids+=($!)
  for _ in $(seq 1 300); do [ -s "$bench_work/site.port" ] && break; sleep 0.1; done
  site="http://127.0.0.1:$(head -n 1 "$bench_work/site.port")"
}

bench_program_folder() {
  local to="$bench_work/$2"
  mkdir -p "$to" && cp -r "$1/." "$to/" && cp "$bench_top/build/shipped/"* "$to/"
  rm -f "$to/play/QvodTerminal"  # no engine set-up: the client starts straight away
  sed -i "s|^ym=.*|ym=$site/|; s|^z_f=.*|z_f=0|" "$to/vexa.ini"
}

use_bench_environment() {
  local w=$bench_work
  export MORVANE_SITE="$site" QT_QPA_PLATFORM=xcb QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox --disable-gpu"
  export MORVANE_REGISTRY="$w/registry.ini" MORVANE_LOG="$w/log" XDG_STATE_HOME="$w/state" XDG_RUNTIME_DIR="$w/run"
  export MORVANE_SYSTEM_COMMANDS_LOG="$w/commands" MORVANE_DIALOG_LOG="$w/dialogs" PULSE_SERVER="unix:$w/no-sound-server"
  export MORVANE_INSTANCE_SOCKET="$w/run/instance.socket"
  mkdir -p "$w/run" && chmod 700 "$w/run"
}

tree_pids() {
  local root=$1 stat pid parent
  for stat in /proc/[0-9]*/stat; do
    pid=${stat#/proc/}; pid=${pid%/stat}
    parent=$pid
    while [ "$parent" -gt 1 ] && [ "$parent" != "$root" ]; do
      parent=$(awk '{print $4}' "/proc/$parent/stat" 2>/dev/null || echo 1)
    done
    [ "$parent" = "$root" ] && echo "$pid"
  done
  return 0
}
