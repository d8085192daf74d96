#!/usr/bin/env bash
# The .deb as a player gets it: scripts/package.sh builds and checks it, then it is installed on this
# machine with apt (which brings its dependencies), and the installed files alone must work: the man
# page is found, /usr/games/vexlot --version names the package's version, a headless game runs and its
# recording verifies, a recorded replay scene verifies (the package's build plays the same game), and
# a window under an Xvfb of its own plays its sounds from where the package put them; the relay, its
# unit (systemd-analyze verify) and its man page when the package has them. The package is
# removed again at the end, also when a check fails.
# Usage: tests/packaging/install_test.sh      (as root, or with sudo)
set -uo pipefail
cd "$(dirname "$0")/../.."
src=$PWD
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

dir=$(mktemp -d "${TMPDIR:-/tmp}/vexlot-package.XXXXXX")
installed=0 passed=0 xvfb_pid="" game_pid=""
cleanup() {
  [ -n "$game_pid" ] && kill -KILL "$game_pid" 2>/dev/null && wait "$game_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  local status=$?
  if [ "$installed" = 1 ]; then
    if ! $sudo dpkg --purge vexlot >"$dir/purge.log" 2>&1; then
      echo "FAIL: dpkg --purge vexlot:"; cat "$dir/purge.log"; passed=0 status=1
    elif [ -e /usr/games/vexlot ] || [ -e /usr/share/games/vexlot ]; then
      echo "FAIL: /usr/games/vexlot or /usr/share/games/vexlot is still there after the purge"; passed=0 status=1
    else
      echo "ok (${SECONDS} s): removed again (dpkg --purge vexlot)"
    fi
  fi
  [ "$passed" = 1 ] && rm -rf "$dir"
  exit "$status"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  if [ -s "$dir/game.log" ]; then echo "--- program output:"; cat "$dir/game.log"; fi
  echo "logs kept in $dir"
  exit 1
}
ok() { echo "ok (${SECONDS} s): $*"; }

# --- 1. Build and check the package (lintian, desktop-file-validate, appstreamcli).
scripts/package.sh >"$dir/package.log" 2>&1 || { cat "$dir/package.log"; fail "scripts/package.sh failed"; }
deb=$src/$(tail -n 1 "$dir/package.log")
[ -f "$deb" ] || fail "scripts/package.sh named no package (last line: $(tail -n 1 "$dir/package.log"))"
version=$(dpkg-deb -f "$deb" Version)
ok "built and checked $(basename "$deb")"

# --- 2. Install it the way a player would, dependencies from the archive.
if dpkg-query -W -f='${Status}' vexlot 2>/dev/null | grep -q 'install ok'; then
  echo "note: a vexlot package was installed already ($(dpkg-query -W -f='${Version}' vexlot)); it is replaced and removed"
fi
installed=1
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$deb" >"$dir/install.log" 2>&1 ||
  { cat "$dir/install.log"; fail "apt-get install $deb failed"; }
for f in /usr/games/vexlot /usr/share/games/vexlot/pop.wav /usr/share/man/man6/vexlot.6.gz \
         /usr/share/applications/io.github.vexlot.vexlot.desktop /usr/share/metainfo/io.github.vexlot.vexlot.metainfo.xml \
         /usr/share/doc/vexlot/copyright /usr/share/doc/vexlot/changelog.gz; do
  dpkg -S "$f" >/dev/null 2>&1 || fail "$f is not a file of the installed package"
done
[ "$(man -w vexlot 2>/dev/null)" = /usr/share/man/man6/vexlot.6.gz ] || fail "man -w vexlot gives '$(man -w vexlot 2>&1)'"
ok "installed $version: /usr/games/vexlot, its sounds in /usr/share/games/vexlot, man vexlot finds its page"

# --- 3. The installed program, run from a folder of its own (nothing of the source tree beside it).
cd "$dir"
got=$(/usr/games/vexlot --version) || fail "/usr/games/vexlot --version exited with $?"
[ "$got" = "vexlot $version" ] || fail "/usr/games/vexlot --version says '$got', the package is $version"
ok "/usr/games/vexlot --version: $got"
cp "$src/tests/replays/weapons.script" game.script
/usr/games/vexlot --headless --frames 600 --seed 7 --script game.script --record game.replay \
    --dump game.json >game.log 2>&1 || fail "the headless game exited with $?"
grep -q '"frame"' game.json || fail "the headless game wrote no state to game.json"
/usr/games/vexlot --headless --replay game.replay >>game.log 2>&1 || fail "its recording game.replay does not verify (exit $?)"
/usr/games/vexlot --headless --replay "$src/tests/replays/duel.replay" >>game.log 2>&1 ||
  fail "the recorded scene tests/replays/duel.replay does not verify with the installed program (exit $?)"
ok "a 600-frame headless game and its recording, and the duel scene, verify with the installed program"

# --- 4. Sound from the installed files: a window (sound on in its settings) under an Xvfb of its own,
# with SDL's disk audio driver writing the mixed sound to a file. The rocket's bombs at start-up are
# heard only if the sounds were found in /usr/share/games/vexlot, where the package put them.
source "$src/tests/e2e/xvfb.sh"
start_xvfb 1024x768; xvfb_pid=$pid_started
mkdir -p config/vexlot data
printf 'sound = on\n' >config/vexlot/settings
unset WAYLAND_DISPLAY
DISPLAY=$display XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/data" SDL_VIDEODRIVER=x11 \
  SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$dir/audio.raw" /usr/games/vexlot --seed 7 >game.log 2>&1 &
game_pid=$!
nonzero() { [ -s audio.raw ] && [ "$(tr -d '\000' <audio.raw | wc -c)" -gt 0 ]; }
poll 15000 nonzero || fail "no sound reached the audio file within 15 s (the sounds: $(ls /usr/share/games/vexlot | wc -l) files)"
! grep -q 'cannot play' game.log || fail "the window could not play a sound"
kill -TERM "$game_pid"
wait "$game_pid"; status=$?
game_pid=""
[ "$status" = 0 ] || fail "the window ended with $status on SIGTERM"
ls data/vexlot/*.replay >/dev/null 2>&1 || fail "the window recorded no game in its data folder"
ok "the installed window played $(tr -d '\000' <audio.raw | wc -c) non-zero bytes of sound from /usr/share/games/vexlot"

# --- 5. The relay, when the package has it.
if dpkg -S /usr/games/vexlot-relay >/dev/null 2>&1; then
  /usr/games/vexlot-relay --help >relay.log 2>&1 || fail "/usr/games/vexlot-relay --help exited with $?"
  unit=$(dpkg -L vexlot | grep '/systemd/system/vexlot-relay.service$') || fail "the package has the relay but no vexlot-relay.service"
  grep -q '^ExecStart=/usr/games/vexlot-relay ' "$unit" || fail "$unit does not start /usr/games/vexlot-relay"
  [ "$(man -w vexlot-relay 2>/dev/null)" = /usr/share/man/man6/vexlot-relay.6.gz ] || fail "man -w vexlot-relay finds no page"
  if command -v systemd-analyze >/dev/null; then
    systemd-analyze verify "$unit" >relay.log 2>&1 || { cat relay.log; fail "systemd-analyze verify $unit"; }
  fi
  ok "the relay: /usr/games/vexlot-relay, its man page and $unit"
fi
cd "$src"
passed=1
