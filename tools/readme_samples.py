#!/usr/bin/env python3
"""Keeps the README's sample outputs what the binary prints.

A sample to check is a fenced block right after the line
    <!-- sample: checked -->
whose first line is "$ zub ARGS" and whose other lines are what
`zub ARGS` prints (standard output), run from the top of the repository
with a private HOME and state directory and no ZUB_* settings.

    tools/readme_samples.py [--zub PATH] [--fix]

Without --fix it lists each stale sample with a diff and exits 1; with
--fix it writes the binary's output into the README instead.
"""
import difflib
import os
import shlex
import subprocess
import sys
import tempfile

from doc_check import TOP, options, read_lines, verdict, write_lines

MARK = "<!-- sample: checked -->"


def samples(lines):
    """(index of the "$ zub" line, index of the closing fence) per sample."""
    for i, line in enumerate(lines):
        if line.strip() != MARK:
            continue
        if i + 2 >= len(lines) or not lines[i + 1].startswith("```"):
            raise SystemExit(f"README.md:{i + 1}: the mark is not followed by a fenced block")
        start = i + 2
        if not lines[start].startswith("$ zub "):
            raise SystemExit(f"README.md:{start + 1}: a checked sample starts with \"$ zub \"")
        end = start + 1
        while end < len(lines) and not lines[end].startswith("```"):
            end += 1
        yield start, end


def run(zub, top, args):
    with tempfile.TemporaryDirectory() as home:
        env = {k: v for k, v in os.environ.items() if not k.startswith("ZUB_")}
        env.update(HOME=home, XDG_STATE_HOME=os.path.join(home, "state"), LC_ALL="C.UTF-8")
        p = subprocess.run([zub] + args, cwd=top, env=env, capture_output=True, text=True)
    return p.stdout


def main():
    o = options()
    path = os.path.join(TOP, "README.md")
    lines = read_lines(path)
    stale = 0
    checked = 0
    for start, end in reversed(list(samples(lines))):
        checked += 1
        args = shlex.split(lines[start][len("$ zub "):])
        want = lines[start + 1:end]
        got = run(o.zub, TOP, args).rstrip("\n").split("\n")
        if got == want:
            continue
        stale += 1
        if o.fix:
            lines[start + 1:end] = got
            continue
        print(f"README.md:{start + 1}: the sample of `zub {shlex.join(args)}` is stale:")
        sys.stdout.writelines(l + "\n" for l in difflib.unified_diff(
            want, got, "README", "zub", lineterm=""))
    if o.fix:
        write_lines(path, lines)
    return verdict(o.fix, checked, stale, "samples", "tools/readme_samples.py")


if __name__ == "__main__":
    sys.exit(main())
