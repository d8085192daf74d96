#!/usr/bin/env bash
# Takes the screenshots of docs/screenshots/ (the README's and the AppStream metadata's) from the
# program itself, headless, on the replay scenes' scripts.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh vexlot >/dev/null
shot() { build/vexlot --headless --frames "$2" --script "tests/replays/$3.script" --look backdrop --screenshot "$1" >/dev/null; }
shot docs/screenshots/fight.png 420 weapons
shot docs/screenshots/two-players.png 600 duel
file docs/screenshots/*.png
