"""What tools/doc_options.py and tools/readme_samples.py share: the call's
options, reading and writing a document as lines, and the closing verdict."""
import argparse
import os

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def options():
    """--zub PATH (the binary, build/zub by default) and --fix."""
    ap = argparse.ArgumentParser()
    ap.add_argument("--zub", default=os.path.join(TOP, "build", "zub"))
    ap.add_argument("--fix", action="store_true")
    return ap.parse_args()


def read_lines(path):
    with open(path, encoding="utf-8") as f:
        return f.read().split("\n")


def write_lines(path, lines):
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))


def verdict(fix, checked, stale, what, tool):
    """Prints the last line; the exit status: 1 when something is stale and
    was not fixed."""
    if fix:
        print(f"{checked} {what} checked, {stale} rewritten")
        return 0
    if stale:
        print(f"{stale} of {checked} {what} stale: {tool} --fix rewrites them")
        return 1
    print(f"{checked} {what} match")
    return 0
