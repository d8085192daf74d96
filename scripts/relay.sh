#!/usr/bin/env bash
# Builds vexlot-relay and runs one on 127.0.0.1:7718 for local play and tests (Ctrl-C stops it).
#   scripts/relay.sh [RELAY OPTIONS...]   e.g. --port 7800, --test-delay-ms 50 (see --help)
# Then: build/vexlot --host --relay ws://127.0.0.1:7718, and the other player --join CODE --relay ...
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh vexlot-relay
exec build/vexlot-relay --bind 127.0.0.1 --port 7718 "$@"
