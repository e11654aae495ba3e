#!/usr/bin/env bash
# Runs the game double of a scenario under Wine, its commands fed by FeedCommands.sh:
#   RunDriver.sh COMMANDS GAMEDIR WINE TIMEOUT [STALL]
# writes GAMEDIR/output.txt. ZV.exe is ended after TIMEOUT seconds (exit code 124), or with
# STALL after that many seconds without new output once its first line is out (a game that
# waits for ever; exit code 200).
set -u -o pipefail
commands=$1 game=$2 wine=$3 limit=$4 stall=${5:-0}
output=$game/output.txt
bash "$(dirname "$0")/FeedCommands.sh" "$commands" "$output" "$game" |
  timeout -k 10 "$limit" "$wine" "$game/ZV.exe" >"$output" &
driver=$!
if [ "$stall" -gt 0 ]; then
  last=0 quiet=0
  while kill -0 "$driver" 2>/dev/null; do
    sleep 1
    size=$(stat -c %s "$output" 2>/dev/null || echo 0)
    if [ "$size" -gt 0 ] && [ "$size" -eq "$last" ]; then quiet=$((quiet + 1)); else quiet=0; fi
    last=$size
    if [ "$quiet" -ge "$stall" ]; then
      kill "$driver"
      wait "$driver"
      exit 200
    fi
  done
fi
wait "$driver"
