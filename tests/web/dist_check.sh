#!/usr/bin/env bash
# Checks the web bundle that `scripts/web.sh --dist` wrote: every file the page names (and the files
# those name: the module, the sound list, the sounds) is there under a name carrying the hash of its
# content, nothing else is left under its plain name, and each precompressed copy decompresses to
# exactly its file. Usage: tests/web/dist_check.sh dist/web
set -uo pipefail
out=${1:?usage: dist_check.sh DIST_FOLDER}
fail() { echo "FAIL: $*"; exit 1; }
hash_of() { sha256sum "$1" | cut -c1-12; }
[ -f "$out/index.html" ] || fail "no $out/index.html"

# A hashed name NAME.HASH.EXT whose HASH is its content's.
check_hashed() {
  local f=$out/$1 h
  [ -f "$f" ] || fail "$1 is named but not in $out"
  h=$(echo "$1" | sed -nE 's/.*\.([0-9a-f]{12})\.[a-z0-9]+$/\1/p')
  [ -n "$h" ] || fail "$1 has no content hash in its name"
  [ "$h" = "$(hash_of "$f")" ] || fail "$1: its content's hash is $(hash_of "$f")"
}
named=$(grep -oE '(src|href)="[^"]+"' "$out/index.html" | sed -E 's/^[a-z]+="//; s/"$//')
[ "$(echo "$named" | wc -l)" -ge 4 ] || fail "index.html names fewer than 4 files: $named"
for n in $named; do check_hashed "$n"; done
loader=$(echo "$named" | grep -E '^vexlot_web\.[0-9a-f]{12}\.js$') || fail "index.html names no game module loader"
script=$(echo "$named" | grep -E '^vexlot\.[0-9a-f]{12}\.js$') || fail "index.html names no page script"
wasm=$(grep -oE 'vexlot_web\.[0-9a-f]{12}\.wasm' "$out/$loader" | sort -u)
[ "$(echo "$wasm" | wc -w)" = 1 ] || fail "$loader names '$wasm', not one hashed module"
check_hashed "$wasm"
sounds_json=$(grep -oE "sounds\.[0-9a-f]{12}\.json" "$out/$script" | sort -u)
[ -n "$sounds_json" ] || fail "$script names no hashed sound list"
check_hashed "$sounds_json"
sounds_dir=$(grep -oE "sounds-[0-9a-f]{12}/" "$out/$script" | sort -u)
[ -n "$sounds_dir" ] && [ -d "$out/$sounds_dir" ] || fail "$script names no hashed sound folder there is"
[ "${sounds_dir%/}" = "sounds-$(cd "$out/$sounds_dir" && sha256sum -- *.wav | sha256sum | cut -c1-12)" ] ||
  fail "$sounds_dir: the hash of its sounds differs"
count=0
for s in $(grep -oE '"[^"]+\.wav"' "$out/$sounds_json" | tr -d '"'); do
  [ -f "$out/$sounds_dir$s" ] || fail "$sounds_json names $s, not in $sounds_dir"
  count=$((count + 1))
done
[ "$count" -gt 0 ] || fail "$sounds_json names no sounds"
grep -qE "'sounds(\.json|/)'" "$out/$script" && fail "$script still names the plain sounds.json or sounds/"
for plain in vexlot.js vexlot.css vexlot_web.js vexlot_web.wasm sounds.json icon.png sounds; do
  [ -e "$out/$plain" ] && fail "$plain is left under its plain name"
done

# Every file but the pictures has its .gz (and its .br when brotli is installed), the same bytes inside.
files=0
while read -r f; do
  files=$((files + 1))
  [ -f "$f.gz" ] || fail "no ${f#"$out"/}.gz"
  cmp -s "$f" <(gzip -dc "$f.gz") || fail "${f#"$out"/}.gz does not give back ${f#"$out"/}"
  if command -v brotli >/dev/null; then
    [ -f "$f.br" ] || fail "no ${f#"$out"/}.br"
    cmp -s "$f" <(brotli -dc "$f.br") || fail "${f#"$out"/}.br does not give back ${f#"$out"/}"
  fi
done < <(find "$out" -type f ! -name '*.png' ! -name '*.gz' ! -name '*.br')
echo "ok: $out: index.html names $(echo "$named" | wc -l) hashed files, the module $wasm, $count sounds in $sounds_dir; $files files precompressed"
