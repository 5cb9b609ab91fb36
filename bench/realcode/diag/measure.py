#!/usr/bin/env python3
"""For each kept output under outputs/: counts its error lines, warning lines
and failing test names by the tools' own formats, and how many of them
`zub diag`'s summary shows, and the size reduction.

    python3 bench/realcode/diag/measure.py [path/to/zub]

A line is shown when its text (trimmed, the first 100 bytes) appears in the
summary; a test name when the name does. Warnings are also counted as shown
when the summary's diagnostics count covers them (they are grouped by rule).
Exit status 1 when a target is missed: every error line and failing test
shown, inputs over 4 KB reduced by two thirds, no summary longer than its
input.
"""
import os
import re
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ESC = re.compile(r"\x1b\[[0-9;]*[A-Za-z]")

ERROR_LINE = [
    re.compile(r"^\S+:\d+(:\d+)?: (fatal )?error"),        # gcc, clang, mypy
    re.compile(r"^error(\[\w+\])?: "),                      # rustc, cargo
    re.compile(r"^[\w.+-]+: (fatal )?error: "),             # collect2, clang driver
    re.compile(r"undefined reference to"),                  # linker
    re.compile(r"^g?make(\[\d+\])?: \*\*\* "),              # make
    re.compile(r"^\S+\.go:\d+(:\d+)?: "),                   # go build, vet, test
    re.compile(r"^panic: "),
    re.compile(r"^thread '.*' .*panicked at"),
    re.compile(r"^[\w.]*(Error|Exception)(: |$)"),          # Python, JS exceptions
    re.compile(r"^E\s+[\w.]*(Error|Exception)\b"),          # pytest
    re.compile(r"error TS\d+"),                             # tsc
    re.compile(r"^\d+:\d+\s+error\s"),                      # eslint
]
WARNING_LINE = [
    re.compile(r"^\S+:\d+(:\d+)?: warning"),
    re.compile(r"^warning(\[\w+\])?: (?!`)"),
    re.compile(r"^\d+:\d+\s+warning\s"),
]
TEST_NAME = [
    re.compile(r"Test\s+#\d+: (\S+) \.+\*\*\*"),            # ctest
    re.compile(r"^test (\S+) \.\.\. FAILED"),               # cargo test
    re.compile(r"--- FAIL: (\S+)"),                         # go test
    re.compile(r"^(?:FAIL|ERROR): (\w+) \("),               # unittest
    re.compile(r"^FAILED (\S+)"),                           # pytest
    re.compile(r"^not ok \d+ - (.+)$"),                     # TAP, node --test
    re.compile(r"^\u25cf (?!Test suite failed)(.+)$"),      # jest
]


def lines_of(text):
    return [ESC.sub("", l).strip() for l in text.split("\n")]


def matches(pats, line):
    return any(p.search(line) for p in pats)


def measure(path, zub):
    raw = open(path, "rb").read()
    text = raw.decode("utf-8", "replace")
    out = subprocess.run([zub, "diag"], input=raw, capture_output=True).stdout.decode("utf-8", "replace")
    errors, warnings, names = [], [], []
    yaml_message = False
    for l in lines_of(text):
        if not l:
            continue
        if yaml_message:  # TAP: the message under "error: |-"
            errors.append(l)
            yaml_message = False
            continue
        if re.match(r"^error: [|>][-+]?$", l):
            yaml_message = True
            continue
        if matches(ERROR_LINE, l):
            errors.append(l)
        elif matches(WARNING_LINE, l):
            warnings.append(l)
        for p in TEST_NAME:
            m = p.search(l)
            if m:
                names.append(m.group(1))
                break
    names = sorted(set(names))
    shown = lambda l: l[:100] in out
    m = re.match(r"== (\d+) diagnostics", out)
    counted = int(m.group(1)) if m else 0
    warn_shown = sum(shown(w) for w in warnings)
    if counted >= len(warnings):  # error lines are listed apart
        warn_shown = len(warnings)
    return {
        "name": os.path.basename(path)[:-4],
        "in": len(raw),
        "out": len(out.encode()),
        "errors": len(errors),
        "errors_shown": sum(shown(e) for e in errors),
        "warnings": len(warnings),
        "warnings_shown": warn_shown,
        "names": len(names),
        "names_shown": sum(n in out for n in names),
        "passthrough": out == "\n".join(l.rstrip("\r") for l in ESC.sub("", text).split("\n")),
        "missed": [e for e in errors if not shown(e)] + [n for n in names if n not in out],
    }


def main():
    zub = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "../../../build/zub")
    outdir = os.path.join(HERE, "outputs")
    rows = [measure(os.path.join(outdir, f), zub) for f in sorted(os.listdir(outdir)) if f.endswith(".txt")]
    print("| output | bytes in | bytes out | reduction | error lines shown | warnings shown or counted | failing tests named |")
    print("|---|---|---|---|---|---|---|")
    ok = True
    tot = {"errors": 0, "errors_shown": 0, "names": 0, "names_shown": 0}
    for r in rows:
        red = 100.0 * (1 - r["out"] / r["in"]) if r["in"] else 0.0
        note = " (as is)" if r["passthrough"] else ""
        print(f"| {r['name']} | {r['in']} | {r['out']}{note} | {red:.0f}% | {r['errors_shown']}/{r['errors']} | "
              f"{r['warnings_shown']}/{r['warnings']} | {r['names_shown']}/{r['names']} |")
        for k in tot:
            tot[k] += r[k]
        if r["out"] > r["in"] or r["missed"] or (r["in"] > 4096 and r["out"] * 3 > r["in"]):
            ok = False
            for miss in r["missed"]:
                print(f"  missed in {r['name']}: {miss}", file=sys.stderr)
    print(f"\nerror lines shown {tot['errors_shown']}/{tot['errors']}, "
          f"failing tests named {tot['names_shown']}/{tot['names']}; targets {'met' if ok else 'MISSED'}")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
