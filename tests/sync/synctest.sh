#!/usr/bin/env bash
# The sync test over a game: after every frame the game goes back D frames, runs them again and must
# come out the same. `synctest.sh VEXLOT scenes D` runs it over every replay scene (each still
# verifying its checkpoints); `synctest.sh VEXLOT random D` over a 20,000-frame random game of two.
set -euo pipefail
bin=$1 what=$2 distance=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"  # a mismatch writes both states here
if [ "$what" = scenes ]; then
  for replay in "$root"/tests/replays/*.replay; do
    echo "== $(basename "$replay") --synctest $distance"
    "$bin" --headless --replay "$replay" --synctest "$distance"
  done
else
  frames=${VEXLOT_SYNCTEST_FRAMES:-20000}
  python3 "$root/tests/web/random_script.py" --seed 41 --frames "$frames" --players 2 >random.script
  "$bin" --headless --frames "$frames" --script random.script --synctest "$distance"
fi
