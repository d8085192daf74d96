#!/usr/bin/env bash
# Records the replay scenes of tests/replays again (after a deliberate change of a game rule or a
# version change) and writes their summaries. Run it, look at the summaries' diff, commit.
set -euo pipefail
cd "$(dirname "$0")/.."
declare -A frames=([rocket]=900 [weapons]=480 [firepit]=240 [walk]=650 [duel]=900 [versus]=900)
for scene in "${!frames[@]}"; do
  build/vexlot --headless --frames "${frames[$scene]}" --script "tests/replays/$scene.script" \
    --record "tests/replays/$scene.replay" >/dev/null
done
VEXLOT_WRITE_SUMMARIES=1 build/vexlot_tests --gtest_filter='ReplayScenes.*' >/dev/null
git --no-pager diff --stat -- tests/replays
