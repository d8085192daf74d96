#!/usr/bin/env bash
# The options a man page lists (the tags of its OPTIONS section) are exactly the ones the program's
# --help lists, short and long, so that neither can change without the other.
# Usage: man_options_test.sh PAGE.6 PROGRAM    (PROGRAM empty: that program is not built; skipped)
set -uo pipefail
page=${1:?usage: man_options_test.sh PAGE.6 PROGRAM}
program=${2:-}
name=$(basename "$page" .6)
if [ -z "$program" ]; then
  echo "SKIP: $name is not built in this build, so there is no --help to compare $page with"
  exit 77
fi
[ -x "$program" ] || { echo "FAIL: no program at $program"; exit 1; }

# An option-like word: one or two dashes, then a letter or digit, then letters, digits and dashes.
options_in() { grep -oE -- '(^|[^A-Za-z0-9-])--?[A-Za-z0-9][A-Za-z0-9-]*' | grep -oE -- '--?[A-Za-z0-9][A-Za-z0-9-]*' | sort -u; }

# The man page: the line after each .TP in OPTIONS is an entry's tag ("\-" is a dash there).
from_page=$(sed -n '/^\.SH OPTIONS/,/^\.SH /p' "$page" | awk '/^\.TP/ { if (getline line > 0) print line }' |
            sed 's/\\-/-/g; s/\\f[BIRP]//g' | options_in)
# --help: the lines that start with a dash, up to the gap before the description.
help=$("$program" --help 2>&1) || { echo "FAIL: $program --help exited with $?:"; echo "$help"; exit 1; }
from_help=$(printf '%s\n' "$help" | grep -E '^[[:space:]]*-' | sed -E 's/^[[:space:]]+//; s/ {2,}.*//' | options_in)

[ -n "$from_page" ] || { echo "FAIL: no options found in the OPTIONS section of $page"; exit 1; }
[ -n "$from_help" ] || { echo "FAIL: no options found in $program --help:"; echo "$help"; exit 1; }
only_page=$(comm -23 <(echo "$from_page") <(echo "$from_help"))
only_help=$(comm -13 <(echo "$from_page") <(echo "$from_help"))
if [ -n "$only_page$only_help" ]; then
  [ -n "$only_help" ] && echo "FAIL: $program --help lists options $page does not: $(echo $only_help)"
  [ -n "$only_page" ] && echo "FAIL: $page lists options $program --help does not: $(echo $only_page)"
  exit 1
fi
echo "ok: $page and $name --help list the same $(echo "$from_page" | wc -l) options: $(echo $from_page)"
