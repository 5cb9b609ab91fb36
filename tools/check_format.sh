#!/usr/bin/env bash
# Checks that every C++ file of the tree is in the house format
# (.clang-format). Generated tables are left as their generator writes them.
# Prints the files that differ and exits 1 when there are any.
#   bash tools/check_format.sh          # check
#   bash tools/check_format.sh --fix    # rewrite the files in place
set -eu
cd "$(dirname "$0")/.."
CF=${CLANG_FORMAT:-clang-format}
mapfile -t files < <(git ls-files 'src/*.cpp' 'src/*.h' 'src/*.inc' 'tests/*.cpp' 'tests/*.h' \
  'fuzz/*.cpp' 'bench/*.cpp' | grep -v -e '^src/base/unicode_tables.inc$' -e '^src/web/host_fold.inc$')
if [ "${1:-}" = --fix ]; then
  "$CF" -i "${files[@]}"
  exit 0
fi
# One run over all files; its warnings name each file and line that differs.
if ! out=$("$CF" --dry-run --Werror "${files[@]}" 2>&1); then
  printf '%s\n' "$out" | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error:.*/\1/p' | sort -u |
    sed 's/$/: not in the house format (bash tools\/check_format.sh --fix)/'
  exit 1
fi
