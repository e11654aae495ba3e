#!/usr/bin/env bash
# What an idle editor costs: the processor time (user + system) that the real glossmith
# process takes over 10 seconds with its main window shown and nothing happening, on a
# virtual X screen (Xvfb, no window manager).
#
# The program is drawn there as on a desktop: every repaint goes through the X plugin's
# back buffer to the X server, so what each colour step of the id field costs is counted as
# a user's machine pays it (the X server's own share is not: only the editor's process is
# measured). Qt's offscreen platform draws into a buffer that is never shown and would leave
# the transfer out.
#
# Usage: bash bench/idle_cpu.sh [path/to/glossmith]   (default: build/editor/glossmith)
#        SECONDS_MEASURED=N changes the 10 seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-build/editor/glossmith}
seconds=${SECONDS_MEASURED:-10}
[ -x "$program" ] || { echo "no program at $program (build the target glossmith first)" >&2; exit 1; }
program=$(realpath "$program")
command -v Xvfb >/dev/null || { echo "Xvfb is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }

source scripts/virtual-screen.sh
start_screen 1024x768x24
start_editor "$program"

# The clock ticks of user and system time the process has taken so far.
ticks() {
  # Fields 14 and 15 of /proc/PID/stat, counted after the command name in parentheses.
  sed 's/^.*) //' "/proc/$editor/stat" | awk '{ print $12 + $13 }'
}

# Start-up (the first fill of the tree, the first paint) is over when the process has
# taken no more than a tenth of a second over the last half second, or after 15 seconds.
previous=$(ticks)
hz=$(getconf CLK_TCK)
for _ in $(seq 30); do
  sleep 0.5
  kill -0 "$editor" 2>/dev/null || { echo "the editor ended during start-up" >&2; exit 1; }
  now=$(ticks)
  [ $((now - previous)) -le $((hz / 10)) ] && break
  previous=$now
done

start=$(ticks)
sleep "$seconds"
kill -0 "$editor" 2>/dev/null || { echo "the editor ended while being measured" >&2; exit 1; }
end=$(ticks)
used=$((end - start))
awk -v t="$used" -v hz="$hz" -v s="$seconds" 'BEGIN {
  printf "idle over %d s: %d clock ticks (%d per second) of user+system time = %.2f %% of one core\n",
         s, t, hz, 100 * t / (hz * s) }'
