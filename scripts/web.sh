#!/usr/bin/env bash
# The browser version: builds the WebAssembly programs into build-web/ and serves the page on
# http://127.0.0.1:8000 (Ctrl-C stops it). `scripts/web.sh --build` only builds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh web
# Emscripten's optimizer runs on node with Debian's node modules.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release \
  -DSTB_INCLUDE_DIR=/usr/include/stb >/dev/null
cmake --build build-web -j "$(nproc)"
[ "${1:-}" = "--build" ] && exit 0
port=${VEXLOT_WEB_PORT:-8000}
echo "web: http://127.0.0.1:$port/ (Ctrl-C stops)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build-web/site
