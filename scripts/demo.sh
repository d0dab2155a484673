#!/usr/bin/env bash
# Starts the sample site and the client against it, says where they run, and ends both on Ctrl-C.
# The client runs from a program folder of the demo's own (build/demo-data/program, refreshed from
# build/bin, its settings and catalogue kept between demos) with a registry of its own, so the demo
# changes nothing of build/bin or of the user's own settings; it ends only what it started.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
. "$top/scripts/lib/own-processes.sh"
bin="$top/build/bin"
data="$top/build/demo-data"
prog="$data/program"
log="$data/demo.log"
mkdir -p "$data" "$prog"
: > "$log"

pids=()
cleanup() {
  end_marked
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The programs and pictures anew; the demo's settings, catalogue and engine settings as it left them.
(cd "$bin" && find . -type f) | while read -r f; do
  case "$f" in ./vexa.ini|./mydb.mdb|./play/QvodCfg.ini) [ -e "$prog/$f" ] && continue ;; esac
  mkdir -p "$prog/$(dirname "$f")"
  cp -p "$bin/$f" "$prog/$f.new" && mv -f "$prog/$f.new" "$prog/$f"  # a file in use is replaced, not written over
done
export MORVANE_REGISTRY="$data/registry.ini"

# The site listens on 8610 (the client's built-in address) when that is free, else on any free port.
start_site() {
  local key=(); [ -f "$top/build/keys/release-test.sec" ] && key=(--sign-key "$top/build/keys/release-test.sec")
  local release=(); [ -n "${DEMO_RELEASE:-}" ] && release=(--release "$DEMO_RELEASE")  # a staged release (README)
  "$top/build/site/morvane-site" --port "$1" --data "$data" "${key[@]}" "${release[@]}" > "$data/site.port" 2>>"$log" &
  site=$!
  for _ in $(seq 1 600); do
    [ -s "$data/site.port" ] && return 0
    kill -0 "$site" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
echo "demo: starting the sample site (its first start makes the sample clips; that takes a moment)"
start_site 8610 || start_site 0 || { echo "demo: the site did not start; see $log"; exit 1; }
pids+=("$site")
port=$(head -n 1 "$data/site.port")
export MORVANE_SITE="http://127.0.0.1:$port"
# Detail pages come from the settings' "ym": this site's, in the demo's own settings.
sed -i "s|^ym=.*|ym=$MORVANE_SITE/|" "$prog/vexa.ini"

own_x=""
if [ -z "${DISPLAY:-}" ]; then
  start_own_x "$log" || { echo "demo: no display and Xvfb did not start; see $log"; exit 1; }
  pids+=("$own_x_pid")
  own_x=" (an X server of its own; look at it with: DISPLAY=$DISPLAY import -window root shot.png)"
fi
# Chromium's sandbox refuses to run as root, and there may be no GPU: the demo's own setting.
if [ "$(id -u)" -eq 0 ]; then
  export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox --disable-gpu}"
fi
export QT_LOGGING_RULES="qt.webenginecontext.debug=false;qt.qpa.*=false"

# The client and all it starts carry this run's mark: its first start goes through the engine's
# set-up, which starts the client again, and the demo lasts as long as a marked client runs.
mark_run
MORVANE_RUN_MARK="$run_mark" "$prog/vexa" >>"$log" 2>&1 &
for _ in $(seq 1 600); do
  curl -fs "$MORVANE_SITE/_control/requests?path=/kolbet/l_indexss.php" | grep -q . && break
  [ -n "$(marked_pids vexa)" ] || [ -n "$(marked_pids update)" ] || { echo "demo: the client ended at once; see $log"; exit 1; }
  sleep 0.1
done
echo "demo: Morvane is up on display $DISPLAY$own_x, against the sample site $MORVANE_SITE."
echo "demo: close its window or press Ctrl-C to end it; what the programs print goes to $log"
while [ -n "$(marked_pids vexa)" ]; do sleep 1; done
