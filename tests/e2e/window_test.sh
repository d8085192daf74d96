#!/usr/bin/env bash
# The real program in a real X window (its own Xvfb): caption and client size, keys reach the game
# (jump, weapon choice, fire, panels, walk), sound reaches the audio device only once switched on,
# and Esc ends the program cleanly.
# Usage: window_test.sh PATH/TO/vexlot      (needs Xvfb, xdotool and ImageMagick: scripts/setup.sh)
set -uo pipefail

bin=${1:?usage: window_test.sh PATH/TO/vexlot}
for tool in Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/setup.sh installs it)"; exit 1; }
done
[ -x "$bin" ] || { echo "FAIL: no program at $bin"; exit 1; }

dir=$(mktemp -d "${TMPDIR:-/tmp}/vexlot-e2e.XXXXXX")
xvfb_pid="" game_pid="" passed=0 step=0

cleanup() {
  [ -n "$game_pid" ] && kill -KILL "$game_pid" 2>/dev/null && wait "$game_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  if [ "$passed" = 1 ]; then rm -rf "$dir"; fi
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  if [ -s "$dir/game.log" ]; then echo "--- program output:"; cat "$dir/game.log"; fi
  echo "screenshots and logs kept in $dir"
  exit 1
}
ok() { echo "ok (${SECONDS} s): $*"; }

now_ms() { date +%s%3N; }

# Polls a command every 0.05 s until it succeeds or $1 milliseconds have passed.
poll() {
  local deadline=$(($(now_ms) + $1)); shift
  until "$@"; do
    [ "$(now_ms)" -ge "$deadline" ] && return 1
    sleep 0.05
  done
}

# --- 1. An X server of our own, on the first free display from :90.
# Ours: it holds the display's lock and answers (another test run may race us for the same number).
xvfb_ours() {
  [ "$(tr -d ' \n' 2>/dev/null <"/tmp/.X$n-lock")" = "$xvfb_pid" ] &&
    DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1
}
xvfb_settled() { ! kill -0 "$xvfb_pid" 2>/dev/null || xvfb_ours; }
for n in $(seq 90 129); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
  # -noreset: by default the server resets when its last client (our probe) leaves, and a client
  # connecting during that reset fails.
  Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp -noreset >"$dir/xvfb.log" 2>&1 &
  xvfb_pid=$!
  if poll 5000 xvfb_settled && kill -0 "$xvfb_pid" 2>/dev/null && xvfb_ours; then
    export DISPLAY=":$n"
    break
  fi
  kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; xvfb_pid=""
done
[ -n "$xvfb_pid" ] || fail "no Xvfb could start on displays :90..:129 (see $dir/xvfb.log)"
ok "Xvfb on $DISPLAY"

# --- 2. The program, with SDL's disk audio driver writing the mixed output to a file.
# Seed 7: the rocket's bombs miss the dome where the player's guy lands, so he is free to walk.
# No --scale: on this 1920x1080 screen the largest whole scale that fits is 1.
# XDG_DATA_HOME: the replay it records and its F12 screenshots go to the temporary folder, not $HOME.
audio="$dir/audio.raw"
unset WAYLAND_DISPLAY
SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio" XDG_DATA_HOME="$dir/data" \
  "$bin" --seed 7 >"$dir/game.log" 2>&1 &
game_pid=$!

window_up() { wid=$(xdotool search --onlyvisible --name '^Vexlot$' 2>/dev/null | head -n 1); [ -n "$wid" ]; }
poll 10000 window_up || fail "no visible window named Vexlot within 10 s"
ok "window $wid"

# --- 3. Caption and client size.
name=$(xdotool getwindowname "$wid")
[ "$name" = "Vexlot" ] || fail "caption is '$name', not 'Vexlot'"
eval "$(xdotool getwindowgeometry --shell "$wid")"
[ "$WIDTH" = 796 ] && [ "$HEIGHT" = 592 ] || fail "client size is ${WIDTH}x$HEIGHT, not 796x592"
ok "caption Vexlot, client 796x592"

# No window manager here, so focus is given directly; keys from xdotool then go to the window.
xdotool windowfocus --sync "$wid" || fail "cannot focus the window"

# --- Screenshots and what they show.
shot() {  # shot NAME -> sets $png
  step=$((step + 1))
  png=$(printf '%s/%02d-%s.png' "$dir" "$step" "$1")
  timeout 20 import -window "$wid" -quality 10 "$png" 2>>"$dir/import.log" || fail "screenshot $png could not be taken"
}
# Pixels of exactly colour R,G,B inside the region WxH+X+Y of a picture.
count() {
  convert "$1" -alpha off -crop "$2" +repage -format %c histogram:info: |
    awk -v c="($3)" '$2 == c { n = $1 + 0 } END { print n + 0 }'
}
# The player's guy: his torso and arms are RGB(128,127,127), a colour nothing else in the level has.
# He is the largest patch of it, with pixels up to 4 apart joined (bodies drawn over his split it),
# some 40 pixels: when he falls or jumps, a few stray pixels of his colour can stay in the world picture.
guy=128,127,127
# Bounding box WxH+X+Y of that patch, 2 px wider on each side; empty when he is not there.
box() {
  convert "$1" -alpha off -fill black +opaque "rgb($guy)" -fill white -opaque "rgb($guy)" \
    -morphology Dilate Square:2 -define connected-components:verbose=true -connected-components 8 null: 2>/dev/null |
    awk '$NF ~ /255/ && $4 + 0 > best { best = $4 + 0; b = $2 } END { if (best >= 100) print b }'
}
box_x() { local b=${1#*+}; echo "${b%+*}"; }
box_y() { echo "${1##*+}"; }
middle() { local w=${1%%x*}; echo $(($(box_x "$1") + w / 2)); }
feet() { local h=${1#*x}; h=${h%%+*}; echo $(($(box_y "$1") + h)); }

# Waits until the guy stands still: in two screenshots in a row, his feet (the bottom of his box) at
# the same height and his middle within 2 px (his arms still move); sets $at.
settle() {
  local prev="" i
  for i in $(seq 1 40); do
    shot "$1"
    at=$(box "$png")
    [ -n "$at" ] && [ -n "$prev" ] && [ "$(feet "$at")" = "$(feet "$prev")" ] &&
      [ "$(middle "$at")" -le $(($(middle "$prev") + 2)) ] && [ "$(middle "$at")" -ge $(($(middle "$prev") - 2)) ] &&
      return 0
    prev=$at
    sleep 0.1
  done
  fail "$1: the player's guy (RGB $guy) never came to rest; last box '${at:-none}' in $png"
}

# --- 4. Keys. All but the walk happen on the dome, away from the computer guys, who walk and shoot
# down on the ground: a guy killed, or a body lying over him, would spoil the checks that follow.
settle start
rest_box=$at
ok "guy at rest at $rest_box"

higher() { shot jump; local b; b=$(box "$png"); [ -n "$b" ] && [ "$(box_y "$b")" -le $(($(box_y "$rest_box") - 5)) ]; }
# Up held: he jumps again each time he lands, so a slow screenshot still catches him in the air.
xdotool keydown Up
poll 3000 higher; jumped=$?
xdotool keyup Up
[ "$jumped" = 0 ] || fail "jump: the guy never rose 5 px above his rest box $rest_box within 3 s"
ok "jumped: $rest_box -> $(box "$png")"
settle landed
start_box=$at

# The ammunition gauge (182,2 127x18) and the dark panel beside it with the count in green.
gauge=127x18+182+2 label=67x18+310+2 shotgun=128,64,0 popgun=0,0,192
before=$png
[ "$(count "$before" $gauge $popgun)" -gt 0 ] && [ "$(count "$before" $gauge $shotgun)" = 0 ] ||
  fail "before '2': the gauge at $gauge should show the pop gun's bar (RGB $popgun) and no shotgun bar (RGB $shotgun) in $before"
xdotool key 2
shows_shotgun() { shot weapon2; [ "$(count "$png" $gauge $shotgun)" -gt 0 ] && [ "$(count "$png" $gauge $popgun)" = 0 ]; }
poll 2000 shows_shotgun || fail "after '2': no shotgun bar (RGB $shotgun) in the gauge at $gauge of $png"
differs() { [ "$(compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1)" != 0 ]; }
differs <(convert "$before" -crop $label +repage png:-) <(convert "$png" -crop $label +repage png:-) ||
  fail "after '2': the ammunition count panel at $label did not change (compare $before and $png)"
ok "weapon 2 shows the shotgun gauge and a new count"

full=$(count "$png" $gauge $shotgun) loaded=$png
xdotool keydown alt; sleep 0.2; xdotool keyup alt
fewer() { shot fired; [ "$(count "$png" $gauge $shotgun)" -lt "$full" ]; }
poll 2000 fewer || fail "fire: the shotgun bar did not shrink from $full pixels (compare $loaded and $png)"
ok "fired: the shotgun bar shrank from $full to $(count "$png" $gauge $shotgun) pixels"

# The Debug and Guy panels: their background RGB(212,208,200) in the top-left region.
panels=200x180+0+20 panel=212,208,200
[ "$(count "$png" $panels $panel)" = 0 ] || fail "panel colour (RGB $panel) in $panels before 'd' in $png"
xdotool key d
shown() { shot panels; [ "$(count "$png" $panels $panel)" -gt 2000 ]; }
poll 2000 shown || fail "after 'd': no panels (RGB $panel) in $panels of $png"
xdotool key d
hidden() { shot no-panels; [ "$(count "$png" $panels $panel)" = 0 ]; }
poll 2000 hidden || fail "after a second 'd': panel colour still in $panels of $png"
ok "'d' shows and hides the panels"

# --- 5. Sound: all silence so far (sound starts off, the shotgun shot made none); then on, and a pop.
nonzero() {  # nonzero FILE SKIP: bytes other than zero after the first SKIP
  tail -c +$(($2 + 1)) "$1" | tr -d '\000' | wc -c
}
audio_running() { [ -s "$audio" ]; }
poll 3000 audio_running || fail "the disk audio driver wrote nothing to $audio"
silent_until=$(stat -c %s "$audio")
[ "$(head -c "$silent_until" "$audio" | tr -d '\000' | wc -c)" = 0 ] || fail "sound reached the device before 's' (non-zero samples in the first $silent_until bytes of $audio)"
ok "silent: $silent_until bytes of zero samples before 's'"
xdotool key 1 s
sleep 0.1
xdotool keydown alt; sleep 0.1; xdotool keyup alt
heard() { [ "$(nonzero "$audio" "$silent_until")" -gt 0 ]; }
poll 3000 heard || fail "after 's' and a pop gun shot: no non-zero samples in $audio after byte $silent_until"
ok "after 's' and a shot: $(nonzero "$audio" "$silent_until") non-zero bytes of sound"

# Last, the walk right: off the dome and down among the computer guys.
xdotool keydown Right; sleep 1; xdotool keyup Right
settle walked
[ "$(box_x "$at")" -ge $(($(box_x "$start_box") + 30)) ] ||
  fail "walk right: the guy's box went from $start_box to $at, not 30 px or more to the right"
ok "walked right: $start_box -> $at"

# --- F12: a screenshot in the data folder and the message "Saved ..." (RGB 255,255,128 at 8,40) for 2 s.
# Known front-end bug: Window::run in src/platform/sdl_frontend.cpp calls
# SDL_TICKS_PASSED(messageUntil_, SDL_GetTicks()), which is true while the message is due, and treats
# it as "time is up": messages (Saved, Volume, Replay speed) stay hidden for their time, then show for
# good. Until that is fixed the timing part only reports; set this to 1 to enforce it.
enforce_message_timing=1
msg=300x12+8+38 yellow=255,255,128
[ "$(count "$png" $msg $yellow)" = 0 ] || fail "message colour (RGB $yellow) in $msg before F12 in $png"
xdotool key F12
saved() { compgen -G "$dir/data/vexlot/screenshots/*.png" >/dev/null; }
poll 3000 saved || fail "F12: no screenshot in $dir/data/vexlot/screenshots"
ok "F12 saved $(cd "$dir/data/vexlot/screenshots" && echo *.png)"
message() { shot message; [ "$(count "$png" $msg $yellow)" -gt 0 ]; }
no_message() { shot no-message; [ "$(count "$png" $msg $yellow)" = 0 ]; }
if poll 1500 message && poll 4000 no_message; then
  ok "the F12 message showed, then went"
  [ "$enforce_message_timing" = 1 ] ||
    echo "note: the message timing works now; set enforce_message_timing=1 in $0"
elif [ "$enforce_message_timing" = 1 ]; then
  fail "F12: the message \"Saved ...\" should show at once and go after 2 s (see $png)"
else
  echo "known front-end bug (not failing): the F12 message did not show at once and go after 2 s"
fi

# --- 6. Esc ends the program within a second, with exit status 0.
shot before-esc
t0=$(now_ms)
xdotool key Escape
gone() { ! kill -0 "$game_pid" 2>/dev/null; }
poll 1000 gone || fail "the program still runs 1 s after Esc"
wait "$game_pid"; status=$?
took=$(($(now_ms) - t0)); game_pid=""
[ "$status" = 0 ] || fail "exit status $status after Esc"
ok "Esc ended the program in about $took ms with status 0"

# --- 7. The game's recording: a file of its own in the data folder, and latest.replay a copy of it
# made when the game ended; it verifies headless.
recordings=$(compgen -G "$dir/data/vexlot/vexlot-*.replay" | wc -l)
[ "$recordings" = 1 ] || fail "$recordings recordings in $dir/data/vexlot, not 1"
[ -f "$dir/data/vexlot/latest.replay" ] || fail "no latest.replay after the game ended"
tail -n 1 "$dir/data/vexlot/latest.replay" | grep -q ' end ' || fail "latest.replay has no end line"
"$bin" --headless --replay "$dir/data/vexlot/latest.replay" >"$dir/verify.log" 2>&1 ||
  fail "the recorded game does not verify: $(cat "$dir/verify.log")"
ok "recorded $(basename "$(compgen -G "$dir/data/vexlot/vexlot-*.replay")"), latest.replay verifies"

# --- 8. Two players: a window of two views, player 2's keys on the left of the keyboard (one of them
# rebound by a keys file) beside the arrows and Alt for player 1; both players' keys reach the game
# (the recording has them), SIGTERM ends it with its end line.
# Player 2 walks right on L here: the keys file of the user's rebinds it.
mkdir -p "$dir/config/vexlot"
printf '# walk right with L\np2.right = L\n' >"$dir/config/vexlot/keys"
SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy XDG_DATA_HOME="$dir/data2" XDG_CONFIG_HOME="$dir/config" \
  "$bin" --players 2 --seed 7 >"$dir/game2.log" 2>&1 &
game_pid=$!
poll 10000 window_up || fail "two players: no visible window within 10 s"
eval "$(xdotool getwindowgeometry --shell "$wid")"
[ "$WIDTH" = 1592 ] && [ "$HEIGHT" = 592 ] || fail "two players: client size is ${WIDTH}x$HEIGHT, not 1592x592"
xdotool windowfocus --sync "$wid" || fail "cannot focus the two-player window"
sleep 1
shot two-before
before=$png
xdotool keydown l keydown Right
sleep 1.2
xdotool keyup l keyup Right key space key Tab
sleep 0.3
shot two-after
changed() { compare -metric AE "$before" "$png" -crop "$1" null: 2>&1 | cut -d' ' -f1; }
left=$(changed 796x592+0+0) right=$(changed 796x592+796+0)
[ "${left%.*}" -gt 500 ] && [ "${right%.*}" -gt 500 ] || fail "two players: views changed by $left and $right pixels"
kill -TERM "$game_pid"
poll 3000 gone || fail "two players: still running 3 s after SIGTERM"
wait "$game_pid"; game_pid=""
rec=$(compgen -G "$dir/data2/vexlot/vexlot-*.replay" | head -n 1)
[ -n "$rec" ] || fail "two players: no recording"
grep -q ' p2 down 39$' "$rec" && grep -q ' down 39$' "$rec" && grep -q ' p2 char ' "$rec" ||
  fail "two players: the recording lacks the players' keys: $(cat "$rec")"
tail -n 1 "$rec" | grep -q ' end ' || fail "two players: SIGTERM left no end line"
"$bin" --headless --replay "$rec" >"$dir/verify2.log" 2>&1 || fail "two players: $(cat "$dir/verify2.log")"
ok "two players: 1592x592, both views changed ($left, $right pixels), both players' keys recorded, SIGTERM ended it cleanly"

passed=1
echo "PASS"
