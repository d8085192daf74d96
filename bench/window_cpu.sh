#!/usr/bin/env bash
# The window's CPU against a bare present loop (the baseline program given to us, built here), both
# under one Xvfb, in turns, for the same time; prints each one's CPU share and the ratio.
# Usage: bench/window_cpu.sh PATH/TO/vexlot PATH/TO/baseline_present.c [SECONDS] [-- GAME OPTIONS]
set -euo pipefail
bin=${1:?usage: window_cpu.sh PATH/TO/vexlot PATH/TO/baseline_present.c [SECONDS] [-- OPTIONS]}
src=${2:?baseline_present.c}
secs=${3:-20}
shift 3 2>/dev/null || shift $#
[ "${1:-}" = -- ] && shift
dir=$(mktemp -d "${TMPDIR:-/tmp}/vexlot-cpu.XXXXXX")
trap 'kill $xvfb 2>/dev/null; rm -rf "$dir"' EXIT
cc -O2 -o "$dir/baseline" "$src" $(pkg-config --cflags --libs sdl2)
for n in $(seq 140 179); do [ -e /tmp/.X$n-lock ] || break; done
Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
sleep 1
export DISPLAY=":$n" SDL_AUDIODRIVER=dummy XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/data"
# CPU seconds (user + system) a process used over `secs` seconds after a 2 s warm-up.
measure() {
  "$@" >/dev/null 2>&1 &
  local pid=$! tick a b
  tick=$(getconf CLK_TCK)
  sleep 2
  a=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
  sleep "$secs"
  b=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
  kill "$pid"; wait "$pid" 2>/dev/null || true
  echo "scale=4; ($b - $a) / $tick / $secs" | bc
}
base=$(measure "$dir/baseline")
game=$(measure "$bin" --seed 7 "$@")
echo "baseline: $(echo "scale=1; $base * 100 / 1" | bc) % of a core"
echo "game:     $(echo "scale=1; $game * 100 / 1" | bc) % of a core"
echo "ratio:    $(echo "scale=2; $game / $base" | bc)"
