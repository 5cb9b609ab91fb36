# Sourced by the make_*outputs.sh scripts, with `here` (their folder),
# `work` (their scratch directory) and `prefix` (of the names they keep)
# set: a fresh scratch directory, the npm directory, and the two helpers.
out="$here/outputs"
npm_dir=${NPM_DIR:-/var/tmp/zub-diag-npm}
rm -rf "$work"
mkdir -p "$work" "$out"

have() { command -v "$1" >/dev/null 2>&1; }
# keep NAME CMD...: runs CMD in the current directory, both streams into
# outputs/PREFIXNAME.txt, as a pipe (so no tool colours its output).
keep() {
  local name=$prefix$1
  shift
  "$@" 2>&1 | cat >"$out/$name.txt"
  echo "$name: $(wc -c <"$out/$name.txt") bytes"
}
