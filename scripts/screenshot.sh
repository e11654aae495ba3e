#!/usr/bin/env bash
# Retakes docs/screenshot.png: the editor on its built-in stock table, with the faces the
# install gives, on a virtual X screen of exactly the window's size (no window manager, so
# the screen is the window's client area). The program runs from a neutral folder, so that
# its path field shows no build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
if ! command -v xwdtopnm >/dev/null; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends netpbm </dev/null
fi
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target glossmith
folder=/opt/glossmith
install -D -m 755 "$build/editor/glossmith" "$folder/glossmith"

work=$(mktemp -d)
xvfb=""
editor=""
cleanup() {
  if [ -n "$editor" ]; then kill "$editor" 2>/dev/null || true; wait "$editor" 2>/dev/null || true; fi
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb keeps its screen as an XWD file in $work and writes its display number to fd 3.
Xvfb -displayfd 3 -screen 0 757x591x24 -nocursor -fbdir "$work" -nolisten tcp 3>"$work/display" &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
(cd "$work" && DISPLAY=":$(cat display)" QT_QPA_PLATFORM=xcb exec "$folder/glossmith") &
editor=$!
sleep 3
xwdtopnm "$work/Xvfb_screen0" 2>/dev/null | pnmtopng -compression 9 >docs/screenshot.png
echo "docs/screenshot.png: the editor as run from $folder"
