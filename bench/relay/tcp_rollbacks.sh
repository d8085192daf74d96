#!/usr/bin/env bash
# What TCP does to rollbacks and waits: two headless peers through vexlot-relay on 127.0.0.1, for
# each line of conditions the relay imitates (a one-way delay, and one message in N held 200 ms
# more with those behind it, as TCP holds a stream behind a lost segment), 600 frames of random keys.
#   bench/relay/tcp_rollbacks.sh [BUILD]   (default build/)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
for s in 1 2; do
  python3 tests/web/random_script.py --seed $s --frames 600 | grep -v -e ' char 27' -e ' close' >"$work/p$s.txt"
done
run() {  # relay options...
  "$build/vexlot-relay" --port 0 "$@" >"$work/relay.log" 2>&1 &
  local relay=$! port=
  for _ in $(seq 100); do port=$(sed -n 's/.*listening on 127.0.0.1:\([0-9]*\)/\1/p' "$work/relay.log"); [ -n "$port" ] && break; sleep 0.05; done
  "$build/vexlot" --headless --host --relay "ws://127.0.0.1:$port" --seed 7 --script "$work/p1.txt" --frames 600 \
      --record "$work/h.replay" >"$work/host.out" 2>&1 &
  local host=$! code=
  for _ in $(seq 200); do code=$(sed -n 's/^room \([A-Z2-9]*\)$/\1/p' "$work/host.out"); [ -n "$code" ] && break; sleep 0.05; done
  "$build/vexlot" --headless --join "$code" --relay "ws://127.0.0.1:$port" --script "$work/p2.txt" --frames 600 \
      --record "$work/j.replay" >"$work/join.out" 2>&1 || true
  wait $host || true
  kill $relay; wait $relay 2>/dev/null || true
  echo "relay $*:"
  grep -h 'rollbacks' "$work/host.out" "$work/join.out" | sed 's/^/  /'
  grep -h 'final state hash' "$work/host.out" "$work/join.out" | sed 's/^/  /'
}
run
run --test-delay-ms 50
run --test-delay-ms 50 --test-stall-one-in 50
run --test-delay-ms 50 --test-stall-one-in 20
run --test-delay-ms 100 --test-stall-one-in 20
run --test-delay-ms 150 --test-stall-one-in 10
