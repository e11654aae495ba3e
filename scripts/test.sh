#!/usr/bin/env bash
# Installs what is missing, builds both worlds and runs every test through CTest; then
# builds the native world once more with the sanitizers (its own build folder, the same
# Windows world, no Wine tests) and runs its tests too. The normal build's tests run last;
# the script fails when either run has a failing test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${BUILD_DIR:-build}
sanitized=${SANITIZED_BUILD_DIR:-$build-sanitize}
jobs=$(nproc)

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "$jobs"

cmake -S . -B "$sanitized" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DGLOSSMITH_SANITIZE=ON -DGLOSSMITH_WINE_TESTS=OFF -DGLOSSMITH_FUZZERS=OFF \
  -DGLOSSMITH_WIN32_WORLD="$(realpath "$build")/win32"
cmake --build "$sanitized" -j "$jobs"

sanitized_tests=0
ctest --test-dir "$sanitized" --output-on-failure -j "$jobs" --timeout 900 || sanitized_tests=$?
ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 900
if [ "$sanitized_tests" -ne 0 ]; then
  echo "The sanitized build ($sanitized) has failing tests: see its CTest summary above." >&2
  exit "$sanitized_tests"
fi
