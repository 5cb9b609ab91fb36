#!/usr/bin/env python3
"""Judges `zub def` and `zub outline` on real source trees against
universal-ctags' index of the same trees.

usage: measure.py ZUB [--lang c,cpp,...] [--samples 20] [--files 30] [-v]

Per language it prints:
  def recall     sampled symbols whose definition zub prints (a hit is a
                 block that starts at a ctags definition line of the symbol,
                 or up to two lines above it when the block covers it: a
                 return type or template line of its own; a C typedef,
                 tagged on its closing `} name;` line, may end there)
  non-def        printed blocks that start at no ctags definition of the
                 symbol, over all printed blocks (pure virtual, defaulted and
                 deleted C++ members and JavaScript object-literal methods,
                 which ctags does not tag as definitions, count as
                 definitions)
  outline recall ctags definitions (the language's main kinds) whose line,
                 or one of the two lines above it, outline prints (a
                 JavaScript "class" tag without the word class, which ctags
                 gives object literals, is not required)
  outline prec.  printed lines that are a ctags tag of any kind (C and C++
                 prototypes included), the line
                 or two lines above one, or an import, include, package,
                 attribute or decorator line

Sampling uses a fixed seed, so two runs over the same trees pick the same
symbols and files. Trees come from prepare.sh.
"""
import argparse
import json
import os
import random
import re
import subprocess
import sys
import time

BENCH = os.environ.get("ZUB_BENCH_DIR", "/var/tmp/zub-bench")
K = os.path.join(BENCH, "linux-source-6.1")
R = os.path.join(BENCH, "realcode")


def cargo_crate(prefix):
    base = "/usr/share/cargo/registry"
    for name in sorted(os.listdir(base)):
        if name.startswith(prefix):
            return os.path.join(base, name)
    raise SystemExit(f"missing crate {prefix} (run prepare.sh)")


# roots, ctags language and options, file extensions, the kinds sampled for
# def and required by outline recall
LANGS = {
    "c": dict(
        roots=[f"{K}/kernel", f"{K}/mm", f"{K}/lib", f"{K}/fs/ext4", f"{K}/net/ipv4"],
        ctags=["--languages=C", "--langmap=C:+.h", "--kinds-C=+p"],
        ext=(".c", ".h"),
        main="fsugtd",
        outline_main="fsugt",
    ),
    "cpp": dict(
        roots=["/usr/src/googletest"],
        ctags=["--languages=C++", "--langmap=C++:+.h", "--kinds-C++=+p"],
        ext=(".cc", ".h", ".cpp"),
        main="fcsgtn",
        outline_main="fcsgtn",
    ),
    "java": dict(
        roots=[f"{R}/java"],
        ctags=["--languages=Java"],
        ext=(".java",),
        main="mciga",
        outline_main="mciga",
    ),
    "go": dict(
        roots=[f"/usr/lib/go-1.19/src/{d}" for d in
               ("net/http", "go/ast", "go/parser", "go/types", "encoding/json",
                "strings", "bufio", "sort", "fmt")],
        ctags=["--languages=Go"],
        ext=(".go",),
        main="ftsin",
        outline_main="ftsi",
    ),
    "python": dict(
        roots=[f"/usr/lib/python3.11/{d}" for d in
               ("email", "json", "asyncio", "http", "importlib", "logging",
                "unittest", "concurrent", "xml")],
        ctags=["--languages=Python"],
        ext=(".py",),
        main="cfm",
        outline_main="cfm",
    ),
    "rust": dict(
        roots=[cargo_crate("serde-1"), cargo_crate("regex-syntax-")],
        ctags=["--languages=Rust"],
        ext=(".rs",),
        main="fPsgictM",
        outline_main="fPsgict",
    ),
    "js": dict(
        roots=[f"{R}/webpack/package/lib"],
        ctags=["--languages=JavaScript"],
        ext=(".js",),
        main="fcmgGS",
        outline_main="fcmgGS",
    ),
    "ts": dict(
        roots=[f"{R}/rxjs/package/src"],
        ctags=["--languages=TypeScript"],
        ext=(".ts",),
        main="fcigma",
        outline_main="fcigma",
    ),
}

SEED = 14
# Kinds that declare without defining (C and C++ prototypes, extern
# variables): outline may show them, def must not print them.
DECLARATION_ONLY = "px"
IDENT = re.compile(r"^[A-Za-z_$][A-Za-z0-9_$]{2,}$")
# lines outline may show that ctags does not tag
EXTRA_DECL = re.compile(
    r"^\s*(#\s*include\b|#\[|@|import\b|from\s+\S+\s+import\b|package\b|use\b|"
    r"export\b|mod\b|extern\s+crate\b|using\b|namespace\b|template\s*<)")


def ctags_index(lang, cfg):
    cache = os.path.join(R, f"tags-{lang}.json")
    if not os.path.exists(cache):
        cmd = ["ctags", "-R", "--output-format=json", "--fields=+nKZ",
               "-f", cache + ".tmp"] + cfg["ctags"] + cfg["roots"]
        subprocess.run(cmd, check=True, stderr=subprocess.DEVNULL)
        os.rename(cache + ".tmp", cache)
    tags = []
    with open(cache, encoding="utf-8", errors="replace") as f:
        for line in f:
            t = json.loads(line)
            if t.get("_type") != "tag" or "line" not in t:
                continue
            if not t["path"].endswith(cfg["ext"]):
                continue
            kind = t.get("kind", "")
            tags.append((t["name"], os.path.realpath(t["path"]), t["line"],
                         KIND_LETTER.get((lang, kind), kind[:1])))
    return tags


# ctags' long kind names to the letters used in LANGS
KIND_LETTER = {}
for lang, ctl in (("c", "C"), ("cpp", "C++"), ("java", "Java"), ("go", "Go"),
                  ("python", "Python"), ("rust", "Rust"), ("js", "JavaScript"),
                  ("ts", "TypeScript")):
    out = subprocess.run(["ctags", f"--list-kinds-full={ctl}"], capture_output=True,
                         text=True).stdout
    for row in out.splitlines()[1:]:
        parts = row.split()
        if len(parts) >= 2:
            KIND_LETTER[(lang, parts[1])] = parts[0]


def run_zub(zub, args):
    p = subprocess.run([zub] + args, capture_output=True)
    return p.stdout.decode("utf-8", "replace")


def parse_def(out):
    """Blocks as (realpath, start, end) from a def report."""
    base = ""
    blocks = []
    for line in out.splitlines():
        if line.startswith("@ "):
            base = line[2:]
        elif line.startswith("── "):
            # "── path:a-b", maybe followed by a note in brackets (a block
            # cut at the cap, a long type shown as its members)
            m = re.match(r"── (.*):(\d+)-(\d+)(?: \[.*\])?$", line)
            if m:
                blocks.append((os.path.realpath(base + m.group(1)), int(m.group(2)),
                               int(m.group(3))))
    return blocks


_lines = {}


def file_line(path, n):
    if path not in _lines:
        with open(path, encoding="utf-8", errors="replace") as f:
            _lines[path] = f.read().split("\n")
    lines = _lines[path]
    return lines[n - 1] if 0 < n <= len(lines) else ""


def untagged_definition(lang, name, text):
    """Definitions that ctags does not tag as such: C++ pure virtual,
    defaulted and deleted members (declared without a body, but the only
    definition there is) and getters, setters and methods of JavaScript
    object literals."""
    n = re.escape(name)
    if lang in ("c", "cpp"):
        return re.search(n + r"\s*\(.*=\s*(0|default|delete)\s*;", text) is not None
    if lang in ("js", "ts"):
        return re.match(r"^\s*((static|async|get|set)\s+)*#?" + n + r"\s*\(", text) is not None
    return False


def starts_at(tag_path, tag_line, kind, path, a, b):
    """A block [a, b] of path starts at the tag: on its line or up to two
    lines above it; or, for a C typedef, which ctags tags on the closing
    `} name;` line, the block ends there."""
    if tag_path != path:
        return False
    return a <= tag_line <= min(b, a + 2) or (kind == "t" and tag_line == b)


def measure_def(zub, lang, cfg, tags, samples, verbose):
    by_name = {}
    for name, path, line, kind in tags:
        by_name.setdefault(name, []).append((path, line, kind))
    only_declares = DECLARATION_ONLY if lang in ("c", "cpp") else ""

    def definitions(name):
        return [d for d in by_name[name] if d[2] not in only_declares]
    pool = sorted({name for name, _, _, kind in tags
                   if kind in cfg["main"] and IDENT.match(name)
                   and not name.startswith("__anon") and len(definitions(name)) <= 6})
    rng = random.Random(SEED)
    names = rng.sample(pool, min(samples, len(pool)))
    hits = 0
    blocks_all = 0
    non_def = 0
    t0 = time.monotonic()
    for name in names:
        defs = by_name[name]
        out = run_zub(zub, ["def", name] + cfg["roots"])
        blocks = parse_def(out)
        hit = False
        for path, a, b in blocks:
            blocks_all += 1
            good = any(starts_at(p, l, k, path, a, b) and k not in only_declares
                       for p, l, k in defs) or untagged_definition(lang, name, file_line(path, a))
            if good:
                if any(starts_at(p, l, k, path, a, b) and k in cfg["main"]
                       for p, l, k in defs):
                    hit = True
            else:
                non_def += 1
                if verbose:
                    print(f"  [{lang}] def {name}: not a definition: {path}:{a}-{b}")
        if hit:
            hits += 1
        elif verbose:
            want = ", ".join(f"{p}:{l}({k})" for p, l, k in defs[:3])
            print(f"  [{lang}] def {name}: MISSED; ctags has {want}")
    secs = time.monotonic() - t0
    return hits, len(names), non_def, blocks_all, secs


def parse_outline(out):
    lines = []
    for line in out.splitlines():
        m = re.match(r"^(\d+)\| (.*)$", line)
        if m:
            lines.append((int(m.group(1)), m.group(2)))
    return lines


def measure_outline(zub, lang, cfg, tags, nfiles, verbose):
    per_file = {}
    for name, path, line, kind in tags:
        per_file.setdefault(path, []).append((line, kind, name))
    files = sorted(p for p, ts in per_file.items()
                   if any(k in cfg["outline_main"] for _, k, _ in ts))
    rng = random.Random(SEED)
    files = rng.sample(files, min(nfiles, len(files)))
    want = found = shown = right = 0
    for path in files:
        ts = per_file[path]
        out = run_zub(zub, ["outline", path, "-n", "1000000"])
        printed = parse_outline(out)
        nums = {n for n, _ in printed}
        tag_lines = {l for l, _, _ in ts}
        for l, k, name in ts:
            if k not in cfg["outline_main"]:
                continue
            # ctags files object literals (`const loc = {` in a function
            # body) under JavaScript's class kind; only real classes count.
            if lang == "js" and k == "c" and not re.search(r"\bclass\b", file_line(path, l)):
                continue
            want += 1
            if l in nums or (l - 1) in nums or (l - 2) in nums:
                found += 1
            elif verbose:
                print(f"  [{lang}] outline misses {path}:{l} {name} ({k})")
        for n, text in printed:
            shown += 1
            if n in tag_lines or (n + 1) in tag_lines or (n + 2) in tag_lines \
                    or EXTRA_DECL.match(text):
                right += 1
            elif verbose:
                print(f"  [{lang}] outline extra {path}:{n}| {text[:100]}")
    return found, want, right, shown


def pct(a, b):
    return f"{100.0 * a / b:5.1f}%" if b else "  n/a"


def main():
    global SEED
    ap = argparse.ArgumentParser()
    ap.add_argument("zub")
    ap.add_argument("--lang", default=",".join(LANGS))
    ap.add_argument("--samples", type=int, default=20)
    ap.add_argument("--files", type=int, default=30)
    ap.add_argument("--seed", type=int, default=SEED,
                    help="another seed draws other symbols and files, to check "
                         "that a rule was not fitted to one sample")
    ap.add_argument("-v", "--verbose", action="store_true")
    args = ap.parse_args()
    SEED = args.seed
    zub = os.path.abspath(args.zub)
    print(f"{'lang':7} {'def recall':>16} {'non-def blocks':>18} "
          f"{'outline recall':>20} {'outline precision':>22} {'def s':>6}")
    for lang in args.lang.split(","):
        cfg = LANGS[lang]
        tags = ctags_index(lang, cfg)
        h, n, nd, ba, secs = measure_def(zub, lang, cfg, tags, args.samples, args.verbose)
        f, w, r, s = measure_outline(zub, lang, cfg, tags, args.files, args.verbose)
        print(f"{lang:7} {h:3}/{n:<3} {pct(h, n):>8} {nd:4}/{ba:<4} {pct(nd, ba):>8} "
              f"{f:5}/{w:<5} {pct(f, w):>8} {r:5}/{s:<5} {pct(r, s):>10} {secs:6.1f}",
              flush=True)


if __name__ == "__main__":
    sys.exit(main())
