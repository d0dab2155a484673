#!/usr/bin/env bash
# Starts the sample site and the client against it, says where they run, and ends both on Ctrl-C.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
bin="$top/build/bin"
data="$top/build/demo-data"
log="$data/demo.log"
mkdir -p "$data"
: > "$log"

pids=()
cleanup() {
  pkill -TERM -f "^$bin/vexa" 2>/dev/null || true
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The site listens on 8610 (the client's built-in address) when that is free, else on any free port.
start_site() {
  local key=(); [ -f "$top/build/keys/release-test.sec" ] && key=(--sign-key "$top/build/keys/release-test.sec")
  "$top/build/site/morvane-site" --port "$1" --data "$data" "${key[@]}" > "$data/site.port" 2>>"$log" &
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
# Detail pages come from the settings' "ym": this site's.
sed -i "s|^ym=.*|ym=$MORVANE_SITE/|" "$bin/vexa.ini"

own_x=""
if [ -z "${DISPLAY:-}" ]; then
  exec 3< <(Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp -noreset 2>>"$log")
  read -r -t 20 number <&3 || { echo "demo: no display and Xvfb did not start; see $log"; exit 1; }
  export DISPLAY=":$number"
  own_x=" (an X server of its own; look at it with: DISPLAY=$DISPLAY import -window root shot.png)"
  pids+=("$(pgrep -n -x Xvfb)")
fi
# Chromium's sandbox refuses to run as root, and there may be no GPU: the demo's own setting.
if [ "$(id -u)" -eq 0 ]; then
  export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox --disable-gpu}"
fi
export QT_LOGGING_RULES="qt.webenginecontext.debug=false;qt.qpa.*=false"

"$top/scripts/run-client.sh" "$bin" >>"$log" 2>&1 &
client=$!
for _ in $(seq 1 600); do
  curl -fs "$MORVANE_SITE/_control/requests?path=/kolbet/l_indexss.php" | grep -q . && break
  kill -0 "$client" 2>/dev/null || { echo "demo: the client ended at once; see $log"; exit 1; }
  sleep 0.1
done
echo "demo: Morvane is up on display $DISPLAY$own_x, against the sample site $MORVANE_SITE."
echo "demo: close its window or press Ctrl-C to end it; what the programs print goes to $log"
wait "$client" || true
