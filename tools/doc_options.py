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
import argparse
import os
import re
import subprocess
import sys

FILES = (("README.md", "markdown", re.compile(r"^<!-- zub:options (\S+) ")),
         ("doc/zub.1", "man", re.compile(r'^\.\\" zub:options (\S+) ')))
END = {"markdown": "<!-- zub:options end -->", "man": '.\\" zub:options end'}


def main():
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    ap = argparse.ArgumentParser()
    ap.add_argument("--zub", default=os.path.join(top, "build", "zub"))
    ap.add_argument("--fix", action="store_true")
    o = ap.parse_args()
    stale = checked = 0
    for name, fmt, begin in FILES:
        path = os.path.join(top, name)
        with open(path, encoding="utf-8") as f:
            lines = f.read().split("\n")
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
            with open(path, "w", encoding="utf-8") as f:
                f.write("\n".join(lines))
    if o.fix:
        print(f"{checked} option lists checked, {stale} rewritten")
        return 0
    if stale:
        print(f"{stale} of {checked} option lists stale: tools/doc_options.py --fix rewrites them")
        return 1
    print(f"{checked} option lists match")
    return 0


if __name__ == "__main__":
    sys.exit(main())
