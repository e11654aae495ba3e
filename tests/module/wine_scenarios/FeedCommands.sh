#!/usr/bin/env bash
# Writes a scenario's commands to standard output for ZV.exe, and acts on two lines of its
# own on the way, once the driver has answered everything before them (OUTPUT is watched):
#   #copy SRC DST   copies Languages/SRC over Languages/DST
#   #remove DST     removes Languages/DST
#   FeedCommands.sh COMMANDS OUTPUT GAMEDIR
set -u
commands=$1 output=$2 game=$3
point=0
wait_for_driver() {
  point=$((point + 1))
  printf 'echo file-point %d\n' "$point"
  for _ in $(seq 600); do
    tr -d '\r' <"$output" 2>/dev/null | grep -qx "file-point $point" && return 0
    sleep 1
  done
  echo "FeedCommands: the driver did not answer" >&2
  exit 1
}
while IFS= read -r line || [ -n "$line" ]; do
  case $line in
  '#copy '*)
    set -- ${line#\#copy }
    wait_for_driver
    cp "$game/Languages/$1" "$game/Languages/$2"
    ;;
  '#remove '*)
    wait_for_driver
    rm -f "$game/Languages/${line#\#remove }"
    ;;
  *) printf '%s\n' "$line" ;;
  esac
done <"$commands"
