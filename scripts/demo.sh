#!/usr/bin/env bash
# Starts the sample site and the client against it (under xvfb-run when there is no display).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
bin="$top/build/bin"
data="$top/build/demo-data"
mkdir -p "$data"

site_bin="$top/build/site/morvane-site"
if [ ! -x "$site_bin" ]; then
  echo "demo: morvane-site is not built yet; the program folder is ready in $bin"
  exit 0
fi
"$site_bin" --port 8610 --data "$data" &
site=$!
trap 'kill $site 2>/dev/null || true' EXIT
sleep 1

if [ ! -x "$bin/vexa" ]; then
  echo "demo: the client is not built yet; the site runs at http://127.0.0.1:8610 (Ctrl-C ends it)"
  wait $site
  exit 0
fi
export MORVANE_SITE=http://127.0.0.1:8610
# Chromium's sandbox refuses to run as root, and there may be no GPU: the demo's own setting.
if [ "$(id -u)" -eq 0 ]; then
  export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox --disable-gpu}"
fi
if [ -z "${DISPLAY:-}" ]; then
  echo "demo: no display; the client runs under xvfb-run"
  xvfb-run -a -s "-screen 0 1280x800x24" "$top/scripts/run-client.sh" "$bin"
  exit 0
fi
"$top/scripts/run-client.sh" "$bin"
