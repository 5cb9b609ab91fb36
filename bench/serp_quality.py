#!/usr/bin/env python3
"""Title and snippet quality of the result-page reader on saved result pages.

For every organic result of every page in the corpus directory, the page's
own heading (the h2 of a result, or its title element) and description (the
caption paragraph, or the snippet box) are read with Python's HTML parser,
independently of zub, and compared with the title and snippet that zub's
reader chose (bench/serp_hits.cpp, linked against the built library).

Usage: python3 bench/serp_quality.py [BUILD_DIR] [CORPUS_DIR]
Defaults: build, ../shared/corpus/serp (or ../../shared/corpus/serp).
"""
import html.parser
import json
import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


class Reference(html.parser.HTMLParser):
    """Heading and description text of each result element of a page."""

    BLOCK = {'div', 'p', 'br', 'li', 'h1', 'h2', 'h3', 'h4', 'h5', 'h6', 'ul', 'ol',
             'table', 'tr', 'td', 'section', 'header'}
    VOID = {'area', 'base', 'br', 'col', 'embed', 'hr', 'img', 'input', 'link', 'meta',
            'source', 'track', 'wbr'}

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack = []
        self.results = []
        self.cur = None
        self.open = {}  # capture name -> stack depth of the element that started it

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        cls = (a.get('class') or '').split()
        if tag in self.BLOCK:
            self.handle_data(' ')
        if tag in self.VOID:
            return
        self.stack.append(tag)
        d = len(self.stack)
        if (tag == 'li' and 'b_algo' in cls) or a.get('data-type') == 'web':
            self.cur = {'heading': '', 'desc': '', 'depth': d}
            self.results.append(self.cur)
        if self.cur is None:
            return
        if tag in ('script', 'style', 'svg'):
            self.open.setdefault('skip', d)
        if (tag == 'h2' or 'search-snippet-title' in cls) and 'h' not in self.open \
                and not self.cur['heading']:
            self.open['h'] = d
        if ('b_caption' in cls or 'generic-snippet' in cls) and 'box' not in self.open \
                and not self.cur['desc']:
            self.open['box'] = d
        if 'box' in self.open and 'd' not in self.open and not self.cur['desc'] \
                and (tag == 'p' or 'content' in cls):
            self.open['d'] = d

    def handle_endtag(self, tag):
        if tag in self.BLOCK:
            self.handle_data(' ')
        if tag in self.VOID or tag not in self.stack:
            return
        while self.stack:
            t = self.stack.pop()
            d = len(self.stack) + 1
            for k in [k for k, v in self.open.items() if v == d]:
                del self.open[k]
            if self.cur and d == self.cur['depth']:
                self.cur = None
            if t == tag:
                break

    def handle_data(self, data):
        if self.cur is None or 'skip' in self.open:
            return
        if 'h' in self.open:
            self.cur['heading'] += data
        if 'd' in self.open:
            self.cur['desc'] += data


def words(s):
    return ' '.join(s.split())


def corpus_dir():
    for rel in ('../shared/corpus/serp', '../../shared/corpus/serp'):
        d = os.path.normpath(os.path.join(ROOT, rel))
        if os.path.isdir(d):
            return d
    sys.exit('serp_quality: no corpus beside ' + ROOT)


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, 'build')
    corpus = sys.argv[2] if len(sys.argv) > 2 else corpus_dir()
    pages = sorted(os.path.join(corpus, f) for f in os.listdir(corpus) if f.endswith('.html'))
    with tempfile.TemporaryDirectory() as tmp:
        exe = os.path.join(tmp, 'serp_hits')
        subprocess.run([os.environ.get('CXX', 'g++'), '-std=c++20', '-O1', '-I', os.path.join(ROOT, 'src'),
                        os.path.join(ROOT, 'bench', 'serp_hits.cpp'),
                        os.path.join(build, 'libzubcore.a'), '-o', exe, '-pthread'], check=True)
        out = subprocess.run([exe] + pages, check=True, capture_output=True, text=True).stdout
    hits = {}
    for line in out.splitlines():
        h = json.loads(line)
        hits.setdefault(h['page'], []).append(h)
    total = title_ok = snippet_ok = 0
    for path in pages:
        name = os.path.basename(path)
        ref = Reference()
        with open(path, encoding='utf-8', errors='replace') as f:
            ref.feed(f.read())
        ref.close()
        got = hits.get(name, [])
        if len(got) != len(ref.results):
            print(f'{name}: {len(got)} hits for {len(ref.results)} results')
        for i, r in enumerate(ref.results):
            total += 1
            h = got[i] if i < len(got) else {'title': '', 'snippet': ''}
            t_ok = h['title'] == words(r['heading'])
            s_ok = h['snippet'] == words(r['desc'])
            title_ok += t_ok
            snippet_ok += s_ok
            if not t_ok:
                print(f'{name} #{i + 1} title: {h["title"]!r} != heading {words(r["heading"])!r}')
            if not s_ok:
                print(f'{name} #{i + 1} snippet: {h["snippet"]!r} != description {words(r["desc"])!r}')
    if total == 0:
        sys.exit('serp_quality: no results in ' + corpus)
    print(f'pages {len(pages)}, results {total}: '
          f'title = heading {title_ok}/{total} ({100.0 * title_ok / total:.1f} %), '
          f'snippet = description {snippet_ok}/{total} ({100.0 * snippet_ok / total:.1f} %)')


if __name__ == '__main__':
    main()
