#!/usr/bin/env bash
# One version everywhere a player or a package tool reads it: the project's (CMake), the program's
# --version, the top of the package changelog, the newest AppStream release and the man pages' headers.
# Usage: versions_test.sh VERSION PACKAGING_DIR PROGRAM
set -uo pipefail
version=${1:?usage: versions_test.sh VERSION PACKAGING_DIR PROGRAM}
dir=${2:?} program=${3:?}
failed=0
check() {  # check WHAT FOUND
  if [ "$2" != "$version" ]; then echo "FAIL: $1 says '${2}', the project is $version"; failed=1; fi
}
check "$program --version" "$("$program" --version | sed -n 's/^vexlot //p')"
check "$dir/changelog (top entry)" "$(sed -n '1s/^vexlot (\([^)]*\)).*/\1/p' "$dir/changelog")"
check "the newest release in $dir/*.metainfo.xml" \
      "$(grep -o '<release version="[^"]*"' "$dir"/*.metainfo.xml | head -n 1 | sed 's/.*"\(.*\)"/\1/')"
for page in "$dir"/*.6; do
  check "the header of $page" "$(sed -n 's/^\.TH .* "vexlot \([^"]*\)".*/\1/p' "$page")"
done
[ "$failed" = 0 ] && echo "ok: version $version in the program, the changelog, the metainfo and the man pages"
exit $failed
