#!/usr/bin/env bash
# A second page set with ground truth, for checking that a change to the
# page converter generalises beyond the corpus it was measured on: HTML
# documentation shipped in Debian packages next to the source text it was
# made from. Each page becomes DIR/<name>/source.html with expected.txt,
# the layout of bench tools such as md-anchors.mjs.
#   - python3.11-doc and sphinx-doc: Sphinx pages (two different themes);
#     the truth is the page's reStructuredText source from _sources/, with
#     directive, option and role markup removed.
#   - git-doc: AsciiDoc manual pages; the truth is the .txt source beside
#     each page, with attribute and block markup removed.
# Pages whose source pulls in text from elsewhere (autodoc directives,
# includes) are left out: their truth would miss text the page shows.
# Usage: bench/pages2.sh [DIR] (default /var/tmp/zub-bench/pages2). Needs
# apt-get (to download the packages) and python3. Nothing is installed.
set -eu
OUT=${1:-/var/tmp/zub-bench/pages2}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
apt-get download python3.11-doc sphinx-doc git-doc >/dev/null 2>&1 || {
  echo "pages2: apt-get download failed (run apt-get update first?)" >&2
  exit 1
}
for deb in *.deb; do dpkg-deb -x "$deb" x; done
rm -rf "$OUT"
mkdir -p "$OUT"
python3 - "$WORK/x/usr/share/doc" "$OUT" <<'EOF'
import os, re, sys
doc, out = sys.argv[1], sys.argv[2]

def rst_text(src):
    lines = []
    skip_indent = None
    for line in src.splitlines():
        stripped = line.strip()
        indent = len(line) - len(line.lstrip())
        if skip_indent is not None:
            if stripped == "" or indent > skip_indent:
                continue
            skip_indent = None
        m = re.match(r"\.\.\s+([\w:-]+)::\s*(.*)", stripped)
        if m:
            name, arg = m.group(1), m.group(2)
            # Tables of contents, index entries and targets print no prose
            # of their own; other directives keep their argument and body.
            if name in ("toctree", "index", "highlight", "testsetup", "testcleanup",
                        "sectionauthor", "moduleauthor", "only", "raw", "image", "figure"):
                skip_indent = indent
                continue
            if name in ("function", "method", "class", "attribute", "data", "exception",
                        "module", "decorator", "describe", "option", "envvar", "cmdoption",
                        "program", "currentmodule", "confval", "rst:directive", "rst:role"):
                lines.append(arg)
            elif name not in ("versionadded", "versionchanged", "deprecated", "seealso",
                              "note", "warning", "code-block", "sourcecode", "literalinclude",
                              "productionlist", "tabularcolumns", "csv-table", "list-table"):
                lines.append(arg)
            else:
                lines.append(arg if name not in ("code-block", "sourcecode", "literalinclude",
                                                  "tabularcolumns") else "")
            continue
        if stripped.startswith(".. ") or stripped == "..":
            skip_indent = indent  # comments and link targets
            continue
        if re.match(r":[\w-]+:(\s|$)", stripped):
            continue  # directive options and field-list metadata
        line = re.sub(r":[\w:+-]+:`([^`<]*?)\s*(<[^`>]*>)?`", r"\1", line)  # roles
        line = re.sub(r"`([^`<]*?)\s*<[^`>]*>`_+", r"\1", line)  # links
        lines.append(line)
    return "\n".join(lines)

def adoc_text(src):
    lines = []
    for line in src.splitlines():
        s = line.strip()
        if re.match(r"^(:[\w-]+:|\[[\w ,=\"-]*\]$|include::|ifdef::|ifndef::|endif::|//)", s):
            continue
        lines.append(re.sub(r"linkgit:([\w-]+)\[(\d)\]", r"\1(\2)", line))
    return "\n".join(lines)

def add(name, html_path, text):
    d = os.path.join(out, name)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "source.html"), "wb") as f:
        f.write(open(html_path, "rb").read())
    with open(os.path.join(d, "expected.txt"), "w") as f:
        f.write(text)

def sphinx(root, prefix, every, limit):
    src_root = os.path.join(root, "_sources")
    pages = []
    for dirpath, _, files in os.walk(src_root):
        for f in files:
            if f.endswith(".rst.txt") or f.endswith(".txt"):
                pages.append(os.path.join(dirpath, f))
    pages.sort()
    n = 0
    for i, src in enumerate(pages):
        if i % every:
            continue
        rel = os.path.relpath(src, src_root)
        rel = rel[:-8] if rel.endswith(".rst.txt") else rel[:-4]
        html = os.path.join(root, rel + ".html")
        text = open(src, encoding="utf-8", errors="replace").read()
        if not os.path.exists(html) or re.search(r"^\s*\.\. (auto\w+|include|literalinclude)::", text, re.M):
            continue
        if len(text) < 1500:
            continue  # stubs and tables of contents
        add(prefix + rel.replace("/", "_"), html, rst_text(text))
        n += 1
        if n == limit:
            break

def git(root, every, limit):
    pages = sorted(f for f in os.listdir(root) if f.endswith(".txt"))
    n = 0
    for i, f in enumerate(pages):
        if i % every:
            continue
        html = os.path.join(root, f[:-4] + ".html")
        text = open(os.path.join(root, f), encoding="utf-8", errors="replace").read()
        if not os.path.exists(html) or "include::" in text or len(text) < 1500:
            continue
        add("git-" + f[:-4], html, adoc_text(text))
        n += 1
        if n == limit:
            break

sphinx(os.path.join(doc, "python3.11/html"), "py-", 4, 80)
sphinx(os.path.join(doc, "sphinx-doc/html"), "sphinx-", 1, 40)
git(os.path.join(doc, "git-doc"), 2, 60)
print(len(os.listdir(out)), "pages in", out)
EOF
