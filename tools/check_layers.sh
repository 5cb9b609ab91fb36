#!/usr/bin/env bash
# Checks that every include of the tool's own headers in src/ points down the
# layers; a folder may always include itself.
#   base, re                 nothing above them (re may use base)
#   code                     base
#   html, compress           base
#   hook                     compress, base
#   search                   code, re, base
#   nav                      code, search, base
#   web                      html, base
#   cli                      everything
# Prints each include that breaks the order and exits 1 when there is one.
set -eu
cd "$(dirname "$0")/.."

status=0
find src -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.inc' \) | LC_ALL=C sort |
  xargs awk '
    BEGIN {
      may["base"] = ""
      may["re"] = "base"
      may["code"] = "base"
      may["html"] = "base"
      may["compress"] = "base"
      may["hook"] = "compress base"
      may["search"] = "code re base"
      may["nav"] = "code search base"
      may["web"] = "html base"
      may["cli"] = "*"
      bad = 0
    }
    /^[ \t]*#[ \t]*include[ \t]*"/ {
      target = $0
      sub(/^[^"]*"/, "", target)
      sub(/".*/, "", target)
      if (index(target, "/") == 0) next  # a header beside the file
      split(FILENAME, part, "/")
      from = part[2]
      to = substr(target, 1, index(target, "/") - 1)
      if (from == to) next
      if (!(from in may)) {
        printf "%s:%d: src/%s/ has no place in the layers of tools/check_layers.sh\n", FILENAME, FNR, from
        bad = 1
        next
      }
      if (may[from] == "*" || index(" " may[from] " ", " " to " ") > 0) next
      printf "%s:%d: #include \"%s\": %s/ may not include %s/\n", FILENAME, FNR, target, from, to
      bad = 1
    }
    END { exit bad }
  ' || status=1
exit $status
