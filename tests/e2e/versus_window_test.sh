#!/usr/bin/env bash
# A duel in the real window (its own Xvfb): `duel = yes` in the settings file makes a game of two
# without computer guys, recorded with its rules; R held alone does not start a new round (the player
# who is losing cannot cancel it), R and Enter held together do, and every recording verifies.
# Usage: versus_window_test.sh PATH/TO/vexlot      (needs Xvfb and xdotool: scripts/setup.sh)
set -uo pipefail

bin=${1:?usage: versus_window_test.sh PATH/TO/vexlot}
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/setup.sh installs it)"; exit 1; }
done
dir=$(mktemp -d "${TMPDIR:-/tmp}/vexlot-versus.XXXXXX")
xvfb_pid="" game_pid="" passed=0

cleanup() {
  [ -n "$game_pid" ] && kill -KILL "$game_pid" 2>/dev/null && wait "$game_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  if [ "$passed" = 1 ]; then rm -rf "$dir"; fi
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  [ -s "$dir/game.log" ] && { echo "--- program output:"; cat "$dir/game.log"; }
  echo "logs kept in $dir"
  exit 1
}
ok() { echo "ok (${SECONDS} s): $*"; }
source "$(dirname "$0")/xvfb.sh"

start_xvfb 1920x1080; xvfb_pid=$pid_started; export DISPLAY=$display
unset WAYLAND_DISPLAY
mkdir -p "$dir/config/vexlot"
printf 'duel = yes\n' >"$dir/config/vexlot/settings"
SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy XDG_DATA_HOME="$dir/data" XDG_CONFIG_HOME="$dir/config" \
  "$bin" --players 2 --seed 3 >"$dir/game.log" 2>&1 &
game_pid=$!
window_up() { wid=$(xdotool search --onlyvisible --name '^Vexlot$' 2>/dev/null | head -n 1); [ -n "$wid" ]; }
poll 10000 window_up || fail "no visible window within 10 s"
xdotool windowfocus --sync "$wid" || fail "cannot focus the window"
recordings() { compgen -G "$dir/data/vexlot/vexlot-*.replay" | wc -l; }
poll 5000 test "$(recordings)" = 1 || fail "no recording of the first round"

xdotool keydown r; sleep 1.6; xdotool keyup r; sleep 0.5
[ "$(recordings)" = 1 ] || fail "R held alone started a new round"
ok "R held alone: the round goes on"

xdotool keydown r keydown Return; sleep 1.6; xdotool keyup r keyup Return
two() { [ "$(recordings)" = 2 ]; }
poll 3000 two || fail "R and Enter held together did not start a new round ($(recordings) recordings)"
ok "R and Enter held together: a new round"

kill -TERM "$game_pid"
wait "$game_pid"; game_pid=""
for rec in "$dir"/data/vexlot/vexlot-*.replay; do
  grep -qx 'duel yes' "$rec" && grep -qx 'versus 1' "$rec" || fail "$rec lacks its rules: $(head -8 "$rec")"
  "$bin" --headless --replay "$rec" >"$dir/verify.log" 2>&1 || fail "$rec: $(cat "$dir/verify.log")"
done
ok "both rounds recorded as duels, both verify"
passed=1
echo "PASS"
