# Sourced by the scripts that run the editor on a virtual X screen (Xvfb, no window
# manager): a scratch folder $work, the screen in $display, the editor's process in
# $editor; all of them go when the script ends.
work=$(mktemp -d)
xvfb=""
editor=""
cleanup() {
  if [ -n "$editor" ]; then kill "$editor" 2>/dev/null || true; wait "$editor" 2>/dev/null || true; fi
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# start_screen WIDTHxHEIGHTxDEPTH [Xvfb options]: starts the server, which writes its
# display number to fd 3.
start_screen() {
  Xvfb -displayfd 3 -screen 0 "$1" "${@:2}" -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
  display=":$(cat "$work/display")"
}

# start_editor PROGRAM: runs the editor on the screen from the scratch folder, so that
# nothing of the caller's folder is opened or shown.
start_editor() {
  (cd "$work" && DISPLAY="$display" QT_QPA_PLATFORM=xcb exec "$1") 2>/dev/null &
  editor=$!
}
