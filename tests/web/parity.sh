#!/usr/bin/env bash
# The same game on the desktop and in WebAssembly: the native runner and the node build of it play
# every recorded replay scene and a 20,000-frame random game, and must write the same final state
# (dump) and the same replay (a state hash every 60 frames); each verifies the other's recording.
#   tests/web/parity.sh [NATIVE_PROGRAM] [NODE_RUNNER_JS]
set -uo pipefail
cd "$(dirname "$0")/../.."
native=${1:-build/vexlot}
runner=${2:-build-web/vexlot_headless.js}
frames=${VEXLOT_PARITY_FRAMES:-20000}
seed=${VEXLOT_PARITY_SEED:-13}
for f in "$native" "$runner"; do
  [ -f "$f" ] || { echo "parity: $f is missing (build it first)"; exit 2; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failed=0

# Runs one game natively and under node with the same arguments, recording it on both sides; the
# dumps and the recordings must be byte-identical.
same_game() {
  local name=$1
  shift
  local side a b
  for side in native web; do
    local run=("$native")
    [ "$side" = web ] && run=(node "$runner")
    "${run[@]}" --headless "$@" --dump "$tmp/$name.$side.json" --record "$tmp/$name.$side.replay" \
      >"$tmp/$name.$side.out" 2>&1 || {
      echo "parity: $name: the $side runner failed"; cat "$tmp/$name.$side.out"; failed=1; return; }
  done
  a=$(sha256sum <"$tmp/$name.native.json" | cut -c1-16)
  b=$(sha256sum <"$tmp/$name.web.json" | cut -c1-16)
  if [ "$a" = "$b" ] && cmp -s "$tmp/$name.native.replay" "$tmp/$name.web.replay"; then
    echo "parity: $name: same dump $a, same recording ($(grep -c ' check ' "$tmp/$name.web.replay") checkpoints)"
  else
    echo "parity: $name: DIFFERENT (dumps native $a, wasm $b; recordings: $(cmp "$tmp/$name.native.replay" \
      "$tmp/$name.web.replay" 2>&1 | head -1))"
    diff <(tr ',' '\n' <"$tmp/$name.native.json") <(tr ',' '\n' <"$tmp/$name.web.json") | head -20
    failed=1
  fi
}

# The game's Sin, Cos and Atn, bit for bit: built here natively with the game's floating-point flags.
math_web=$(dirname "$runner")/vexlot_math_dump.js
if c++ -std=c++20 -O2 -ffp-contract=off -Isrc tests/web/math_dump.cpp src/core/detmath.cpp -o "$tmp/math_dump" &&
   [ -f "$math_web" ]; then
  "$tmp/math_dump" >"$tmp/math.native"
  node "$math_web" >"$tmp/math.web"
  if cmp -s "$tmp/math.native" "$tmp/math.web"; then
    echo "parity: sin, cos, atan: the same bits ($(tr '\n' ' ' <"$tmp/math.web"))"
  else
    echo "parity: sin, cos, atan DIFFER:"; paste "$tmp/math.native" "$tmp/math.web"; failed=1
  fi
else
  echo "parity: could not build or find the maths check"; failed=1
fi

# Every recorded scene: the node runner verifies the natively recorded checkpoints on the way.
for replay in tests/replays/*.replay; do
  same_game "$(basename "$replay" .replay)" --replay "$replay"
done

# A long random game; then each side verifies the other's recording.
python3 tests/web/random_script.py --seed "$seed" --frames "$frames" >"$tmp/random.script"
name=random-$frames
same_game "$name" --frames "$frames" --script "$tmp/random.script"
if [ -f "$tmp/$name.web.replay" ]; then
  node "$runner" --headless --replay "$tmp/$name.native.replay" || {
    echo "parity: the node runner rejects the native recording"; failed=1; }
  "$native" --headless --replay "$tmp/$name.web.replay" || {
    echo "parity: the native runner rejects the WebAssembly recording"; failed=1; }
fi

[ "$failed" -eq 0 ] && echo "parity: native and WebAssembly agree" || echo "parity: FAILED"
exit "$failed"
