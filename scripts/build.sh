#!/usr/bin/env bash
# Configures and builds into build/ (Release with debug info). Arguments are build targets (default:
# everything); CI builds with warnings as errors.
set -euo pipefail
cd "$(dirname "$0")/.."
werror=OFF
[ -n "${CI:-}" ] && werror=ON
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXLOT_WERROR=$werror >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build build -j "$(nproc)" "${targets[@]}"
