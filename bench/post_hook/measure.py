#!/usr/bin/env python3
"""Feeds each case of the corpus (collect.py) to `zub hook` as a PostToolUse
event and reports, per family, the characters the model sees before and
after (the host's inline cap of 30,000 characters applied to both sides),
and checks, independently of zub's code, that every error place, failing
test name and search hit line number the host would have shown is still
there, that file contents are unchanged (or cut only past the cap, with the
exact raw range named), and that every shortened output names its raw copy
holding the exact output. Then times the hook on 64 KB events and on one
near the 64 MiB bound, and on one past it.

  python3 bench/post_hook/measure.py ZUB CORPUS.jsonl[.xz] > RESULTS.md
"""
import json, lzma, os, re, resource, statistics, subprocess, sys, tempfile, time

ZUB, CORPUS = sys.argv[1], sys.argv[2]
CAP = 30000
STATE = tempfile.mkdtemp(prefix="zub-post-measure-")
ENV = dict(os.environ, XDG_STATE_HOME=STATE, TMPDIR=STATE, ZUB_NO_GAIN="1")
for k in list(ENV):
    if k.startswith("ZUB_") and k != "ZUB_NO_GAIN":
        del ENV[k]

opener = lzma.open if CORPUS.endswith(".xz") else open
with opener(CORPUS, "rt", encoding="utf-8") as f:
    cases = [json.loads(l) for l in f]


def event(c):
    return json.dumps({"session_id": "bench", "transcript_path": "/t.jsonl", "cwd": c["cwd"],
                       "permission_mode": "default", "hook_event_name": "PostToolUse",
                       "tool_name": "Bash", "tool_input": {"command": c["command"]},
                       "tool_response": {"stdout": c["stdout"], "stderr": c["stderr"],
                                         "interrupted": False, "isImage": False},
                       "tool_use_id": "toolu_bench"})


def hook(ev):
    t = time.perf_counter()
    r = subprocess.run([ZUB, "hook"], input=ev.encode(), capture_output=True, env=ENV)
    ms = (time.perf_counter() - t) * 1000
    assert r.returncode == 0, r
    return r.stdout.decode(), ms


# ---- independent extraction of what must survive ----
SRC = r"[\w./\-]+\.(?:c|cc|cpp|h|hpp|go|java|py|ts|js|rs)"
LOCATED = re.compile(rf"^\s*(?:\./)?({SRC})[:(](\d+)[,:](?:\d+[:)])?:?\s*(?:error|fatal error)", re.M)
GO_LOC = re.compile(rf"^(?:\./)?({SRC}):(\d+):\d+: ", re.M)
RUST_LOC = re.compile(rf"^\s*--> ({SRC}):(\d+):\d+", re.M)
PY_FRAME = re.compile(r'^\s*File "([^"]+)", line (\d+)', re.M)


def error_places(c, raw):
    places = set()
    for m in LOCATED.finditer(raw):
        places.add((m.group(1), m.group(2)))
    if c["name"].startswith("go-build"):
        for m in GO_LOC.finditer(raw):
            places.add((m.group(1), m.group(2)))
    if c["name"].startswith("cargo-build"):
        lines = raw.splitlines()
        for i, l in enumerate(lines):
            if l.startswith("error") and i + 1 < len(lines):
                m = RUST_LOC.match(lines[i + 1])
                if m:
                    places.add((m.group(1), m.group(2)))
    if c["family"] == "traceback":
        frames = PY_FRAME.findall(raw)
        if frames:
            places.add(frames[-1])
    if c["name"] == "node-check-syntax":
        m = re.search(r"^(\S+\.js):(\d+)$", raw, re.M)
        if m:
            places.add((m.group(1), m.group(2)))
    return places


def place_kept(place, shown):
    f, l = place
    base = re.escape(os.path.basename(f))
    if re.search(rf"{base}[:(]{l}\b", shown) or re.search(rf'{base}", line {l}\b', shown):
        return True
    # One message at several places, folded: "a.py:12,40,77" or, with
    # columns, "a.rs:2:53,3:30" (each item a line, or a line and a column).
    for m in re.finditer(rf"{base}:((?:\d+(?::\d+)?,)+\d+(?::\d+)?)", shown):
        if l in (item.split(":")[0] for item in m.group(1).split(",")):
            return True
    return False


FAILED_NAMES = [
    re.compile(r"^FAILED \S+::(\w+)", re.M),                 # pytest summary
    re.compile(r"::(\w+) FAILED", re.M),                    # pytest -v
    re.compile(r"^(?:FAIL|ERROR): (\w+) \(", re.M),          # unittest
    re.compile(r"^not ok \d+ - (.+?)\s*$", re.M),           # TAP (node --test)
    re.compile(r"^test (\S+) \.\.\. FAILED", re.M),          # cargo test
    re.compile(r"^\[  FAILED  \] (\w+\.\w+)", re.M),         # GoogleTest
    re.compile(r"^\s*\d+ - (\S+) \(Failed\)", re.M),         # ctest
    re.compile(r"^\s*--- FAIL: (\w+)", re.M),                # go test
]


def failing_tests(raw):
    names = set()
    for rx in FAILED_NAMES:
        names.update(rx.findall(raw))
    return {n.split("::")[-1] for n in names}


HIT = re.compile(r"^([^:\n]+):(\d+):", re.M)


def search_check(raw, shown):
    """Hits the host would show (within its cap) whose line number is in
    the shown block of their file; and all hits kept or inside a named raw
    range."""
    visible_end = len(raw[:CAP])
    ranges = [(int(a), int(b)) for a, b in re.findall(r"zub read \S+ (\d+)-(\d+)", shown)]
    blocks = {}
    for m in re.finditer(r"^── (.+?) \(\d+ hits?\)\n((?:(?!── ).*\n)*)", shown, re.M):
        blocks[m.group(1)] = m.group(2)
    vis = vis_kept = total = covered = 0
    line_no = 0
    pos = 0
    for line in raw.splitlines(True):
        line_no += 1
        m = HIT.match(line)
        pos += len(line)
        if not m:
            continue
        total += 1
        path, num = m.group(1), m.group(2)
        kept = path in blocks and re.search(rf"(?<![\d]){num}(?![\d])", blocks[path]) is not None
        if kept or any(a <= line_no <= b for a, b in ranges):
            covered += 1
        if pos <= visible_end:
            vis += 1
            vis_kept += kept
    return vis, vis_kept, total, covered


def raw_named(field, text):
    m = re.search(r"zub read (\S+) 1-(\d+)\]\n$", text)
    if not m:
        return False
    try:
        with open(m.group(1), encoding="utf-8") as f:
            return f.read() == field
    except OSError:
        return False


def content_ok(raw, shown, answered):
    if not answered:
        return True
    if len(raw) <= CAP:
        return False
    m = re.search(r"^\[zub hook: .*? · zub read (\S+) (\d+)-(\d+)\]\n", shown, re.M)
    if not m:
        return False
    a, b = int(m.group(2)), int(m.group(3))
    head, tail = shown[:m.start()], shown[m.end():]
    tail = tail[:tail.rfind("[zub hook: ")]
    lines = raw.splitlines(True)
    return head + "".join(lines[a - 1:b]) + tail == raw and len(shown) <= CAP


rows = []
for c in cases:
    raw = c["stdout"] + c["stderr"]
    out, ms = hook(event(c))
    answered = bool(out)
    streams = {"stdout": c["stdout"], "stderr": c["stderr"]}
    if answered:
        a = json.loads(out)["hookSpecificOutput"]["updatedToolOutput"]
        new = {k: a[k] for k in ("stdout", "stderr")}
        names_raw = all(new[k] == streams[k] or raw_named(streams[k], new[k]) for k in new)
        shown = new["stdout"] + new["stderr"]
        shape = sorted(a.keys()) == sorted(["stdout", "stderr", "interrupted", "isImage"])
    else:
        names_raw, shown, shape = True, raw, True
    r = {"case": c, "answered": answered, "before": min(len(raw), CAP), "after": min(len(shown), CAP),
         "ms": ms, "names_raw": names_raw and shape}
    places = error_places(c, raw[:CAP])
    r["places"] = (len(places), sum(place_kept(p, shown) for p in places),
                   [p for p in places if not place_kept(p, shown)])
    names = failing_tests(raw[:CAP])
    r["names"] = (len(names), sum(n in shown for n in names), [n for n in names if n not in shown])
    r["search"] = (search_check(raw, shown) if answered else (lambda s: (s[0], s[0], s[2], s[2]))(
        search_check(raw, ""))) if c["family"] == "search" else None
    r["content_ok"] = content_ok(raw, shown, answered) if c["family"] == "content" else None
    rows.append(r)

# ---- report ----
order = ["test-fail", "test-pass", "build-error", "build-pass", "typecheck", "diff", "install",
         "search", "logs", "traceback", "content", "other"]
print("## Per case\n")
print("| family | case | raw chars | before (capped) | after (capped) | ratio | shortened | places kept | failing names kept | hit numbers kept (visible / all hits kept or named) | raw named | ms |")
print("|---|---|---:|---:|---:|---:|---|---|---|---|---|---:|")
for r in sorted(rows, key=lambda r: (order.index(r["case"]["family"]), r["case"]["name"])):
    c = r["case"]
    s = r["search"]
    hits = f"{s[1]}/{s[0]} / {s[3]}/{s[2]}" if s else ""
    pl = f"{r['places'][1]}/{r['places'][0]}" if r["places"][0] else ""
    nm = f"{r['names'][1]}/{r['names'][0]}" if r["names"][0] else ""
    ratio = r["after"] / r["before"] if r["before"] else 1
    print(f"| {c['family']} | {c['name']} | {len(c['stdout']) + len(c['stderr'])} | {r['before']} | {r['after']} | "
          f"{ratio:.2f} | {'yes' if r['answered'] else 'no'} | {pl} | {nm} | {hits} | "
          f"{'yes' if r['names_raw'] else 'NO'} | {r['ms']:.1f} |")

print("\n## Per family (sum of capped characters)\n")
print("| family | cases | before | after | ratio |")
print("|---|---:|---:|---:|---:|")
groups = {"test/build/type-check": ["test-fail", "test-pass", "build-error", "build-pass", "typecheck"]}
for fam in order:
    rs = [r for r in rows if r["case"]["family"] == fam]
    if rs:
        b, a = sum(r["before"] for r in rs), sum(r["after"] for r in rs)
        print(f"| {fam} | {len(rs)} | {b} | {a} | {a / b:.2f} |")
for name, fams in groups.items():
    rs = [r for r in rows if r["case"]["family"] in fams]
    b, a = sum(r["before"] for r in rs), sum(r["after"] for r in rs)
    print(f"| **{name}** | {len(rs)} | {b} | {a} | **{a / b:.2f}** |")
rs = [r for r in rows if r["case"]["family"] == "search" and len(r["case"]["stdout"]) > 8192]
if rs:
    b, a = sum(r["before"] for r in rs), sum(r["after"] for r in rs)
    print(f"| **searches over 8 KB** | {len(rs)} | {b} | {a} | **{a / b:.2f}** |")
b, a = sum(r["before"] for r in rows), sum(r["after"] for r in rows)
print(f"| **overall** | {len(rows)} | {b} | {a} | **{a / b:.2f}** |")

print("\n## Checks\n")
tp = sum(r["places"][0] for r in rows); kp = sum(r["places"][1] for r in rows)
tn = sum(r["names"][0] for r in rows); kn = sum(r["names"][1] for r in rows)
sv = [r["search"] for r in rows if r["search"]]
print(f"- error places kept: {kp}/{tp}")
print(f"- failing test names kept: {kn}/{tn}")
print(f"- search hit line numbers within the host's view kept: {sum(s[1] for s in sv)}/{sum(s[0] for s in sv)}; "
      f"all hits kept or inside a named raw range: {sum(s[3] for s in sv)}/{sum(s[2] for s in sv)}")
co = [r for r in rows if r["content_ok"] is not None]
print(f"- file-content outputs unchanged (or cut only past the cap, exactly restorable from the named range): "
      f"{sum(r['content_ok'] for r in co)}/{len(co)}")
sh = [r for r in rows if r["answered"]]
print(f"- shortened outputs naming a raw copy that holds the exact output, shape kept: "
      f"{sum(r['names_raw'] for r in sh)}/{len(sh)}")
for r in rows:
    lost_places, lost_names = sorted(r["places"][2], key=lambda p: (p[0], int(p[1]))), r["names"][2]
    if lost_places or lost_names:
        shown = ", ".join(f"{f}:{l}" for f, l in lost_places[:8])
        more = f" and {len(lost_places) - 8} more" if len(lost_places) > 8 else ""
        print(f"  - {r['case']['name']}: {len(lost_places)} places lost ({shown}{more}); "
              f"failing names lost: {lost_names or 'none'}")

# ---- speed ----
def timed(ev, n):
    times = []
    for _ in range(n):
        _, ms = hook(ev)
        times.append(ms)
    return times


def sized(c, size):
    text = c["stdout"] + c["stderr"]
    body = (text * (size // max(len(text), 1) + 1))
    return dict(c, stdout=body[:size][:body[:size].rfind("\n") + 1], stderr="")


print("\n## Speed\n")
print("Wall time of one `zub hook` process per event (process start included), 15 runs each:\n")
print("| event | bytes | median ms | min ms | max ms |")
print("|---|---:|---:|---:|---:|")
by = {c["name"]: c for c in cases}
tiny = json.dumps({"hook_event_name": "PostToolUse", "tool_name": "Bash", "tool_input": {"command": "true"},
                   "tool_response": {"stdout": "", "stderr": ""}})
t = timed(tiny, 15)
print(f"| empty output (the process alone) | {len(tiny)} | {statistics.median(t):.1f} | {min(t):.1f} | {max(t):.1f} |")
for name in ("pytest-v-textwrap-fail", "gxx-errors", "rg-n-kernel-wide", "git-log-p", "dpkg-log", "cat-diag-runners"):
    if name in by:
        ev = event(sized(by[name], 64 * 1024))
        t = timed(ev, 15)
        print(f"| 64 KB: {name} | {len(ev)} | {statistics.median(t):.1f} | {min(t):.1f} | {max(t):.1f} |")


def big_run(ev_path):
    with open(ev_path, "rb") as f:
        t = time.perf_counter()
        r = subprocess.run(["/usr/bin/time", "-f", "%U %S %M", ZUB, "hook"], stdin=f, capture_output=True, env=ENV)
        wall = time.perf_counter() - t
    u, s, m = r.stderr.decode().split()[-3:]
    return wall, float(u) + float(s), int(m), len(r.stdout)


print("\nLarge events (`/usr/bin/time`: CPU is user+sys, RSS the peak):\n")
print("| event | MiB | wall s | CPU s | MB/s (CPU) | peak RSS MiB | answered |")
print("|---|---:|---:|---:|---:|---:|---|")
for name, mib in (("rg-n-kernel-wide", 60), ("git-log-p", 60), ("rg-n-kernel-wide", 70)):
    if name not in by:
        continue
    path = os.path.join(STATE, "big.json")
    with open(path, "w") as f:
        f.write(event(sized(by[name], mib * 1024 * 1024 - 4096)))
    size = os.path.getsize(path)
    wall, cpu, rss, out_len = big_run(path)
    print(f"| {name} x{mib} MiB | {size / 2**20:.1f} | {wall:.2f} | {cpu:.2f} | {size / 1e6 / cpu:.0f} | {rss / 1024:.0f} | {'yes' if out_len else 'no (left as it is)'} |")
    os.remove(path)
