#!/bin/bash
# Runs a command on an X server of its own (Xvfb on a display it picks itself, so that runs side by
# side never race for one number, and which never resets when its last client goes); the server ends
# with the command, whose exit status this passes on.
set -u
. "$(dirname "$0")/lib/own-processes.sh"
start_own_x || { echo "on-own-x: Xvfb did not start" >&2; exit 1; }
trap 'kill "$own_x_pid" 2>/dev/null; wait "$own_x_pid" 2>/dev/null' EXIT
trap 'kill -TERM "$command_pid" 2>/dev/null; exit 143' TERM INT
"$@" &
command_pid=$!
wait "$command_pid"
