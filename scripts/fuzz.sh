#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs them side by side for a while.
#   scripts/fuzz.sh [--seconds N] [TARGET...]   N: seconds per target (default 60); TARGET: script, level, ...
# New inputs go to build-fuzz/corpus/TARGET; the committed seeds in fuzz/corpus/TARGET and the saved
# crashes in tests/data/fuzz/TARGET (replayed by tests/fuzz_regression_test.cpp too) are only read.
# A crash is saved under build-fuzz/artifacts/TARGET/ and makes the run fail; copy it to tests/data/fuzz/TARGET/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=60
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/*_fuzz.cpp; do t=${f#fuzz/}; targets+=("${t%_fuzz.cpp}"); done
fi

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXLOT_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]/#/fuzz_}" >/dev/null

pids=()
for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$t" "build-fuzz/artifacts/$t"
  dirs=("build-fuzz/corpus/$t" "fuzz/corpus/$t")
  [ -d "tests/data/fuzz/$t" ] && dirs+=("tests/data/fuzz/$t")
  dict=()
  [ -f "fuzz/$t.dict" ] && dict=("-dict=fuzz/$t.dict")
  "build-fuzz/fuzz_$t" "${dirs[@]}" "${dict[@]}" -max_total_time="$seconds" \
      -timeout=10 -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/$t/" >"build-fuzz/fuzz_$t.log" 2>&1 &
  pids+=($!)
done

failed=0
for i in "${!targets[@]}"; do
  t=${targets[$i]}
  log=build-fuzz/fuzz_$t.log
  if wait "${pids[$i]}"; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
    echo "fuzz: $t: ${runs:-?} runs in ${seconds} s, ${cov:-cov: ?}, no crash"
  else
    failed=1
    tail -n 60 "$log"
    echo "fuzz: $t FAILED; the input is in build-fuzz/artifacts/$t/ (full log: $log)"
  fi
done
exit $failed
