#!/usr/bin/env python3
"""Keeps the option lists of the README and the man page what the option
tables say.

Each list lies between a begin line naming its subcommand and an end line:
    <!-- zub:options SUB (...) -->          ...  <!-- zub:options end -->
    .\\" zub:options SUB (...)               ...  .\\" zub:options end
and is what `zub optionlist markdown|man SUB` prints.

    tools/doc_options.py [--zub PATH] [--fix]

Without --fix it names each stale list and exits 1; with --fix it writes
the lists in place.
"""
import os
import re
import subprocess
import sys

from doc_check import TOP, options, read_lines, verdict, write_lines

FILES = (("README.md", "markdown", re.compile(r"^<!-- zub:options (\S+) ")),
         ("doc/zub.1", "man", re.compile(r'^\.\\" zub:options (\S+) ')))
END = {"markdown": "<!-- zub:options end -->", "man": '.\\" zub:options end'}


def main():
    o = options()
    stale = checked = 0
    for name, fmt, begin in FILES:
        path = os.path.join(TOP, name)
        lines = read_lines(path)
        i = 0
        while i < len(lines):
            m = begin.match(lines[i])
            if not m or m.group(1) == "end":
                i += 1
                continue
            end = i + 1
            while end < len(lines) and lines[end] != END[fmt]:
                end += 1
            if end == len(lines):
                raise SystemExit(f"{name}:{i + 1}: no end line for this list")
            p = subprocess.run([o.zub, "optionlist", fmt, m.group(1)], capture_output=True,
                               text=True)
            if p.returncode != 0:
                raise SystemExit(f"{name}:{i + 1}: {p.stderr.strip()}")
            want = p.stdout.rstrip("\n").split("\n")
            checked += 1
            if lines[i + 1:end] != want:
                stale += 1
                if o.fix:
                    lines[i + 1:end] = want
                    end = i + 1 + len(want)
                else:
                    print(f"{name}:{i + 1}: the option list of `{m.group(1)}` is stale")
            i = end + 1
        if o.fix:
            write_lines(path, lines)
    return verdict(o.fix, checked, stale, "option lists", "tools/doc_options.py")


if __name__ == "__main__":
    sys.exit(main())
