#!/usr/bin/env bash
# A network game with a real window, on 127.0.0.1 only. First the window hosts: it shows that it
# waits, a headless peer joins with a script, keys held in the window move player 1, Esc ends the
# game for both, and the two peers end with the same state hash and the same recording, which
# verifies. Then the window joins a headless host and shows player 2's view; the host is stopped,
# the window says the other player left, and Esc closes it with a recording that verifies.
# Usage: net_window_test.sh PATH/TO/vexlot      (needs Xvfb, xdotool and ImageMagick: scripts/setup.sh)
set -uo pipefail

bin=${1:?usage: net_window_test.sh PATH/TO/vexlot}
for tool in Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/setup.sh installs it)"; exit 1; }
done

dir=$(mktemp -d "${TMPDIR:-/tmp}/vexlot-net-e2e.XXXXXX")
xvfb_pid="" window_pid="" peer_pid="" passed=0 step=0

cleanup() {
  for pid in "$window_pid" "$peer_pid"; do
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  done
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  if [ "$passed" = 1 ]; then rm -rf "$dir"; fi
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  for log in "$dir"/*.log; do [ -s "$log" ] && { echo "--- $log:"; cat "$log"; }; done
  echo "screenshots and logs kept in $dir"
  exit 1
}
ok() { echo "ok (${SECONDS} s): $*"; }

source "$(dirname "$0")/xvfb.sh"
start_xvfb 1280x1024; xvfb_pid=$pid_started; export DISPLAY=$display
unset WAYLAND_DISPLAY
export XDG_DATA_HOME="$dir/data" XDG_CONFIG_HOME="$dir/config" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
ok "Xvfb 1280x1024 on $DISPLAY"

window_up() { wid=$(xdotool search --onlyvisible --name "^Vexlot: network game, player $1\$" 2>/dev/null | head -n 1); [ -n "$wid" ]; }
logged() { grep -q "$2" "$dir/$1.log"; }
shot() {  # shot NAME -> sets $png
  step=$((step + 1))
  png=$(printf '%s/%02d-%s.png' "$dir" "$step" "$1")
  timeout 20 import -window "$wid" "$png" 2>>"$dir/import.log" || fail "screenshot $png could not be taken"
}
# The share of a picture's pixels that are not black.
lit() { convert "$1" -threshold 4% -format '%[fx:mean]' info:; }
# ends PID SECONDS: the process has ended within the time; sets $status.
ends() {
  local pid=$1 deadline=$(($(now_ms) + $2 * 1000))
  while kill -0 "$pid" 2>/dev/null; do
    [ "$(now_ms)" -ge "$deadline" ] && return 1
    sleep 0.1
  done
  wait "$pid"; status=$?
}
final_hash() { sed -n 's/^final state hash \([0-9a-f]*\) at frame \([0-9]*\)$/\1 \2/p' "$dir/$1.log"; }
verifies() { "$bin" --headless --replay "$1" >>"$dir/verify.log" 2>&1; }

# The headless peer's keys: walk right a while, take weapon 2, fire.
printf '1 down 39\n90 up 39\n100 char 50\n110 down 18\n140 up 18\n' >"$dir/peer.txt"

# --- 1. The window hosts on a free port and says it waits.
# --scale 1: one whole step (on this screen a first start would fill, and one view is 796 wide).
"$bin" --host 0 --seed 7 --scale 1 --record "$dir/host.replay" >"$dir/host.log" 2>&1 &
window_pid=$!
poll 10000 window_up 1 || fail "no window named 'Vexlot: network game, player 1' within 10 s"
poll 5000 logged host 'hosting on UDP port' || fail "the host did not say its port"
port=$(sed -n 's/^hosting on UDP port \([0-9]*\);.*/\1/p' "$dir/host.log")
sleep 0.3
shot waiting
[ "$(convert "$png" -format '%w' info:)" = 796 ] || fail "the window is not one view wide"
awk "BEGIN { exit !($(lit "$png") > 0.005) }" || fail "the waiting window shows nothing ($png)"
ok "window hosting on UDP port $port shows that it waits"

# --- 2. A headless peer joins; player 1 walks on keys held in the window; Esc ends it for both.
"$bin" --headless --join "127.0.0.1:$port" --script "$dir/peer.txt" --record "$dir/peer.replay" >"$dir/peer.log" 2>&1 &
peer_pid=$!
poll 10000 logged host 'playing as player 1' || fail "the match did not start within 10 s"
xdotool windowfocus --sync "$wid" || fail "cannot focus the window"
sleep 1
xdotool keydown Right; sleep 1.5; xdotool keyup Right
shot playing
awk "BEGIN { exit !($(lit "$png") > 0.5) }" || fail "the game's world is not shown ($png)"
xdotool key Escape
ends "$window_pid" 15 || fail "the window did not close within 15 s of Esc"
[ "$status" = 0 ] || fail "the host window ended with status $status"
window_pid=""
ends "$peer_pid" 15 || fail "the headless peer did not end within 15 s of the host's Esc"
[ "$status" = 0 ] || fail "the headless peer ended with status $status"
peer_pid=""
host_end=$(final_hash host) peer_end=$(final_hash peer)
[ -n "$host_end" ] && [ "$host_end" = "$peer_end" ] || fail "final states differ: host '$host_end', peer '$peer_end'"
cmp -s "$dir/host.replay" "$dir/peer.replay" || fail "the two recordings differ"
grep -q ' p2 down 39$' "$dir/host.replay" || fail "the peer's keys are not in the host's recording"
grep -qv ' p2 ' <(grep ' down 39$' "$dir/host.replay") || fail "the window's Right is not in the recording"
verifies "$dir/host.replay" || fail "the host's recording does not verify"
ok "Esc in the window ended the game for both at the same state ($host_end); one recording, verified"
sed -n 's/^net: /  window: /p' "$dir/host.log"; sed -n 's/^net: /  headless peer: /p' "$dir/peer.log"

# --- 3. The window joins a headless host and shows player 2's view; the host stops; Esc closes.
"$bin" --headless --host 0 --seed 11 --script "$dir/peer.txt" --frames 100000 --record "$dir/peer2.replay" \
  >"$dir/peer2.log" 2>&1 &
peer_pid=$!
poll 10000 logged peer2 'hosting on UDP port' || fail "the headless host did not say its port"
port=$(sed -n 's/^hosting on UDP port \([0-9]*\);.*/\1/p' "$dir/peer2.log")
"$bin" --join "127.0.0.1:$port" --scale 1 --record "$dir/join.replay" >"$dir/join.log" 2>&1 &
window_pid=$!
poll 10000 window_up 2 || fail "no window named 'Vexlot: network game, player 2' within 10 s"
poll 10000 logged join 'playing as player 2' || fail "the window did not join within 10 s"
sleep 2
shot joined
awk "BEGIN { exit !($(lit "$png") > 0.5) }" || fail "the joiner's window shows no world ($png)"
kill -TERM "$peer_pid"
ends "$peer_pid" 10 || fail "the headless host did not stop within 10 s"
peer_pid=""
poll 10000 logged join 'the other player left: "the program was stopped"' || fail "the window did not say that the other player stopped"
kill -0 "$window_pid" 2>/dev/null || fail "the window closed by itself when the other player left"
shot left
xdotool windowfocus --sync "$wid"; xdotool key Escape
ends "$window_pid" 10 || fail "the window did not close within 10 s of Esc"
[ "$status" = 0 ] || fail "the joining window ended with status $status"
window_pid=""
verifies "$dir/join.replay" || fail "the joiner's recording does not verify"
ok "the window joined as player 2, said when the host stopped, and its recording verifies"

passed=1
echo "PASS"
