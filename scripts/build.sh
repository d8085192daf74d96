#!/usr/bin/env bash
# Configures and builds into build/ (Release with debug info). Extra arguments go to cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
werror=OFF
[ -n "${CI:-}" ] && werror=ON
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXLOT_WERROR=$werror "$@" >/dev/null
cmake --build build -j "$(nproc)"
