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

source scripts/virtual-screen.sh
# Xvfb keeps its screen as an XWD file in $work.
start_screen 757x591x24 -nocursor -fbdir "$work"
start_editor "$folder/glossmith"
sleep 3
xwdtopnm "$work/Xvfb_screen0" 2>/dev/null | pnmtopng -compression 9 >docs/screenshot.png
echo "docs/screenshot.png: the editor as run from $folder"
