#!/usr/bin/env bash
# Runs the client of a program folder and lasts as long as a client of that folder runs: its first
# start goes through the engine's set-up, which starts the client again.
set -u
bin="$1"
"$bin/vexa" || true
sleep 2
while pgrep -f "^$bin/vexa" > /dev/null; do sleep 1; done
