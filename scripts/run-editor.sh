#!/usr/bin/env bash
# Installs what is missing, builds the editor and starts it on its built-in stock table.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "$(nproc)" --target glossmith
exec "$build/editor/glossmith" "$@"
