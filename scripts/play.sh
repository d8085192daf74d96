#!/usr/bin/env bash
# The first README command: install what is missing, build, open the game window.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh vexlot   # only the program: tests and benchmarks are not needed to play
exec build/vexlot "$@"
