#!/usr/bin/env bash
# The second README command: install what is missing, build, run every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
cd build
ctest --output-on-failure -j "$(nproc)"
