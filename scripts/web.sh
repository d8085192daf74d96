#!/usr/bin/env bash
# The browser version: builds the WebAssembly programs into build-web/ and serves the page on
# http://127.0.0.1:8000 (Ctrl-C stops it). `scripts/web.sh --build` only builds.
# `scripts/web.sh --dist` builds and writes dist/web/, the folder to copy to a web server: the page,
# its script and style, the game module and the sounds under names with a hash of their content (so
# they can be cached for a year), each also precompressed (.gz, and .br when Debian's brotli is
# there), and dist/nginx.conf, a sample server configuration (docs/browser.md).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh web
# Emscripten's optimizer runs on node with Debian's node modules.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release \
  -DSTB_INCLUDE_DIR=/usr/include/stb >/dev/null
cmake --build build-web -j "$(nproc)"
[ "${1:-}" = "--build" ] && exit 0

# The first 12 hex digits of a file's SHA-256.
hash_of() { sha256sum "$1" | cut -c1-12; }
# replace FILE OLD NEW: every OLD in FILE becomes NEW; there must be at least one, or the page's
# files have changed in a way this script does not know yet.
replace() {
  grep -qF -- "$2" "$1" || { echo "web: no \"$2\" in $1 to point at its hashed name" >&2; exit 1; }
  OLD=$2 NEW=$3 perl -0pi -e 's/\Q$ENV{OLD}\E/$ENV{NEW}/g' "$1"
}
# hashed FILE: renames dist/web/FILE to NAME.HASH.EXT and prints the new name.
hashed() {
  local name=${1%.*} ext=${1##*.} h
  h=$(hash_of "$out/$1")
  mv "$out/$1" "$out/$name.$h.$ext"
  echo "$name.$h.$ext"
}

if [ "${1:-}" = "--dist" ]; then
  site=build-web/site
  out=dist/web
  rm -rf dist
  mkdir -p "$out"
  cp "$site"/index.html "$site"/vexlot.js "$site"/vexlot.css "$site"/icon.png "$site"/vexlot_web.js \
     "$site"/vexlot_web.wasm "$site"/sounds.json "$out"/
  # The sounds keep their names (the game asks for them by name) in a folder named by a hash of them all.
  sounds_hash=$(cd "$site/sounds" && sha256sum -- *.wav | sha256sum | cut -c1-12)
  cp -r "$site/sounds" "$out/sounds-$sounds_hash"
  # Inner names first: the module's loader names the module, the page's script the sounds.
  wasm=$(hashed vexlot_web.wasm)
  replace "$out/vexlot_web.js" '"vexlot_web.wasm"' "\"$wasm\""
  loader=$(hashed vexlot_web.js)
  sounds_json=$(hashed sounds.json)
  replace "$out/vexlot.js" "'sounds.json'" "'$sounds_json'"
  replace "$out/vexlot.js" "'sounds/'" "'sounds-$sounds_hash/'"
  script=$(hashed vexlot.js)
  style=$(hashed vexlot.css)
  icon=$(hashed icon.png)
  replace "$out/index.html" '"vexlot_web.js"' "\"$loader\""
  replace "$out/index.html" '"vexlot.js"' "\"$script\""
  replace "$out/index.html" '"vexlot.css"' "\"$style\""
  replace "$out/index.html" '"icon.png"' "\"$icon\""
  # Precompressed beside each file, for servers that send them as they are (nginx's gzip_static).
  # PNG is compressed already.
  have_brotli=0
  command -v brotli >/dev/null && have_brotli=1
  find "$out" -type f ! -name '*.png' | while read -r f; do
    gzip -9n -k "$f"
    [ "$have_brotli" = 1 ] && brotli -q 11 -k "$f"
  done
  sed "s/@SOUNDS@/sounds-$sounds_hash/" packaging/web-nginx.conf.in >dist/nginx.conf
  tests/web/dist_check.sh "$out"
  echo "web: dist/web/ ($(du -sh --apparent-size "$out" | cut -f1), $(find "$out" -type f | wc -l) files), dist/nginx.conf"
  exit 0
fi
port=${VEXLOT_WEB_PORT:-8000}
echo "web: http://127.0.0.1:$port/ (Ctrl-C stops)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build-web/site
