#!/usr/bin/env python3
"""Runs the agent tasks twice, with the plain shell and with zub, and counts
what an agent would have read.

usage: run.py [tasks] [--zub PATH] [--variant auto|today|after] [--task ID,..]
              [--family F,..] [-v] [--json FILE]
       run.py habits [--zub PATH] [-v]     which habitual calls answer today
       run.py oracle [--task ID,..] [-v]   the independent answers hold

Each task (tasks.py) is a question an agent meets, the answer established
independently (ctags, git, du, grep, reading: the task's oracle) and stored
as criteria that must appear in what was read, and two scripted sequences of
calls: a careful agent with the plain shell and one with zub. A sequence runs
call by call in the task's directory and stops at the first call after which
every criterion holds in the output read so far (standard output and
standard error of every call, failed ones included). Bytes are those bytes;
calls are the calls made. A Try(...) is one habitual call and the retries an
agent makes when it fails: each attempt that runs is a call and its bytes
count. A When(...) call runs only when the output just read says it is
needed (lines capped, repeated lines folded without their numbers).

A zub side may hold two sequences: the one an agent can use with today's
binary, and one marked "after" that uses forms other work is adding. With
--variant auto (the default) the "after" sequence is used when every habit
it names answers on the binary (habits.txt), else today's.

Corpora come from prepare.sh; run it first.
"""
import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import tasks as T  # noqa: E402

TIMEOUT = 600


def env_for(zub_dir):
    env = dict(os.environ)
    env["PATH"] = zub_dir + os.pathsep + "/usr/lib/go-1.19/bin" + os.pathsep + env.get("PATH", "")
    env["LC_ALL"] = "C.UTF-8"
    env["LANG"] = "C.UTF-8"
    env["GOCACHE"] = os.path.join(T.AG, "cache", "go")
    env["GOPATH"] = os.path.join(T.AG, "cache", "gopath")
    env["GOFLAGS"] = "-mod=mod"
    env["GO111MODULE"] = "on"
    env["GOTOOLCHAIN"] = "local"
    env["XDG_STATE_HOME"] = os.path.join(T.AG, "state")
    env["ZUB_NO_GAIN"] = "1"
    env.pop("ZUB_READ_NUM", None)
    env.pop("GREP_COLORS", None)
    env["NO_COLOR"] = "1"
    return env


def run_call(cmd, cwd, env):
    p = subprocess.run(["bash", "-c", cmd], cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=TIMEOUT)
    return p.returncode, p.stdout, p.stderr


def run_sequence(seq, task, env, verbose=False, label=""):
    """Runs calls until the task's criteria hold; returns (bytes, calls, solved, log)."""
    text = ""
    nbytes = 0
    ncalls = 0
    log = []
    last = ""
    for step in seq:
        if isinstance(step, T.When):
            if not step.rx.search(last):
                continue
            step = step.cmd
        attempts = step.attempts if isinstance(step, T.Try) else [step]
        for i, cmd in enumerate(attempts):
            rc, out, err = run_call(cmd, task.cwd, env)
            ncalls += 1
            nbytes += len(out) + len(err)
            chunk = (out + err).decode("utf-8", "replace")
            text += chunk + "\n"
            last = chunk
            failed = isinstance(step, T.Try) and step.failed(rc, chunk)
            log.append((cmd, rc, len(out) + len(err), failed))
            if verbose:
                print(f"--- {label} $ {cmd}   [exit {rc}, {len(out) + len(err)} B{', failed' if failed else ''}]")
                sys.stdout.write(chunk if len(chunk) < 6000 else chunk[:3000] + "\n[...]\n" + chunk[-2000:])
            if task.solved(text):
                return nbytes, ncalls, True, log
            if not failed:
                break
    return nbytes, ncalls, False, log


def zub_dir_for(zub):
    zub = os.path.abspath(zub)
    if not os.access(zub, os.X_OK):
        sys.exit(f"not an executable: {zub}")
    d = tempfile.mkdtemp(prefix="agentbench-bin-")
    os.symlink(zub, os.path.join(d, "zub"))
    return d


# ---------------------------------------------------------------- habits

def load_habits(path=os.path.join(HERE, "habits.txt")):
    """Blocks of `key: value` lines separated by blank lines; # starts a comment."""
    habits, cur = [], None
    for raw in open(path, encoding="utf-8"):
        line = raw.rstrip("\n")
        if line.startswith("#"):
            continue
        if not line.strip():
            cur = None
            continue
        key, _, val = line.partition(":")
        key, val = key.strip(), val.strip()
        if cur is None:
            cur = {"want": [], "not": [], "exit": None, "max": None}
            habits.append(cur)
        if key in ("want", "not"):
            cur[key].append(val)
        elif key == "exit":
            cur["exit"] = [int(x) for x in val.split(",")]
        elif key == "max":
            cur["max"] = int(val)
        else:
            cur[key] = val
    for h in habits:
        h["cwd"] = os.path.expandvars(h.get("cwd", "$AG").replace("$AG", T.AG).replace("$K", T.K))
    return habits


def check_habit(h, env):
    rc, out, err = run_call(h["call"], h["cwd"], env)
    text = (out + err).decode("utf-8", "replace")
    why = []
    if h["exit"] is not None and rc not in h["exit"]:
        why.append(f"exit {rc}")
    for w in h["want"]:
        if not re.search(w, text, re.M):
            why.append(f"lacks /{w}/")
    for n in h["not"]:
        if re.search(n, text, re.M):
            why.append(f"has /{n}/")
    if h["max"] is not None and len(out) + len(err) > h["max"]:
        why.append(f"{len(out) + len(err)} B > {h['max']}")
    return not why, rc, len(out) + len(err), why, text


def habits_passing(env, ids=None):
    ok = {}
    for h in load_habits():
        if ids is not None and h["id"] not in ids:
            continue
        ok[h["id"]] = check_habit(h, env)[0]
    return ok


def cmd_habits(args, env):
    habits = load_habits()
    good = 0
    for h in habits:
        passed, rc, nb, why, text = check_habit(h, env)
        good += passed
        print(f"{'ok  ' if passed else 'FAIL'} {h['id']:<24} {nb:>6} B exit {rc:<3} {h['call']}")
        if not passed:
            print(f"       {'; '.join(why)}")
        if args.verbose and not passed:
            print("       | " + "\n       | ".join(text.splitlines()[:12]))
    print(f"{good}/{len(habits)} habitual calls give their useful answer")
    return 0 if good == len(habits) else 1


# ---------------------------------------------------------------- tasks

def pick_zub(task, variant, habit_ok):
    seqs = task.zub_variants()
    if variant == "today":
        return "today", seqs["today"]
    if variant == "after":
        return ("after", seqs["after"][0]) if "after" in seqs else ("today", seqs["today"])
    if "after" in seqs and all(habit_ok.get(i, False) for i in seqs["after"][1]):
        return "after", seqs["after"][0]
    return "today", seqs["today"]


def ratio(a, b):
    return f"{a / b:.2f}x" if b else "-"


def cmd_tasks(args, env):
    tasks = select(args)
    habit_ok = {}
    if args.variant == "auto":
        need = {i for t in tasks for i in t.zub_variants().get("after", ([], []))[1]}
        habit_ok = habits_passing(env, need) if need else {}
    rows = []
    for t in tasks:
        sb, sc, ss, slog = run_sequence(t.shell, t, env, args.verbose, f"{t.id} shell")
        which, seq = pick_zub(t, args.variant, habit_ok)
        zb, zc, zs, zlog = run_sequence(seq, t, env, args.verbose, f"{t.id} zub/{which}")
        rows.append(dict(id=t.id, family=t.family, shell_bytes=sb, shell_calls=sc, shell_solved=ss,
                         zub_bytes=zb, zub_calls=zc, zub_solved=zs, zub_variant=which,
                         shell_log=slog, zub_log=zlog))
        print(f"{t.id:<14} {t.family:<9} shell {sb:>7} B {sc} calls {'ok' if ss else 'NO'}"
              f" | zub {zb:>7} B {zc} calls {'ok' if zs else 'NO'} ({which})"
              f" | {ratio(zb, sb)} bytes", flush=True)
    print()
    print("| family | tasks | shell bytes | zub bytes | bytes zub/shell | shell calls | zub calls"
          " | calls zub/shell | solved shell | solved zub |")
    print("|---|---|---|---|---|---|---|---|---|---|")
    fams = []
    for r in rows:
        if r["family"] not in fams:
            fams.append(r["family"])
    for f in fams + [None]:
        rs = [r for r in rows if f is None or r["family"] == f]
        sb = sum(r["shell_bytes"] for r in rs)
        zb = sum(r["zub_bytes"] for r in rs)
        sc = sum(r["shell_calls"] for r in rs)
        zc = sum(r["zub_calls"] for r in rs)
        name = f if f else "**total**"
        print(f"| {name} | {len(rs)} | {sb} | {zb} | {ratio(zb, sb)} | {sc} | {zc} | {ratio(zc, sc)}"
              f" | {sum(r['shell_solved'] for r in rs)}/{len(rs)} | {sum(r['zub_solved'] for r in rs)}/{len(rs)} |")
    if args.json:
        with open(args.json, "w") as fh:
            json.dump(rows, fh, indent=1)
    return 0 if all(r["shell_solved"] and r["zub_solved"] for r in rows) else 1


def cmd_oracle(args, env):
    bad = 0
    for t in select(args):
        rc, out, err = run_call(t.oracle, t.cwd, env)
        text = (out + err).decode("utf-8", "replace")
        missing = t.missing(text)
        bad += bool(missing)
        print(f"{'ok  ' if not missing else 'FAIL'} {t.id:<14} {t.oracle}")
        for m in missing:
            print(f"       missing {m}")
        if args.verbose:
            print("       | " + "\n       | ".join(text.splitlines()[:40]))
    return 1 if bad else 0


def select(args):
    ts = T.TASKS
    if args.task:
        want = set(args.task.split(","))
        ts = [t for t in ts if t.id in want]
    if args.family:
        want = set(args.family.split(","))
        ts = [t for t in ts if t.family in want]
    return ts


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("mode", nargs="?", default="tasks", choices=["tasks", "habits", "oracle"])
    ap.add_argument("--zub", default=os.path.join(HERE, "..", "..", "build", "zub"))
    ap.add_argument("--variant", default="auto", choices=["auto", "today", "after"])
    ap.add_argument("--task")
    ap.add_argument("--family")
    ap.add_argument("--json")
    ap.add_argument("-v", "--verbose", action="store_true")
    args = ap.parse_args()
    if not os.path.isdir(T.AG):
        sys.exit(f"{T.AG} is missing: run bench/agent_tasks/prepare.sh first")
    zdir = zub_dir_for(args.zub)
    try:
        env = env_for(zdir)
        if args.mode == "habits":
            return cmd_habits(args, env)
        if args.mode == "oracle":
            return cmd_oracle(args, env)
        return cmd_tasks(args, env)
    finally:
        shutil.rmtree(zdir, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
