#!/usr/bin/env bash
# Instructions per frame of the benchmark fight (bench/fight_script.py: 3,000 frames, weapons 1..8 with
# fire held), counted by callgrind: the fight minus the same start-up with --frames 0. Counts do not
# vary with the machine's load, so they compare builds where times cannot.
#   bench/frame_instructions.sh [build/vexlot]
set -euo pipefail
bin=${1:-build/vexlot}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
python3 "$(dirname "$0")/fight_script.py" >"$tmp/fight.txt"
count() {
  valgrind --tool=callgrind --callgrind-out-file="$tmp/cg" "$bin" --headless --seed 1 --script "$tmp/fight.txt" "$@" 2>&1 |
    sed -n 's/.*refs: *//p' | tr -d ,
}
fight=$(count --frames 3000)
start=$(count --frames 0)
echo "start-up: $start instructions"
echo "fight: $(( (fight - start) / 3000 )) instructions per frame"
