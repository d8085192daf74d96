#!/usr/bin/env bash
# The real program in real X windows (Xvfb servers of its own): the first window fits a 1280x1024
# screen with the gauges showing, keys reach the game (jump, weapon choice, fire, panels, walk), sound
# reaches the audio device only once switched on, F1 shows the help, a tap on R does nothing but R
# held restarts, and Esc ends the program cleanly. Then: settings survive a restart (fill mode, sound)
# and a 1920x1080 window is filled without cropping; a player killed on a deadly level sees the death
# panel and R starts a new game with a new recording; a damaged settings file gives one line and the
# defaults; two players share the keyboard, one of player 2's keys moved in the settings file.
# Usage: window_test.sh PATH/TO/vexlot      (needs Xvfb, xdotool and ImageMagick: scripts/setup.sh)
set -uo pipefail

bin=${1:?usage: window_test.sh PATH/TO/vexlot}
for tool in Xvfb xdotool xwininfo xprop import convert; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/setup.sh installs it)"; exit 1; }
done
[ -x "$bin" ] || { echo "FAIL: no program at $bin"; exit 1; }

dir=$(mktemp -d "${TMPDIR:-/tmp}/vexlot-e2e.XXXXXX")
xvfb_pid="" xvfb2_pid="" wm_pid="" game_pid="" passed=0 step=0

cleanup() {
  [ -n "$game_pid" ] && kill -KILL "$game_pid" 2>/dev/null && wait "$game_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null
  [ -n "$xvfb2_pid" ] && kill "$xvfb2_pid" 2>/dev/null && wait "$xvfb2_pid" 2>/dev/null
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

# now_ms, poll, start_xvfb (X servers of our own on free displays).
source "$(dirname "$0")/xvfb.sh"

# --- 1. X servers on the first free displays from :90: 1280x1024 and 1920x1080.
start_xvfb 1280x1024; xvfb_pid=$pid_started; first_display=$display; export DISPLAY=$display
start_xvfb 1920x1080; xvfb2_pid=$pid_started; wide_display=$display
ok "Xvfb 1280x1024 on $DISPLAY, 1920x1080 on $wide_display"

# --- 2. The program, with SDL's disk audio driver writing the mixed output to a file.
# Seed 7: the rocket's bombs miss the dome where the player's guy lands, so he is free to walk.
# --scale 1: the whole step this test's coordinates are in (a first start without it fills this
# 1280x1024 screen, where one whole step would leave most of it unused: step 10 sees that).
# XDG_DATA_HOME: the replay it records and its F12 screenshots go to the temporary folder, not $HOME;
# XDG_CONFIG_HOME: its settings too (none yet: this is a first start).
audio="$dir/audio.raw"
unset WAYLAND_DISPLAY
export XDG_DATA_HOME="$dir/data" XDG_CONFIG_HOME="$dir/config"
settings="$dir/config/vexlot/settings"
SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio" "$bin" --seed 7 --scale 1 >"$dir/game.log" 2>&1 &
game_pid=$!

window_up() { wid=$(xdotool search --onlyvisible --name '^Vexlot$' 2>/dev/null | head -n 1); [ -n "$wid" ]; }
poll 10000 window_up || fail "no visible window named Vexlot within 10 s"
ok "window $wid"

# --- 3. Caption and client size.
name=$(xdotool getwindowname "$wid")
[ "$name" = "Vexlot" ] || fail "caption is '$name', not 'Vexlot'"
eval "$(xdotool getwindowgeometry --shell "$wid")"
[ "$WIDTH" = 796 ] && [ "$HEIGHT" = 592 ] || fail "client size is ${WIDTH}x$HEIGHT, not 796x592"
[ "$X" -ge 0 ] && [ "$Y" -ge 0 ] && [ $((X + WIDTH)) -le 1280 ] && [ $((Y + HEIGHT)) -le 1024 ] ||
  fail "the window at $X,$Y (${WIDTH}x$HEIGHT) is not all on the 1280x1024 screen"
ok "caption Vexlot, client 796x592 at $X,$Y: all on the screen"

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
life=175x18+6+2 blue=0,0,255
[ "$(count "$png" $life $blue)" -gt 2000 ] || fail "the life gauge at $life shows no blue bar (RGB $blue) in $png"
[ "$(count "$png" 127x18+182+2 0,0,192)" -gt 1000 ] || fail "the ammunition gauge at 182,2 shows no bar in $png"
ok "both gauges show"
hint=90x14+704+4
[ "$(count "$png" $hint 255,255,128)" -gt 20 ] || fail "the first start shows no hint 'F1: help' at $hint in $png"
ok "first start: the hint 'F1: help' at the top right"

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

# --- F12: a screenshot in the data folder and the message "Screenshot saved ..." (RGB 255,255,128)
# at the bottom centre, clear of the gauges and panels, for 2 s.
msg=796x18+0+546 yellow=255,255,128
no_message() { shot no-message; [ "$(count "$png" $msg $yellow)" = 0 ]; }
poll 3000 no_message || fail "message colour (RGB $yellow) in $msg before F12 in $png"
xdotool key F12
saved() { compgen -G "$dir/data/vexlot/screenshots/*.png" >/dev/null; }
poll 3000 saved || fail "F12: no screenshot in $dir/data/vexlot/screenshots"
ok "F12 saved $(cd "$dir/data/vexlot/screenshots" && echo *.png)"
message() { shot message; [ "$(count "$png" $msg $yellow)" -gt 0 ]; }
poll 1500 message || fail "F12: no message \"Screenshot saved\" (RGB $yellow) in $msg of $png"
[ "$(count "$png" 200x180+0+20 $yellow)" = 0 ] || fail "a message over the gauges or panels in $png"
poll 4000 no_message || fail "F12: the message did not go after 2 s (see $png)"
ok "the F12 message showed at the bottom, then went"

# --- Help: F1 shows the keys over the paused game (the game keys in RGB 255,255,128 in the
# panel's key column), F1 again hides it.
keys_column=100x100+20+140
helped() { shot help; [ "$(count "$png" $keys_column $yellow)" -gt 150 ]; }
xdotool key F1
poll 2000 helped || fail "F1: no help panel (game keys in RGB $yellow at $keys_column) in $png"
# In the panel: Down to the fifth game key (fire), Enter, then Ctrl: fire moves to Ctrl.
xdotool key Down Down Down Down Down Return; sleep 0.2; xdotool key ctrl
rebound() { grep -qx 'p1.fire = Ctrl' "$settings" 2>/dev/null; }
poll 2000 rebound || fail "fire moved to Ctrl in the help panel, but $settings does not say 'p1.fire = Ctrl'"
xdotool key F1
unhelped() { shot no-help; [ "$(count "$png" $keys_column $yellow)" = 0 ]; }
poll 2000 unhelped || fail "a second F1 did not hide the help panel (see $png)"
ok "F1 shows and hides the help; fire moved to Ctrl there"

# --- R: a tap does nothing while the player lives; held for a second it starts a new game, whose
# recording is a new file (the first is kept).
replays() { compgen -G "$dir/data/vexlot/vexlot-*.replay" | wc -l; }
[ "$(replays)" = 1 ] || fail "expected one recording in $dir/data/vexlot, found $(replays)"
xdotool key r; sleep 1.3
[ "$(replays)" = 1 ] || fail "a tap on R started a new game while the player lives"
xdotool keydown r; sleep 1.5; xdotool keyup r
two() { [ "$(replays)" = 2 ]; }
poll 2000 two || fail "R held 1.5 s: no second recording in $dir/data/vexlot"
ok "a tap on R did nothing; R held started a new game with a new recording"

# Sound was turned on above and F8 picks fill mode now: both stay in the settings file.
xdotool key F8
filled() { grep -qx 'fit = fill' "$settings" 2>/dev/null && grep -qx 'sound = on' "$settings"; }
poll 2000 filled || fail "the settings file $settings does not say 'fit = fill' and 'sound = on'"
ok "settings written: $(grep -c . "$settings") lines in $settings"

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

# The games' recordings: a file of each's own in the data folder, and latest.replay a copy of the
# last made when it ended; both verify headless.
recordings=$(compgen -G "$dir/data/vexlot/vexlot-*.replay" | wc -l)
[ "$recordings" = 2 ] || fail "$recordings recordings in $dir/data/vexlot, not 2"
[ -f "$dir/data/vexlot/latest.replay" ] || fail "no latest.replay after the game ended"
tail -n 1 "$dir/data/vexlot/latest.replay" | grep -q ' end ' || fail "latest.replay has no end line"
for rec in "$dir"/data/vexlot/*.replay; do  # the two games and latest.replay
  "$bin" --headless --replay "$rec" >"$dir/verify.log" 2>&1 || fail "$rec does not verify: $(cat "$dir/verify.log")"
done
ok "both games recorded, latest.replay the second; all verify"

# --- 7. Settings survive a restart: on a 1920x1080 screen the game starts with sound on (a shot is
# heard at once) and in fill mode; fullscreen (or resized to the whole screen), the picture fills its height with
# the 796:592 shape, centred, nothing cropped.
# With a window manager (openbox, when installed) the window has a real frame and title bar, which
# must be on the screen too, and F11 makes it fullscreen; on bare Xvfb (or VEXLOT_E2E_NO_WM=1) the
# window is resized instead.
wm_pid=""
if [ -z "${VEXLOT_E2E_NO_WM:-}" ] && command -v openbox >/dev/null; then
  DISPLAY=$wide_display openbox >"$dir/openbox.log" 2>&1 &
  wm_pid=$!
  wm_up() { DISPLAY=$wide_display xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
  poll 5000 wm_up || fail "openbox did not start on $wide_display (see $dir/openbox.log)"
fi
audio2="$dir/audio2.raw"
DISPLAY=$wide_display SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio2" \
  "$bin" --seed 7 >"$dir/game2.log" 2>&1 &
game_pid=$!
export DISPLAY=$wide_display
poll 10000 window_up || fail "no visible window on the 1920x1080 screen within 10 s"
# client_geometry: the window's client area, absolute, as X, Y, W, H.
client_geometry() {
  xwininfo -id "$wid" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    /^ *Width/ { w = $NF } /^ *Height/ { h = $NF } END { print x, y, w, h }'
}
if [ -n "$wm_pid" ]; then
  xdotool windowactivate --sync "$wid" || fail "cannot activate the window"
  framed() { xprop -id "$wid" _NET_FRAME_EXTENTS 2>/dev/null | grep -q =; }
  poll 3000 framed || fail "openbox gave the window no frame"
  # The program moves its window once it sees the frame: allow it a moment.
  on_screen() {
    read -r l r t b < <(xprop -id "$wid" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
    read -r X Y W H < <(client_geometry)
    [ $((X - l)) -ge 0 ] && [ $((Y - t)) -ge 0 ] && [ $((X + W + r)) -le 1920 ] && [ $((Y + H + b)) -le 1080 ]
  }
  poll 3000 on_screen ||
    fail "the framed window (client ${W}x$H at $X,$Y, frame $l $r $t $b) is not all on the 1920x1080 screen"
  ok "with openbox: the window (${W}x$H: fill mode from the settings) and its title bar ($t px) are on the screen"
  xdotool key F11
else
  xdotool windowfocus --sync "$wid" || fail "cannot focus the window"
  xdotool windowmove --sync "$wid" 0 0; xdotool windowsize --sync "$wid" 1920 1080
fi
whole_screen() { read -r X Y W H < <(client_geometry); [ "$W" = 1920 ] && [ "$H" = 1080 ]; }
poll 3000 whole_screen || fail "the window is ${W}x$H, not 1920x1080"
# The picture's box: everything but the black bars (the sky and the ground are not black).
fills() { shot fill; area=$(convert "$png" -alpha off -format %@ info: 2>/dev/null); [ "$area" = 1452x1080+234+0 ]; }
poll 3000 fills || fail "fill mode at 1920x1080: the picture covers $area, not 1452x1080+234+0 (see $png)"
[ "$(count "$png" 300x30+240+0 0,0,255)" -gt 2000 ] || fail "no life gauge at the top left of the filled picture in $png"
ok "1920x1080 filled: picture at $area, gauges at the top"
# Sound on from the start (the game's own start is silent): sounds reach the device unasked.
heard2() { [ "$(nonzero "$audio2" 0)" -gt 0 ]; }
poll 4000 heard2 || fail "sound on from the settings: no sound reached $audio2"
ok "sound on from the settings: $(nonzero "$audio2" 0) non-zero bytes"
# Fire is on Ctrl now (moved in the help panel above): the shotgun's bar (the ammunition gauge at
# 182,2 127x18, here scaled by 1080/592 from x 234) shrinks after a Ctrl shot.
gauge2=232x33+566+4
xdotool key 2
shotgun_shown() { shot fill-shotgun; [ "$(count "$png" $gauge2 $shotgun)" -gt 3000 ]; }
poll 2000 shotgun_shown || fail "after '2': no shotgun bar (RGB $shotgun) at $gauge2 of $png"
full2=$(count "$png" $gauge2 $shotgun)
xdotool keydown ctrl; sleep 0.2; xdotool keyup ctrl
fewer2() { shot fill-fired; [ "$(count "$png" $gauge2 $shotgun)" -lt "$full2" ]; }
poll 2000 fewer2 || fail "fire on Ctrl from the settings: the shotgun bar did not shrink from $full2 pixels ($png)"
ok "fire on Ctrl from the settings: the shotgun bar shrank from $full2 to $(count "$png" $gauge2 $shotgun) pixels"
xdotool key Escape
poll 2000 gone || fail "the program still runs 2 s after Esc"
wait "$game_pid"; game_pid=""
if [ -n "$wm_pid" ]; then kill "$wm_pid"; wait "$wm_pid" 2>/dev/null; wm_pid=""; fi

# --- 8. Death: on a level whose floor under the player is deadly yellow he bleeds to death; the
# death panel (its red RGB 255,64,64) shows, and R starts a new game with a new recording.
# A plain 796x592 window again (the first screen has no window manager to make one fullscreen).
export DISPLAY=$first_display
sed -i 's/^fullscreen = yes$/fullscreen = no/; s/^fit = fill$/fit = whole/' "$settings"
convert -size 2400x600 xc:black -fill 'rgb(255,255,0)' -draw 'rectangle 0,449 2399,599' \
  -fill 'rgb(0,99,49)' -draw 'rectangle 300,449 2399,599' "PNG24:$dir/deadly.png" || fail "cannot make the deadly level"
export XDG_DATA_HOME="$dir/data3"
SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy "$bin" --seed 7 --level "$dir/deadly.png" >"$dir/game3.log" 2>&1 &
game_pid=$!
poll 10000 window_up || fail "no window for the deadly level within 10 s"
xdotool windowfocus --sync "$wid" || fail "cannot focus the window"
red=255,64,64 panel_area=400x130+198+140
died() { shot dead; [ "$(count "$png" $panel_area $red)" -gt 500 ]; }
poll 8000 died || fail "no death panel (RGB $red in $panel_area) within 8 s on the deadly level (see $png)"
ok "the death panel shows"
[ "$(compgen -G "$dir/data3/vexlot/vexlot-*.replay" | wc -l)" = 1 ] || fail "expected one recording before R"
xdotool key r
renewed() { [ "$(compgen -G "$dir/data3/vexlot/vexlot-*.replay" | wc -l)" = 2 ]; }
poll 2000 renewed || fail "R after death: no new recording in $dir/data3/vexlot"
first=$(ls "$dir"/data3/vexlot/vexlot-*.replay | head -n 1)
tail -n 1 "$first" | grep -q ' end ' || fail "the finished game's recording $first has no end line"
"$bin" --headless --replay "$first" --level "$dir/deadly.png" >"$dir/verify.log" 2>&1 ||
  fail "the finished game's recording does not verify: $(cat "$dir/verify.log")"
ok "R started a new game; the finished one's recording is kept and verifies"
xdotool key Escape
poll 2000 gone || fail "the program still runs 2 s after Esc"
wait "$game_pid"; game_pid=""

# --- 9. A damaged settings file: one line on stderr, the defaults used and written back.
printf 'volume = loud\n' >"$settings"
SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy "$bin" --seed 7 >"$dir/game4.log" 2>&1 &
game_pid=$!
poll 10000 window_up || fail "no window with a damaged settings file within 10 s"
xdotool windowfocus --sync "$wid"; xdotool key Escape
poll 2000 gone || fail "the program still runs 2 s after Esc"
wait "$game_pid"; status=$?; game_pid=""
[ "$status" = 0 ] || fail "exit status $status with a damaged settings file"
cp "$dir/game4.log" "$dir/game4.err"
[ "$(grep -c . "$dir/game4.err")" = 1 ] && grep -q 'settings file .* is damaged (line 1: volume' "$dir/game4.err" ||
  fail "a damaged settings file should give one line, got: $(cat "$dir/game4.err")"
grep -qx 'volume = 100' "$settings" && grep -qx 'fit = auto' "$settings" || fail "the settings file was not replaced by the defaults"
ok "damaged settings: '$(cat "$dir/game4.err")'"

# --- 10. Two players on the 1920x1080 screen (no choice of scaling in the settings: one whole step
# would leave over a quarter of the screen unused, so the first window is filled): a window of two views, player 2's keys on the left
# of the keyboard (one of them moved by the settings file) beside the arrows and Alt for player 1;
# both players' keys reach the game (the recording has them), SIGTERM ends it with its end line.
export DISPLAY=$wide_display
mkdir -p "$dir/config2/vexlot"
printf '# player 2 walks right with L\np2.right = L\n' >"$dir/config2/vexlot/settings"
SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy XDG_DATA_HOME="$dir/data4" XDG_CONFIG_HOME="$dir/config2" \
  "$bin" --players 2 --seed 7 >"$dir/game5.log" 2>&1 &
game_pid=$!
poll 10000 window_up || fail "two players: no visible window within 10 s"
eval "$(xdotool getwindowgeometry --shell "$wid")"
[ "$WIDTH" = 1912 ] && [ "$HEIGHT" = 710 ] || fail "two players: client size is ${WIDTH}x$HEIGHT, not 1912x710 (filled)"
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
left=$(changed 956x710+0+0) right=$(changed 956x710+956+0)
[ "${left%.*}" -gt 500 ] && [ "${right%.*}" -gt 500 ] || fail "two players: views changed by $left and $right pixels"
kill -TERM "$game_pid"
poll 3000 gone || fail "two players: still running 3 s after SIGTERM"
wait "$game_pid"; game_pid=""
rec=$(compgen -G "$dir/data4/vexlot/vexlot-*.replay" | head -n 1)
[ -n "$rec" ] || fail "two players: no recording"
grep -q ' p2 down 39$' "$rec" && grep -q ' down 39$' "$rec" && grep -q ' p2 char ' "$rec" ||
  fail "two players: the recording lacks the players' keys: $(cat "$rec")"
tail -n 1 "$rec" | grep -q ' end ' || fail "two players: SIGTERM left no end line"
"$bin" --headless --replay "$rec" >"$dir/verify2.log" 2>&1 || fail "two players: $(cat "$dir/verify2.log")"
ok "two players: 1912x710 filled, both views changed ($left, $right pixels), both players' keys recorded, SIGTERM ended it cleanly"

passed=1
echo "PASS"
