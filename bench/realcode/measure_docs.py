#!/usr/bin/env python3
"""Judges `zub outline` on documents and configuration files nobody here
wrote, against readers that are not zub's:

  markdown  headings by cmark (Debian package cmark, --sourcepos), front
            matter blanked first; zub must list each heading's first line,
            and show its level (ATX: the "#"s as written; setext: "==="/"---"
            after the title)
  rst       section titles by docutils (the title line of each section)
  yaml      top-level keys by PyYAML's composer (the key's line); for a
            document whose root is a sequence, the first key of each item
            that is a mapping
  json      top-level keys by Python's json module (compared as names: the
            first quoted string of each printed line)
  make, cmake, docker, toml, sql, proto
            the lines that small regular-expression readers below take for
            a target or variable, a function/macro/target/option/cache
            variable, an instruction, a table or top-level key, a CREATE
            statement, and a message/enum/service/rpc/package/import

Per kind it prints the files, the expected lines, those zub lists (recall)
and zub's lines that are expected (precision); -v prints every miss and
extra. Files are sampled with a fixed seed from Debian packages (under
/usr/share/doc, /usr/share, /usr/include, /usr/lib), npm packages (in
/usr/lib/node_modules and the diag benchmark's node_modules) and the Linux
tree (Documentation, Makefiles).

usage: measure_docs.py ZUB [--kind markdown,rst,...] [--files 40] [-v]
"""
import argparse
import glob
import gzip
import json
import os
import random
import re
import subprocess
import sys

BENCH = os.environ.get("ZUB_BENCH_DIR", "/var/tmp/zub-bench")
K = os.path.join(BENCH, "linux-source-6.1")
UNPACKED = os.path.join(BENCH, "docs")


INDEX = []


def glob_re(pattern):
    # "**/" any directories (or none), "*" within one name.
    out = ""
    k = 0
    while k < len(pattern):
        if pattern.startswith("**/", k):
            out += "(?:.*/)?"
            k += 3
        elif pattern[k] == "*":
            out += "[^/]*"
            k += 1
        else:
            out += re.escape(pattern[k])
            k += 1
    return re.compile(out + "$")


def files(patterns, minsize=200):
    # One find(1) over the trees the samples come from; Python's recursive
    # glob over /usr takes minutes.
    if not INDEX:
        roots = ["/usr/share", "/usr/lib", "/usr/include", "/usr/src", "/root/.pyenv", K,
                 "/var/tmp/zub-diag-npm", UNPACKED]
        r = subprocess.run(["find"] + [d for d in roots if os.path.isdir(d)] + ["-type", "f"],
                           capture_output=True, text=True, errors="replace")
        INDEX.extend(r.stdout.splitlines())
    out = []
    for p in patterns:
        rx = glob_re(p)
        out += [f for f in INDEX if rx.match(f) and os.path.getsize(f) >= minsize]
    return sorted(set(out))


def markdown_files():
    # Compressed Debian READMEs are unpacked once, keeping their names.
    os.makedirs(UNPACKED, exist_ok=True)
    for gz in glob.glob("/usr/share/doc/*/*.md.gz"):
        dst = os.path.join(UNPACKED, gz.split("/")[-2] + "--" + os.path.basename(gz)[:-3])
        if not os.path.exists(dst):
            with gzip.open(gz, "rb") as i, open(dst, "wb") as o:
                o.write(i.read())
    return files(["/usr/share/doc/*/*.md", UNPACKED + "/*.md",
                  "/usr/lib/node_modules/**/*.md",
                  "/var/tmp/zub-diag-npm/node_modules/*/README.md",
                  "/var/tmp/zub-diag-npm/node_modules/@*/*/README.md"], 1000)


def zub_outline(zub, path):
    r = subprocess.run([zub, "outline", path, "-n", "100000"], capture_output=True, text=True)
    out = {}
    for line in r.stdout.splitlines()[1:]:
        m = re.match(r"(\d+)\| (.*)$", line)
        if m:
            out[int(m.group(1))] = m.group(2)
    return out


def read(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read()


# ---- expected lines per kind -------------------------------------------

def expect_markdown(path):
    text = read(path)
    lines = text.split("\n")
    if lines and lines[0].rstrip() in ("---", "+++"):
        for k in range(1, len(lines)):
            if lines[k].rstrip() in (lines[0].rstrip(), "..."):
                for j in range(k + 1):
                    lines[j] = ""
                break
    xml = subprocess.run(["cmark", "--sourcepos", "-t", "xml"], input="\n".join(lines),
                         capture_output=True, text=True).stdout
    return {int(m.group(1)): int(m.group(2))
            for m in re.finditer(r'<heading sourcepos="(\d+):\d+-[^"]*" level="(\d)"', xml)}


def expect_rst(path):
    import docutils.core
    import docutils.nodes
    import docutils.utils
    settings = {"report_level": 5, "halt_level": 5, "file_insertion_enabled": False,
                "raw_enabled": False, "doctitle_xform": False, "warning_stream": False}
    try:
        doc = docutils.core.publish_doctree(read(path), settings_overrides=settings)
    except Exception:
        return None
    out = {}
    for s in doc.traverse(docutils.nodes.section):
        t = s[0]
        if t.line:
            out[t.line - 1] = 0
    return out


def expect_yaml(path):
    import yaml
    out = {}
    try:
        for node in yaml.compose_all(read(path), Loader=yaml.SafeLoader):
            if isinstance(node, yaml.MappingNode):
                for k, _ in node.value:
                    out[k.start_mark.line + 1] = 0
            elif isinstance(node, yaml.SequenceNode):
                for item in node.value:
                    if isinstance(item, yaml.MappingNode) and item.value:
                        out[item.start_mark.line + 1] = 0
    except Exception:
        return None
    return out


def expect_by_regex(path, keep, line_ok=lambda lines, i: True):
    lines = read(path).split("\n")
    return {i + 1: 0 for i, l in enumerate(lines) if keep(l) and line_ok(lines, i)}


MAKE_VAR = re.compile(r"^ *(?:(?:export|override|private) +)*[^\s=:#+?!$]*(?:\$[({][^)}]*[)}][^\s=:#+?!]*)*\s*(?::{1,3}=|\?=|!=|=)")
MAKE_RULE = re.compile(r"^(?!\.[A-Z])[^\t#=:][^=:#]*::?(?!=)")


def expect_make(path):
    lines = read(path).split("\n")
    out, in_rule, cont, define = {}, False, False, 0
    for i, l in enumerate(lines):
        was, cont = cont, bool(re.search(r"(?<!\\)(\\\\)*\\\s*$", l))
        if define:
            define += l.strip().startswith("define")
            define -= l.strip().startswith("endef")
            continue
        if was or (l.startswith("\t") and in_rule) or l.lstrip().startswith("#") or not l.strip():
            continue
        s = l.strip()
        if re.match(r"(export +|override +)?define\b", s):
            out[i + 1] = 0
            define = 1
            in_rule = False
        elif re.match(r"-?s?include\s", s):
            out[i + 1] = 0
            in_rule = False
        elif re.match(r"(ifeq|ifneq|ifdef|ifndef|else|endif|vpath|unexport)\b", s):
            pass
        elif MAKE_VAR.match(l):
            out[i + 1] = 0
            in_rule = False
        elif MAKE_RULE.match(l):
            out[i + 1] = 0
            in_rule = True
        elif re.match(r"\.[A-Z]", s):
            in_rule = True
    return out


CMAKE = re.compile(r"^\s*(function|macro|add_executable|add_library|add_custom_target|option)\s*\(", re.I)


def expect_cmake(path):
    text = read(path)
    lines = text.split("\n")
    out = {}
    for i, l in enumerate(lines):
        if CMAKE.match(l):
            out[i + 1] = 0
        elif re.match(r"^\s*set\s*\(", l, re.I):
            stmt = l
            j = i
            while stmt.count("(") > stmt.count(")") and j + 1 < len(lines):
                j += 1
                stmt += lines[j]
            if re.search(r"\bCACHE\b", stmt):
                out[i + 1] = 0
    # Lines inside bracket comments are not commands.
    for m in re.finditer(r"#\[(=*)\[.*?\]\1\]", text, re.S):
        a = text.count("\n", 0, m.start()) + 2
        b = text.count("\n", 0, m.end()) + 1
        for n in range(a, b + 1):
            out.pop(n, None)
    return out


DOCKER = re.compile(r"^\s*(FROM|RUN|CMD|LABEL|MAINTAINER|EXPOSE|ENV|ADD|COPY|ENTRYPOINT|VOLUME|USER|WORKDIR|ARG|ONBUILD|STOPSIGNAL|HEALTHCHECK|SHELL)(\s|$)", re.I)


def expect_docker(path):
    lines = read(path).split("\n")
    out, cont = {}, False
    for i, l in enumerate(lines):
        s = l.strip()
        if cont and (not s or s.startswith("#")):
            continue
        was, cont = cont, s.endswith("\\")
        if not was and DOCKER.match(l):
            out[i + 1] = 0
    return out


def expect_toml(path):
    lines = read(path).split("\n")
    out, seen_table, depth, multi = {}, False, 0, None
    for i, l in enumerate(lines):
        s = l.strip()
        if multi:
            if l.count(multi) % 2 == 1:
                multi = None
            continue
        if depth == 0 and s.startswith("["):
            out[i + 1] = 0
            seen_table = True
            continue
        if depth == 0 and not seen_table and re.match(r"^\s*[\w\"'.-][^=]*=", l) and not s.startswith("#"):
            out[i + 1] = 0
        code = re.sub(r'"(\\.|[^"\\])*"|\'[^\']*\'|#.*', "", l)
        for q in ('"""', "'''"):
            if l.count(q) % 2 == 1:
                multi = q
        depth += code.count("[") + code.count("{") - code.count("]") - code.count("}")
        depth = max(depth, 0)
    return out


def expect_sql(path):
    text = read(path)
    # Comments and dollar-quoted bodies blanked, line breaks kept.
    blank = lambda m: re.sub(r"[^\n]", " ", m.group(0))
    text = re.sub(r"/\*.*?\*/", blank, text, flags=re.S)
    text = re.sub(r"\$(\w*)\$.*?\$\1\$", blank, text, flags=re.S)
    text = re.sub(r"--[^\n]*", blank, text)
    return {i + 1: 0 for i, l in enumerate(text.split("\n")) if re.match(r"^\s*create\s", l, re.I)}


PROTO = re.compile(r"^\s*(message|enum|service|extend)\s+[\w.]+|^\s*rpc\s+\w+|^(package|import)\s")


def expect_proto(path):
    # Strings and comments blanked in one pass ("/v1/{name=*/x}" holds no comment).
    text = re.sub(r'"(?:\\.|[^"\\\n])*"|//[^\n]*|/\*.*?\*/',
                  lambda m: re.sub(r"[^\n]", " ", m.group(0)), read(path), flags=re.S)
    out = {}
    depth_stack = []
    for i, l in enumerate(text.split("\n")):
        code = l
        if PROTO.match(code) and "option" not in depth_stack:
            out[i + 1] = 0
        first = re.match(r"\s*(\w+)", code)
        for ch in code:
            if ch == "{":
                depth_stack.append(first.group(1) if first else "")
            elif ch == "}" and depth_stack:
                depth_stack.pop()
    return out


def json_names(path):
    try:
        with open(path, encoding="utf-8") as f:
            doc = json.load(f)
    except Exception:
        return None
    return set(doc) if isinstance(doc, dict) else set()


KINDS = {
    "markdown": (markdown_files, expect_markdown),
    "rst": (lambda: files([f"{K}/Documentation/**/*.rst"], 1000), expect_rst),
    "make": (lambda: files([f"{K}/Makefile", f"{K}/tools/**/Makefile", f"{K}/scripts/Makefile*",
                            "/usr/share/**/Makefile", "/usr/lib/**/*.mk"], 300), expect_make),
    "cmake": (lambda: files(["/usr/src/googletest/**/CMakeLists.txt", "/usr/src/googletest/**/*.cmake",
                             "/usr/lib/x86_64-linux-gnu/cmake/**/*.cmake",
                             "/usr/share/cmake-*/Modules/*.cmake"], 300), expect_cmake),
    "docker": (lambda: files(["/usr/share/go-*/src/**/Dockerfile",
                              "/usr/lib/google-cloud-sdk/**/Dockerfile*",
                              "/root/.pyenv/**/Dockerfile"], 50), expect_docker),
    "yaml": (lambda: files([f"{K}/Documentation/devicetree/bindings/**/*.yaml",
                            "/usr/share/**/*.yml", "/usr/share/**/*.yaml"], 300), expect_yaml),
    "toml": (lambda: [f for f in files(["/usr/share/cargo/registry/**/*.toml",
                                        "/usr/lib/python3/dist-packages/**/*.toml",
                                        "/root/.pyenv/versions/*/lib/**/*.toml",
                                        "/usr/share/**/*.toml"], 100)
                      if "/invalid/" not in f], expect_toml),
    "json": (lambda: files(["/usr/lib/node_modules/**/package.json",
                            "/var/tmp/zub-diag-npm/node_modules/*/package.json",
                            "/usr/share/**/*.json"], 300), None),
    "sql": (lambda: files(["/usr/share/postgresql/*/extension/*.sql",
                           "/usr/share/postgresql/*/*.sql"], 300), expect_sql),
    "proto": (lambda: files(["/usr/include/google/protobuf/*.proto",
                             "/usr/lib/google-cloud-sdk/**/*.proto"], 100), expect_proto),
}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("zub")
    ap.add_argument("--kind", default=",".join(KINDS))
    ap.add_argument("--files", type=int, default=40)
    ap.add_argument("-v", action="store_true")
    a = ap.parse_args()
    zub = os.path.abspath(a.zub)
    print(f"{'kind':9} {'files':>5} {'expected':>8} {'listed':>7} {'recall':>7} {'printed':>7} {'precision':>9} {'level shown':>11}")
    for kind in a.kind.split(","):
        find, expect = KINDS[kind]
        pool = find()
        random.Random(25).shuffle(pool)
        n_files = expected = listed = printed = correct = levels = level_ok = 0
        for path in pool:
            if n_files >= a.files:
                break
            if kind == "json":
                names = json_names(path)
                if names is None or not names:
                    continue
                got = zub_outline(zub, path)
                shown = {m.group(1) for v in got.values() if (m := re.search(r'"((?:\\.|[^"\\])*)"', v))}
                n_files += 1
                expected += len(names)
                listed += len(names & shown)
                printed += len(got)
                correct += len(shown & names)
                if a.v and names - shown:
                    print(f"  {path}: missed {sorted(names - shown)[:10]}")
                continue
            want = expect(path)
            if want is None:
                continue
            got = zub_outline(zub, path)
            n_files += 1
            expected += len(want)
            hit = set(want) & set(got)
            listed += len(hit)
            printed += len(got)
            correct += len(set(got) & set(want))
            if kind == "markdown":
                for n in hit:
                    levels += 1
                    text = got[n]
                    lv = want[n]
                    m = re.match(r"\s*(#+)", text)
                    shown = len(m.group(1)) if m else (1 if text.endswith(" ===") or text.endswith(" =")
                                                      else 2 if text.endswith(" ---") or text.endswith(" -")
                                                      or text.endswith(" --") else 0)
                    level_ok += shown == lv
            if a.v:
                for n in sorted(set(want) - set(got)):
                    print(f"  miss  {path}:{n}")
                for n in sorted(set(got) - set(want)):
                    print(f"  extra {path}:{n}: {got[n][:80]}")
        rec = listed / expected if expected else 0
        prec = correct / printed if printed else 0
        lv = f"{level_ok}/{levels}" if kind == "markdown" else ""
        print(f"{kind:9} {n_files:5} {expected:8} {listed:7} {rec:7.3f} {printed:7} {prec:9.3f} {lv:>11}")
        sys.stdout.flush()


if __name__ == "__main__":
    main()
