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

A third table covers every output: the places of its errors and failures
as the tools state them (a compiler's "path:line[:col]: error", tsc's
"path(line,col): error", go's "x.go:line:col:", node's "x.js:9" above an
uncaught exception, the frame that raised under a Python traceback, each
pytest report's first and last frame), found here by their own patterns,
must each be in the summary (folded lists such as "a.ts:3:5,9:1 b.ts:2:2"
are expanded), as must every failing test's name; the size is compared in
characters with the agent host's 30,000-character inline cap applied to
both sides. Outputs named real-*.txt (make_real_outputs.sh: real tools on
real projects) aim at 0.3x; a missed place or name is a missed target.
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
    re.compile(r"^\d+/\d+ Test\s+#\d+: (\S+) \.+.*\*\*\*"),  # ctest
    re.compile(r"^test (\S+) \.\.\. FAILED"),               # cargo test
    re.compile(r"^--- FAIL: (\S+)"),                        # go test
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
    # pytest's "E" line is listed with its failing test, without the "E"; a
    # message said at several places is listed once with all of them.
    places = summary_places(out)

    def shown(l):
        if l[:100] in out or (l.startswith("E ") and l[1:].strip()[:100] in out):
            return True
        m = re.match(r"^(\S+?)(?::(\d+)(?::\d+)?|\((\d+),\d+\)):? (.*)$", l)
        if not m or f"{m.group(1)}:{m.group(2) or m.group(3)}" not in places:
            return False
        # Listed whole after its place, or folded with others that differ
        # only in the names it quotes: then each name is listed.
        quoted = re.findall(r"(\"[^\"]*\"|'[^']*'|\u2018[^\u2019]*\u2019)", m.group(4))
        return m.group(4)[:100] in out or (quoted and all(q in out for q in quoted))
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


INLINE_CAP = 30000
RAW_PLACES = [
    re.compile(r"^(\S+?):(\d+)(?::\d+)?: (?:fatal )?error\b"),          # gcc, clang, mypy, javac
    re.compile(r"^(\S+?)\((\d+),\d+\): error TS\d+"),                    # tsc
    re.compile(r"^(\S+\.go):(\d+):\d+: "),                                # go build, vet
    re.compile(r"^(\S+\.(?:js|mjs|cjs|ts)):(\d+)$"),                      # node, over a thrown line
    re.compile(r"^(\S+\.py):(\d+): [A-Za-z_][\w.]*(?:Error|Exception)$"), # pytest: where it raised
]
SUMMARY_PLACE = re.compile(r"([^\s:(),]+?):(\d+)(?::\d+)?((?:,\d+(?::\d+)?)*)")
SUMMARY_TSC = re.compile(r"([^\s(]+)\((\d+),\d+\)")


def raw_places(text):
    """Every place the tools state for an error or a failure, as path:line."""
    places = []
    report_first = False
    last_frame = None
    for l in lines_of(text):
        if re.match(r"^_{3,} .* _{3,}$", l):  # pytest: a report's header, its first frame next
            report_first = True
            continue
        m = re.match(r'^File "([^"]+)", line (\d+)', l)
        if m:  # a Python traceback's frame: the last one before the exception raised
            last_frame = m.group(1) + ":" + m.group(2)
            continue
        if last_frame and re.match(r"^[\w.]*(Error|Exception)(: |$)", l):
            places.append(last_frame)
            last_frame = None
            continue
        if report_first:
            m = re.match(r"^(\S+\.py):(\d+): ", l + " ")
            if m:
                places.append(m.group(1) + ":" + m.group(2))
                report_first = False
                continue
        for p in RAW_PLACES:
            m = p.search(l)
            if m:
                places.append(m.group(1) + ":" + m.group(2))
                break
    return sorted(set(places))


def summary_places(out):
    found = set()
    for m in SUMMARY_PLACE.finditer(out):
        path = m.group(1)
        found.add(path + ":" + m.group(2))
        for more in re.findall(r",(\d+)", m.group(3)):
            found.add(path + ":" + more)
    for m in SUMMARY_TSC.finditer(out):
        found.add(m.group(1) + ":" + m.group(2))
    return found


def measure_places(path, zub):
    raw = open(path, "rb").read()
    text = raw.decode("utf-8", "replace")
    out = subprocess.run([os.path.abspath(zub), "diag"], input=raw, capture_output=True,
                         cwd=HERE).stdout.decode("utf-8", "replace")
    places = raw_places(text)
    shown = summary_places(out)
    names = sorted({m.group(1) for l in lines_of(text) for p in TEST_NAME for m in [p.search(l)] if m})
    return {
        "name": os.path.basename(path)[:-4],
        "in": min(len(text), INLINE_CAP),
        "out": min(len(out), INLINE_CAP),
        "places": len(places),
        "places_kept": sum(p in shown for p in places),
        "names": len(names),
        "names_kept": sum(n in out for n in names),
        "missed": [p for p in places if p not in shown] + [n for n in names if n not in out],
    }


def places_table(outdir, zub):
    print("\n| output | chars in (capped) | chars out (capped) | ratio | error places kept | failing tests named |")
    print("|---|---|---|---|---|---|")
    ok = True
    real_in = real_out = 0
    for f in sorted(f for f in os.listdir(outdir) if f.endswith(".txt")):
        r = measure_places(os.path.join(outdir, f), zub)
        ratio = r["out"] / r["in"] if r["in"] else 0.0
        flag = " (over 0.3x)" if f.startswith("real-") and ratio > 0.3 else ""
        print(f"| {r['name']} | {r['in']} | {r['out']} | {ratio:.2f}{flag} | {r['places_kept']}/{r['places']} | "
              f"{r['names_kept']}/{r['names']} |")
        if f.startswith("real-"):
            real_in += r["in"]
            real_out += r["out"]
        if r["missed"]:
            ok = False
            for miss in r["missed"]:
                print(f"  missed in {r['name']}: {miss}", file=sys.stderr)
    if real_in:
        print(f"\nreal-*: {real_out} of {real_in} characters, {real_out / real_in:.2f}x")
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
    ok = places_table(outdir, zub) and ok
    print(f"\ntargets {'met' if ok else 'MISSED'}")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
