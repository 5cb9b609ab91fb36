#!/usr/bin/env bash
# Runs two zub binaries over the same grep cases on the Linux 6.1 tree and
# compares their outputs and exit statuses byte for byte (md5 per case).
# Usage: bash bench/grep_same_output.sh OLD_ZUB NEW_ZUB [TREE]
set -u
set -f  # the cases hold glob characters that must reach zub as they are
OLD=$1 NEW=$2
HERE=$(cd "$(dirname "$0")" && pwd)
TREE=${3:-$(bash "$HERE/kernel_tree.sh")}
unset ZUB_GREP_ALL
cases=(
  "PM_RESUME" "spin_lock" "-E [A-Z]+_RESUME" "-i pm_resume" "-E [A-Z]{3}[0-9]{2}"
  "-e kmalloc_array -e kvfree -e GFP_NOWAIT -e copy_to_user -e dma_map_sg"
  "-w spin_lock" "-C 2 PM_RESUME" "-C 2 spin_lock" "-C 1 -A 3 -v -e a -e e" "-l spin_lock" "-c spin_lock"
  "-i -e KVFREE -e gfp_nowait -e Copy_To_User" "-o -e kvfree -e kv"
  "-w -e kvfree -e dma_map_sg" "-C 2 -e kvfree -e GFP_NOWAIT" "-c -e kvfree -e kfree -e free"
  "-E -e spin_lock\w*\(&\w+ -e mutex_lock" "-v -c -e a -e e" "-E ^static.*\(void\)$" "-c -E \bkv\w*" "-w -E [a-z]+_lock" "--max-files 400 spin_lock" "-l --max-files 3 spin_lock"
)
fail=0
for c in "${cases[@]}"; do
  # Word splitting of $c is wanted: each case is a list of arguments.
  # shellcheck disable=SC2086
  a=$("$OLD" grep --max-files 100000 $c "$TREE" | md5sum | cut -c1-12; echo "${PIPESTATUS[0]}")
  # shellcheck disable=SC2086
  b=$("$NEW" grep --max-files 100000 $c "$TREE" | md5sum | cut -c1-12; echo "${PIPESTATUS[0]}")
  a=$(echo $a) b=$(echo $b)
  if [ "$a" = "$b" ]; then echo "same  $a  $c"; else echo "DIFF  $a / $b  $c"; fail=1; fi
done
exit $fail
