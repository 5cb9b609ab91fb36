#!/usr/bin/env python3
"""For each kept output under outputs/: counts its error lines, warning lines
and failing test names by the tools' own formats, and how many of them
`zub diag`'s summary shows, and the size reduction.

    python3 bench/realcode/diag/measure.py [path/to/zub]

A line is shown when its text (trimmed, the first 100 bytes) appears in the
summary (pytest's "E" lines without their "E"); a test name when the name does. Warnings are also counted as shown
when the summary's diagnostics count covers them (they are grouped by rule).
Exit status 1 when a target is missed: every error line and failing test
shown, inputs over 4 KB reduced by two thirds, no summary longer than its
input.

A second table covers the test runners' outputs (runner-*.txt, made by
make_test_outputs.sh): a failing test is "located" when one line of the
summary holds its name and a place (path:line), and the counts are right
when the summary's "N passed" is the runner's own count and the runner's
count line is kept. An output given back as it was counts as located and
counted (nothing was taken out). Missing either is a missed target.
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
    re.compile(r"Test\s+#\d+: (\S+) \.+.*\*\*\*"),          # ctest
    re.compile(r"^test (\S+) \.\.\. FAILED"),               # cargo test
    re.compile(r"--- FAIL: (\S+)"),                         # go test
    re.compile(r"^(?:FAIL|ERROR): (\w+) \("),               # unittest
    re.compile(r"^FAILED (\S+::\S+)"),                      # pytest
    re.compile(r"^not ok \d+ - (.+)$"),                     # TAP, node --test
    re.compile(r"^\u25cf (?!Test suite failed)(.+)$"),      # jest
    re.compile(r"^FAIL\s+\S+ > (.+)$"),                     # vitest
    re.compile(r"^\u2716 (?!failing tests:)(.+?) \([\d.]+ms\)$"),  # node --test spec
    re.compile(r"^#\s+Failed test '(.+)'$"),                # Test::More under prove
]
PLACE = re.compile(r"[\w./-]+\.\w+:\d+")

# The runner's own count of passes, from its closing line.
PASSED = [
    (re.compile(r"^Tests:.*?(\d+) passed"), None),                      # jest
    (re.compile(r"^Tests\s+.*?(\d+) passed \(\d+\)"), None),           # vitest
    (re.compile(r"^=+ .*?(\d+) passed.* in [\d.]+s"), None),            # pytest
    (re.compile(r"^=+ \d+ failed in [\d.]+s"), 0),
    (re.compile(r"^[#\u2139] pass (\d+)$"), None),                      # node --test
    (re.compile(r"^test result: \w+\. (\d+) passed"), None),           # cargo test
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
    # pytest's "E" line is listed with its failing test, without the "E".
    shown = lambda l: l[:100] in out or (l.startswith("E ") and l[1:].strip()[:100] in out)
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


def runner_counts(text):
    """The passes the runner itself counted, or None when it prints no count."""
    lines = lines_of(text)
    total = None
    for l in lines:
        for pat, fixed in PASSED:
            m = pat.search(l)
            if m:
                total = (total or 0) + (fixed if fixed is not None else int(m.group(1)))
    if total is not None:
        return total
    ran = [int(m.group(1)) for l in lines for m in [re.match(r"^Ran (\d+) tests? in", l)] if m]
    if ran:  # unittest: ran less failures, errors, skips
        bad = sum(int(n) for l in lines if re.match(r"^(FAILED|OK) \(", l) for n in re.findall(r"=(\d+)", l))
        return sum(ran) - bad
    m = next((re.search(r"(\d+) tests failed out of (\d+)", l) for l in lines if "tests failed out of" in l), None)
    if m:  # ctest
        return int(m.group(2)) - int(m.group(1))
    tests = [int(m.group(1)) for l in lines for m in [re.match(r"^Files=\d+, Tests=(\d+)", l)] if m]
    if tests:  # prove
        failed = sum(int(m.group(1)) for l in lines for m in [re.match(r"^Failed (\d+)/\d+ subtests", l)] if m)
        return sum(tests) - failed
    verbose_go = [l for l in lines if l.startswith("--- PASS:")]
    if verbose_go:
        return len(verbose_go)
    return None


def measure_runner(path, zub):
    raw = open(path, "rb").read()
    text = raw.decode("utf-8", "replace")
    out = subprocess.run([zub, "diag"], input=raw, capture_output=True).stdout.decode("utf-8", "replace")
    passthrough = out == "\n".join(l.rstrip("\r") for l in ESC.sub("", text).split("\n"))
    names = []
    for l in lines_of(text):
        for p in TEST_NAME:
            m = p.search(l)
            if m:
                names.append(m.group(1))
                break
    names = sorted(set(names))
    out_lines = out.split("\n")
    located = [n for n in names if passthrough or any(n in o and PLACE.search(o) for o in out_lines)]
    # Plain ctest prints no place at all.
    places = PLACE.search(ESC.sub("", text)) is not None or re.search(r"line \d+", text) is not None
    truth = runner_counts(text)
    m = re.search(r"^== (\d+) passed", out, re.M)
    shown = int(m.group(1)) if m else 0
    count_line = next((l for l in lines_of(text) for p, _ in PASSED if p.search(l)), None)
    kept = count_line is None or passthrough or count_line in out
    return {
        "name": os.path.basename(path)[:-4][len("runner-"):],
        "failing": len(names),
        "located": len(located),
        "truth": truth,
        "shown": shown if not passthrough else truth,
        "kept": kept,
        "passthrough": passthrough,
        "places": places,
        "missed": [n for n in names if n not in located] if places else [],
    }


def runners(outdir, zub):
    files = sorted(f for f in os.listdir(outdir) if f.startswith("runner-") and f.endswith(".txt"))
    if not files:
        return True
    print("\n| runner output | failing tests | named with their place | runner's pass count | diag's | count line kept |")
    print("|---|---|---|---|---|---|")
    ok = True
    for f in files:
        r = measure_runner(os.path.join(outdir, f), zub)
        truth = "none printed" if r["truth"] is None else str(r["truth"])
        right = r["truth"] is None or r["truth"] == r["shown"]
        note = " (as is)" if r["passthrough"] else ""
        print(f"| {r['name']}{note} | {r['failing']} | {r['located']}/{r['failing']}{'' if r['places'] else ' (no place printed)'} | {truth} | "
              f"{r['shown']}{'' if right else ' WRONG'} | {'yes' if r['kept'] else 'NO'} |")
        if r["missed"] or not right or not r["kept"]:
            ok = False
            for miss in r["missed"]:
                print(f"  not located in {r['name']}: {miss}", file=sys.stderr)
    return ok


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
          f"failing tests named {tot['names_shown']}/{tot['names']}")
    ok = runners(outdir, zub) and ok
    print(f"\ntargets {'met' if ok else 'MISSED'}")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
