#!/usr/bin/env python3
"""Judges `zub def` on qualified names (`Class.method`, `Type::method`,
`ns::Class::method`) over the real trees of measure.py, with universal-ctags'
scope field as the reference.

usage: qualified.py ZUB [--lang c,cpp,...] [--samples 20] [-v]

Per language it samples members that ctags files under a named class,
struct, interface, impl or namespace (methods and functions; constructors
and anonymous scopes left out) and asks `zub def SCOPE.NAME` (`::` for C++
and Rust), where SCOPE is the innermost scope; for C++ also with the whole
scope (`a::b::C::m`). It prints:
  recall     members whose definition is printed (a block that starts at
             the tag, as measure.py counts it)
  wrong      printed blocks that start at no definition of NAME under a
             scope of that name, over all printed blocks
  plain      blocks `zub def NAME` prints for the same names (what the
             qualifier saves)
Uses the ctags index measure.py keeps (tags-{lang}.json); run measure.py
first. Sampling uses a fixed seed.
"""
import argparse
import json
import os
import random
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import measure  # noqa: E402

# ctags kinds of members and the kinds of scope that hold them
MEMBERS = {
    "cpp": ({"function"}, {"class", "struct", "namespace"}),
    "java": ({"method"}, {"class", "interface", "enum"}),
    "go": ({"func"}, {"struct", "interface"}),
    "python": ({"member", "function"}, {"class"}),
    "rust": ({"method"}, {"implementation", "interface"}),
    "js": ({"method"}, {"class"}),
    "ts": ({"method"}, {"class", "interface"}),
}
SEP = {"cpp": "::", "rust": "::"}
SEED = 25
# macro invocations (TEST_F) that ctags files as functions
MACRO = re.compile(r"^[A-Z][A-Z0-9_]*$")


def scope_pieces(lang, scope):
    # Go scopes are "package.Type"; the others nest with "." or "::".
    pieces = re.split(r"::|\.", scope)
    return pieces[-1:] if lang == "go" else pieces


def samples(lang, n):
    cfg = measure.LANGS[lang]
    measure.ctags_index(lang, cfg)
    kinds, scopes = MEMBERS[lang]
    by_name = {}
    pool = []
    with open(os.path.join(measure.R, f"tags-{lang}.json"), encoding="utf-8",
              errors="replace") as f:
        for line in f:
            t = json.loads(line)
            if t.get("_type") != "tag" or "line" not in t or "scope" not in t:
                continue
            if not t["path"].endswith(cfg["ext"]):
                continue
            pieces = scope_pieces(lang, t["scope"])
            entry = (os.path.realpath(t["path"]), t["line"], pieces)
            by_name.setdefault(t["name"], []).append(entry)
            if (t.get("kind") in kinds and t.get("scopeKind") in scopes
                    and measure.IDENT.match(t["name"]) and t["name"] != pieces[-1]
                    and not MACRO.match(t["name"])
                    and all(measure.IDENT.match(p) or len(p) > 0 and p.isidentifier()
                            for p in pieces)
                    and not any(p.startswith("__anon") for p in pieces)):
                pool.append((t["name"], pieces, entry))
    pool.sort()
    rng = random.Random(SEED)
    return rng.sample(pool, min(n, len(pool))), by_name


def judge(zub, lang, query, name, pieces, entry, by_name, verbose):
    cfg = measure.LANGS[lang]
    blocks = measure.parse_def(measure.run_zub(zub, ["def", query] + cfg["roots"]))
    hit = any(measure.starts_at(entry[0], entry[1], "", p, a, b) for p, a, b in blocks)
    wrong = 0
    for p, a, b in blocks:
        if not any(measure.starts_at(tp, tl, "", p, a, b) and tpieces[-1] == pieces[-1]
                   for tp, tl, tpieces in by_name.get(name, [])):
            wrong += 1
            if verbose:
                print(f"  [{lang}] def {query}: not it: {p}:{a}-{b}")
    if not hit and verbose:
        print(f"  [{lang}] def {query}: MISSED; ctags has {entry[0]}:{entry[1]}")
    return hit, wrong, len(blocks)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("zub")
    ap.add_argument("--lang", default=",".join(MEMBERS))
    ap.add_argument("--samples", type=int, default=20)
    ap.add_argument("-v", action="store_true")
    a = ap.parse_args()
    zub = os.path.abspath(a.zub)
    print(f"{'query':<14}{'recall':>16}{'wrong blocks':>18}{'plain blocks':>14}")
    for lang in a.lang.split(","):
        picked, by_name = samples(lang, a.samples)
        sep = SEP.get(lang, ".")
        variants = [("inner", lambda pieces: pieces[-1:])]
        if lang == "cpp":
            variants.append(("whole", lambda pieces: pieces))
        plain = sum(len(measure.parse_def(measure.run_zub(
            zub, ["def", name] + measure.LANGS[lang]["roots"]))) for name, _, _ in picked)
        for label, scope_of in variants:
            hits = wrong = shown = 0
            for name, pieces, entry in picked:
                query = sep.join(scope_of(pieces) + [name])
                h, w, s = judge(zub, lang, query, name, pieces, entry, by_name, a.v)
                hits += h
                wrong += w
                shown += s
            n = len(picked)
            print(f"{lang + ' ' + label:<14}{hits:>6}/{n:<3}{100.0 * hits / max(n, 1):6.1f}%"
                  f"{wrong:>8}/{shown:<4}{100.0 * wrong / max(shown, 1):5.1f}%{plain:>10}")


if __name__ == "__main__":
    main()
