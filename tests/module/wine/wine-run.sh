#!/usr/bin/env bash
# Runs Windows test programs under Wine for CTest, without a display and without Wine's
# own messages.
#
#   wine-run.sh setup PREFIX                          create the Wine prefix once
#   wine-run.sh run PREFIX DIR EXE COMMANDS [EXPECTED]
#        copy EXE into DIR (unless it is there), run it in DIR with COMMANDS on its
#        standard input, print its output; with EXPECTED the output must equal that file
#   wine-run.sh stop PREFIX                           end the prefix's wine server
#
# The prefix is a 64-bit one: its system processes are native, only the 32-bit test
# programs run through the i386 emulation. The wine server is kept alive between runs
# (it ends on its own 10 minutes after the last one, or at "stop").
set -uo pipefail

mode=${1:?mode}
prefix=${2:?prefix}
export WINEPREFIX=$prefix
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
LINGER=600
WINE64=$(command -v wine64 || echo /usr/lib/wine/wine64)

case $mode in
setup)
  mkdir -p "$(dirname "$prefix")"
  exec 9>"$prefix.lock"
  flock 9
  if [ -f "$prefix/.zv-ready" ]; then
    wineserver -p$LINGER </dev/null >/dev/null 2>&1 9>&-
    exit 0
  fi
  for attempt in 1 2; do
    rm -rf "$prefix"
    start=$(date +%s)
    if timeout 1200 "$WINE64" wineboot -i >/dev/null 2>&1 && timeout 600 wineserver -w; then
      echo "wine prefix created in $(( $(date +%s) - start )) s"
      touch "$prefix/.zv-ready"
      wineserver -p$LINGER </dev/null >/dev/null 2>&1 9>&- 9>&-
      exit 0
    fi
    echo "wine prefix creation failed (attempt $attempt)" >&2
    wineserver -k 2>/dev/null
  done
  exit 1
  ;;
run)
  dir=${3:?dir}
  exe=${4:?exe}
  commands=${5:?commands}
  expected=${6:-}
  [ -f "$prefix/.zv-ready" ] || { echo "no wine prefix at $prefix" >&2; exit 1; }
  mkdir -p "$dir"
  name=$(basename "$exe")
  if [ "$(cd "$(dirname "$exe")" && pwd)" != "$(cd "$dir" && pwd)" ]; then
    cp -f "$exe" "$dir/$name" || exit 1
  fi
  wineserver -p$LINGER </dev/null >/dev/null 2>&1
  out=$(mktemp)
  (cd "$dir" && wine "./$name" < "$commands" > "$out" 2>/dev/null)
  rc=$?
  tr -d '\r' < "$out" > "$out.lf"
  cat "$out.lf"
  status=0
  if [ $rc -ne 0 ]; then
    echo "exit code $rc" >&2
    status=1
  fi
  if [ -n "$expected" ] && ! diff -u "$expected" "$out.lf" >&2; then
    echo "output differs from $expected" >&2
    status=1
  fi
  rm -f "$out" "$out.lf"
  exit $status
  ;;
stop)
  wineserver -k 2>/dev/null
  exit 0
  ;;
*)
  echo "unknown mode $mode" >&2
  exit 2
  ;;
esac
