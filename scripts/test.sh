#!/usr/bin/env bash
# The second README command: install what is missing, build, run every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
cd build
ctest --output-on-failure -j "$(nproc)" | tee ctest.log
passed=$(sed -n 's/.* tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' ctest.log | tail -n 1)
cd ..

# Random games under AddressSanitizer and UndefinedBehaviorSanitizer, with the game's invariants
# checked after every frame; the standard library checks every table index (a table overrun stays
# inside the one Game allocation, where the address sanitizer cannot see it).
# VEXLOT_SOAK_FRAMES=1000000 scripts/test.sh plays a million.
cmake -S . -B build-asan -DVEXLOT_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_FLAGS=-D_GLIBCXX_ASSERTIONS >/dev/null
cmake --build build-asan -j "$(nproc)" --target vexlot_soak >/dev/null
build-asan/vexlot_soak --frames "${VEXLOT_SOAK_FRAMES:-100000}" --seed "${VEXLOT_SOAK_SEED:-1}"

# A short libFuzzer run of every fuzz target; scripts/fuzz.sh --seconds N for a longer one.
scripts/fuzz.sh --seconds "${VEXLOT_FUZZ_SECONDS:-60}"

# Reaching this line means every stage passed: the unit and window tests, the soak and the fuzz run.
echo "tests: $((${passed:-0} + 2)) passed, 0 failed"
