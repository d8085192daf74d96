#!/usr/bin/env bash
# The second README command: install what is missing, build, run every test stage, and end with one
# line counting the tests that passed and failed in the stages that ran.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh || exit 1
scripts/build.sh || exit 1

passed=0
failed=0
# One stage: its command, then the counts it adds (ctest's own count for ctest, one per other stage).
stage() {
  local name=$1
  shift
  echo "== $name"
  if "$@"; then
    echo "== $name: passed"
    passed=$((passed + 1))
  else
    echo "== $name: FAILED"
    failed=$((failed + 1))
  fi
}

# The unit tests, the recorded replay scenes and the real-window test: ctest counts each test.
ctest_stage() {
  echo "== ctest"
  (cd build && ctest --output-on-failure -j "$(nproc)") | tee build/ctest.log
  local status=${PIPESTATUS[0]} bad ran
  read -r bad ran < <(sed -n 's/.* \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' build/ctest.log | tail -n 1)
  if [ -n "${ran:-}" ]; then
    passed=$((passed + ran - bad))
    failed=$((failed + bad))
  else
    failed=$((failed + 1))  # ctest did not get to run its tests
  fi
  [ "$status" -eq 0 ] || echo "== ctest: FAILED"
}
ctest_stage

# The .deb: built and checked (lintian, desktop-file-validate, appstreamcli), installed with apt,
# the installed program run (version, a headless game, a replay scene, a window's sounds) and removed
# again (tests/packaging/install_test.sh). VEXLOT_PACKAGE=0 skips it.
if [ "${VEXLOT_PACKAGE:-1}" != 0 ]; then
  stage package tests/packaging/install_test.sh
fi

# The browser build (installs Emscripten first, scripts/setup.sh web): the node build of the headless
# runner must play every replay scene and a 20,000-frame random game exactly as the native one.
# Then the page in headless chromium (tests/web/page_test.sh), and the bundle for a web server
# (dist/web/). VEXLOT_WEB=0 skips them.
web_parity() { scripts/web.sh --build >/dev/null && tests/web/parity.sh; }
# The web bundle: scripts/web.sh --dist checks its names and compressed copies as it writes it
# (tests/web/dist_check.sh), then the page test plays the bundle as served, hashed names and all.
web_dist() {
  scripts/web.sh --dist | tail -n 2 &&
  (cd tests/web && node page_test.js ../../dist/web ../../build/vexlot) | tail -n 1
}
if [ "${VEXLOT_WEB:-1}" != 0 ]; then
  stage web-parity web_parity
  stage web-page tests/web/page_test.sh
  stage web-dist web_dist
fi

# Random games under AddressSanitizer and UndefinedBehaviorSanitizer, with the game's invariants
# checked after every frame; the standard library checks every table index (a table overrun stays
# inside the one Game allocation, where the address sanitizer cannot see it).
# VEXLOT_SOAK_FRAMES=1000000 scripts/test.sh plays a million.
soak() {
  cmake -S . -B build-asan -DVEXLOT_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_FLAGS=-D_GLIBCXX_ASSERTIONS >/dev/null &&
  cmake --build build-asan -j "$(nproc)" --target vexlot_soak >/dev/null &&
  build-asan/vexlot_soak --frames "${VEXLOT_SOAK_FRAMES:-100000}" --seed "${VEXLOT_SOAK_SEED:-1}"
}
stage soak soak

# A short libFuzzer run of every fuzz target; scripts/fuzz.sh --seconds N for a longer one.
stage fuzz scripts/fuzz.sh --seconds "${VEXLOT_FUZZ_SECONDS:-60}"

echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
