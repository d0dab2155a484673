# Helpers for scripts that start programs: they end only what they started themselves.
#   start_own_x LOG      an X server of our own; sets DISPLAY and own_x_pid
#   mark_run             a mark for this run's programs (exported as MORVANE_RUN_MARK to what they start)
#   marked_pids [NAME]   this user's processes that carry this run's mark (of that program name only)
#   end_marked           TERM to the marked clients, then, after up to 10 s, KILL to whatever is left marked

start_own_x() {
  local number_file
  number_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$number_file" 2>>"${1:-/dev/null}" &
  own_x_pid=$!
  for _ in $(seq 1 200); do
    [ -s "$number_file" ] && break
    kill -0 "$own_x_pid" 2>/dev/null || { rm -f "$number_file"; return 1; }
    sleep 0.1
  done
  [ -s "$number_file" ] || { rm -f "$number_file"; return 1; }
  DISPLAY=":$(head -n 1 "$number_file")"
  export DISPLAY
  rm -f "$number_file"
}

mark_run() { run_mark="morvane-run-$$-$RANDOM$RANDOM"; }

marked_pids() {
  local environ pid
  [ -n "${run_mark:-}" ] || return 0
  for environ in $(grep -lszx "MORVANE_RUN_MARK=$run_mark" /proc/[0-9]*/environ); do
    [ -O "$environ" ] || continue  # this user's processes only
    pid=${environ#/proc/}; pid=${pid%/environ}
    [ -z "${1:-}" ] || [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "$1" ] || continue
    echo "$pid"
  done
  return 0
}

end_marked() {
  local pids
  pids=$(marked_pids vexa)
  [ -z "$pids" ] || kill -TERM $pids 2>/dev/null || true
  for _ in $(seq 1 100); do
    [ -z "$(marked_pids)" ] && return 0
    sleep 0.1
  done
  pids=$(marked_pids)
  [ -z "$pids" ] || kill -KILL $pids 2>/dev/null || true
}
