#!/usr/bin/env python3
"""Regenerates the corpus of bench/post_hook: real outputs of real tools on
real sources, each as the shell tool would hand it to the PostToolUse hook
(command line, stdout, stderr). Failures are planted in copies of the
sources. Paths of the scratch directory are replaced by /proj so the corpus
holds no path of the machine it was made on.

Needs: python3 with pytest and mypy (Debian: python3-pytest, python3-mypy),
node and npm (typescript, zod, minimist from the npm registry), cargo,
go (golang-go), javac, g++, clang++, libgtest-dev, rg, git, and the Linux
6.1 tree of bench/kernel_tree.sh.

  python3 bench/post_hook/collect.py OUT.jsonl
"""
import json, os, shutil, subprocess, sys, tempfile, sysconfig

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "corpus.jsonl")
W = tempfile.mkdtemp(prefix="zub-post-")
PY = "/usr/bin/python3"
# Outputs past this are capped (the hook's work is bounded by the host's
# limit anyway); the cap is stated in the results.
CAP = 1 << 20
cases = []


def sh(cmd, cwd, env=None):
    e = dict(os.environ)
    e.update({"NO_COLOR": "1", "TERM": "dumb", "CARGO_TERM_COLOR": "never"})
    e.update(env or {})
    r = subprocess.run(["bash", "-c", cmd], cwd=cwd, capture_output=True, env=e, timeout=900)
    return r.stdout.decode("utf-8", "replace"), r.stderr.decode("utf-8", "replace")


def scrub(s, extra=()):
    for a, b in ((W, "/proj"), (REPO, "/proj/zub")) + tuple(extra):
        s = s.replace(a, b)
    return s[:CAP]


def case(family, name, cwd, cmd, shown_cmd=None, env=None, extra=()):
    out, err = sh(cmd, cwd, env)
    rel = os.path.relpath(cwd, W) if cwd.startswith(W) else "zub"
    cases.append({"family": family, "name": name, "command": scrub(shown_cmd or cmd),
                  "cwd": "/proj/" + rel, "stdout": scrub(out, extra), "stderr": scrub(err, extra)})
    print(f"{family:10} {name:28} {len(out):8} {len(err):8}", file=sys.stderr)


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)


def plant(path, old, new):
    with open(path) as f:
        s = f.read()
    assert old in s, (path, old)
    write(path, s.replace(old, new, 1))


# ---- pytest and unittest: CPython's own textwrap and its tests ----
stdlib = sysconfig.get_paths()["stdlib"]
tw = os.path.join(W, "textwrap")
os.makedirs(tw)
shutil.copy(os.path.join(stdlib, "textwrap.py"), os.path.join(tw, "textwrap.py"))
shutil.copy(os.path.join(stdlib, "test", "test_textwrap.py"), os.path.join(tw, "test_textwrap.py"))
case("test-pass", "pytest-textwrap-pass", tw, f"{PY} -m pytest -v test_textwrap.py 2>&1",
     "python -m pytest -v test_textwrap.py 2>&1")
plant(os.path.join(tw, "textwrap.py"), "        if self.width <= 0:", "        if self.width <= 1:")
plant(os.path.join(tw, "textwrap.py"), "    def _fix_sentence_endings(self, chunks):\n",
      "    def _fix_sentence_endings(self, chunks):\n        return\n")
plant(os.path.join(tw, "textwrap.py"), "text = text.expandtabs(self.tabsize)",
      "text = text.expandtabs(self.tabsize + 1)")
case("test-fail", "pytest-textwrap-fail", tw, f"cd {tw} && {PY} -m pytest test_textwrap.py",
     f"cd {tw} && pytest test_textwrap.py")
case("test-fail", "pytest-v-textwrap-fail", tw, f"{PY} -m pytest -v test_textwrap.py 2>&1 | tail -400",
     "python -m pytest -v test_textwrap.py 2>&1 | tail -400")
case("test-fail", "unittest-textwrap-fail", tw, f"{PY} -m unittest -v test_textwrap 2>&1",
     "python3 -m unittest -v test_textwrap 2>&1")
case("traceback", "script-traceback", tw,
     f"{PY} -c 'import textwrap, json; print(textwrap.fill(json.load(open(\"missing.json\"))))'",
     "python3 -c 'import textwrap, json; print(textwrap.fill(json.load(open(\"missing.json\"))))'")

# ---- node --test: tests of minimist (npm) ----
nt = os.path.join(W, "nodeproj")
os.makedirs(nt)
sh("npm init -y >/dev/null && npm install minimist@1.2.8 2>&1", nt)
tests = ["const test = require('node:test');", "const assert = require('node:assert');",
         "const parse = require('minimist');"]
for i in range(40):
    tests.append(f"test('parses --flag{i}=value and -x{i}', () => {{\n"
                 f"  const a = parse(['--flag{i}=v{i}', '-x', 'pos{i}']);\n"
                 f"  assert.strictEqual(a['flag{i}'], 'v{i}');\n  assert.strictEqual(a.x, 'pos{i}');\n}});")
tests.append("test('numbers become numbers', () => {\n  assert.strictEqual(parse(['-n', '5']).n, 5);\n});")
write(os.path.join(nt, "test", "parse.test.js"), "\n".join(tests) + "\n")
case("test-pass", "node-test-pass", nt, "node --test test/ 2>&1")
plant(os.path.join(nt, "node_modules", "minimist", "index.js"), "? Number(val)", "? String(val)")
plant(os.path.join(nt, "test", "parse.test.js"), "assert.strictEqual(a.x, 'pos7');", "assert.strictEqual(a.x, 'pos8');")
case("test-fail", "node-test-fail", nt, "node --test test/ 2>&1")
write(os.path.join(nt, "bad.js"), "const parse = require('minimist');\nfunction f( {\n  return parse([]);\n}\n")
case("build-error", "node-check-syntax", nt, "node --check bad.js")

# ---- cargo: a library crate with tests; failures and compile errors ----
cr = os.path.join(W, "gcdlib")
sh(f"cargo new --lib --vcs none {cr} 2>&1", W)
lib = ["pub fn gcd(a: u64, b: u64) -> u64 { if b == 0 { a } else { gcd(b, a % b) } }",
       "pub fn lcm(a: u64, b: u64) -> u64 { a / gcd(a, b) * b }", "#[cfg(test)]", "mod tests {", "    use super::*;"]
for i in range(1, 61):
    lib.append(f"    #[test]\n    fn gcd_of_{i}_and_{i * 2}() {{ assert_eq!(gcd({i}, {i * 2}), {i}); }}")
lib.append("}")
write(os.path.join(cr, "src", "lib.rs"), "\n".join(lib) + "\n")
case("test-pass", "cargo-test-pass", cr, "cargo test 2>&1")
plant(os.path.join(cr, "src", "lib.rs"), "assert_eq!(gcd(7, 14), 7)", "assert_eq!(gcd(7, 14), 14)")
plant(os.path.join(cr, "src", "lib.rs"), "assert_eq!(gcd(33, 66), 33)", "assert_eq!(lcm(33, 66), 33)")
case("test-fail", "cargo-test-fail", cr, "cargo test")
plant(os.path.join(cr, "src", "lib.rs"), "pub fn lcm(a: u64, b: u64) -> u64 { a / gcd(a, b) * b }",
      "pub fn lcm(a: u64, b: u64) -> u64 { let s: String = a; a / gcd(a, b) * b }\n"
      "pub fn half(x: u32) -> u64 { x / 2 }\npub fn twice(v: &Vec<u8>) -> usize { v.len() * 2u32 }")
case("build-error", "cargo-build-errors", cr, "cargo build 2>&1")

# ---- GoogleTest: the library's own samples, a planted bug ----
gt = os.path.join(W, "gtest")
os.makedirs(gt)
samples = "/usr/src/googletest/googletest/samples"
for f in os.listdir(samples):
    shutil.copy(os.path.join(samples, f), gt)
units = "sample1.cc sample2.cc sample4.cc sample1_unittest.cc sample2_unittest.cc sample3_unittest.cc " \
        "sample4_unittest.cc sample5_unittest.cc sample6_unittest.cc sample7_unittest.cc sample8_unittest.cc"
build = f"g++ -O0 -o t {units} -lgtest -lgtest_main -pthread"
sh(build, gt)
case("test-pass", "gtest-pass", gt, "./t")
plant(os.path.join(gt, "sample1.cc"), "if (n <= 1) return false;", "if (n <= 2) return false;")
plant(os.path.join(gt, "sample1.cc"), "result *= i;", "result *= i + (i == 5);")
sh(build, gt)
case("test-fail", "gtest-fail", gt, "./t")
write(os.path.join(gt, "CMakeLists.txt"),
      "cmake_minimum_required(VERSION 3.16)\nproject(s CXX)\nfind_package(GTest REQUIRED)\nenable_testing()\n"
      f"add_executable(t {units})\n"
      "target_link_libraries(t GTest::gtest_main)\ninclude(GoogleTest)\ngtest_discover_tests(t)\n")
sh("cmake -S . -B b -G Ninja >/dev/null && cmake --build b >/dev/null", gt)
case("test-fail", "ctest-fail", gt, "cd b && ctest --output-on-failure 2>&1", extra=())
case("build-pass", "cmake-build-ninja", gt, f"touch {units} && cmake --build b 2>&1")

# ---- this repository's own GoogleTest suite under ctest ----
bld = os.path.join(REPO, "build")
if os.path.isdir(bld):
    case("test-pass", "ctest-zub-hook-suites", bld, "ctest -R 'Hook|OutputKind|ShellLine|Read' 2>&1",
         "cd build && ctest -R 'Hook|OutputKind|ShellLine|Read' 2>&1")

# ---- go test and go build ----
go = os.path.join(W, "gomod")
os.makedirs(go)
sh("go mod init example.com/calc 2>&1", go)
write(os.path.join(go, "calc.go"), "package calc\n\nimport \"strings\"\n\n"
      "func Reverse(s string) string {\n\tr := []rune(s)\n\tfor i, j := 0, len(r)-1; i < j; i, j = i+1, j-1 {\n"
      "\t\tr[i], r[j] = r[j], r[i]\n\t}\n\treturn string(r)\n}\n\n"
      "func Words(s string) int { return len(strings.Fields(s)) }\n")
gtests = ["package calc\n\nimport \"testing\"\n"]
for i in range(30):
    gtests.append(f"func TestWords{i}(t *testing.T) {{\n\tif got := Words(\"a b c {i}\"); got != 4 {{\n"
                  f"\t\tt.Errorf(\"Words = %d, want 4\", got)\n\t}}\n}}\n")
gtests.append("func TestReverse(t *testing.T) {\n\tif got := Reverse(\"abc\"); got != \"cba\" {\n"
              "\t\tt.Fatalf(\"Reverse = %q\", got)\n\t}\n}\n")
write(os.path.join(go, "calc_test.go"), "\n".join(gtests))
case("test-pass", "go-test-v-pass", go, "go test -v ./... 2>&1", env={"GOFLAGS": "-mod=mod", "GOPROXY": "off"})
plant(os.path.join(go, "calc.go"), "return len(strings.Fields(s))", "return len(strings.Split(s, \" \")) - 1")
case("test-fail", "go-test-v-fail", go, "go test -v ./... 2>&1", env={"GOPROXY": "off"})
plant(os.path.join(go, "calc.go"), "return string(r)", "return r")
plant(os.path.join(go, "calc.go"), "func Words(s string) int {", "func Words(s string) int {\n\tvar unused int\n")
case("build-error", "go-build-errors", go, "go build ./... && go vet ./...", env={"GOPROXY": "off"})

# ---- C++: this repository's sources with planted errors ----
cx = os.path.join(W, "cxx")
shutil.copytree(os.path.join(REPO, "src"), os.path.join(cx, "src"))
plant(os.path.join(cx, "src", "compress", "trim.cpp"), "uint64_t dups = 0,", "uint64_t dups = \"0\",")
plant(os.path.join(cx, "src", "compress", "trim.cpp"), "out.reserve(input.size() + 128);", "out.reserve(input);")
plant(os.path.join(cx, "src", "compress", "logs.cpp"), "out.append(byte_cut(e.line, 200));", "out.append(byte_cut(e, 200));")
plant(os.path.join(cx, "src", "base", "text.h"), "bool contains(std::string_view s, std::string_view needle);",
      "bool contains(std::string_view s, std::string_view needle) const;")
cfiles = "src/compress/trim.cpp src/compress/logs.cpp src/compress/diag.cpp src/nav/read.cpp src/hook/hook.cpp " \
         "src/search/grep.cpp"
case("build-error", "gxx-errors", cx, f"g++ -std=c++20 -Wall -Wextra -Isrc -c {cfiles} 2>&1",
     f"g++ -std=c++20 -Wall -Wextra -Isrc -c {cfiles} 2>&1")
case("build-error", "clangxx-errors", cx, f"clang++ -std=c++20 -Wall -Isrc -fsyntax-only {cfiles}")

# ---- javac ----
jv = os.path.join(W, "java")
os.makedirs(os.path.join(jv, "src", "app"))
java = ["package app;", "import java.util.*;", "public class Inventory {",
        "  private final Map<String, Integer> stock = new HashMap<>();"]
for i in range(12):
    java.append(f"  public int take{i}(String item) {{ Integer n = stock.get(item); return n - {i}; }}")
java += ["  public String total() { int t = 0; for (int v : stock.values()) t += v; return t; }",
         "  public void add(String item, int n) { stock.merge(item, n, Integer::sum); }",
         "  public List<String> names() { return stock.keySet(); }",
         "  public void log() { Logger.info(\"x\"); }", "}"]
write(os.path.join(jv, "src", "app", "Inventory.java"), "\n".join(java) + "\n")
case("build-error", "javac-errors", jv, "javac -d out src/app/Inventory.java 2>&1")

# ---- tsc: zod's TypeScript sources (npm) with planted errors; mypy ----
ts = os.path.join(W, "tsproj")
os.makedirs(ts)
sh("npm init -y >/dev/null && npm install typescript@5 zod@3 2>&1", ts)
shutil.copytree(os.path.join(ts, "node_modules", "zod", "src", "v3"), os.path.join(ts, "src"))
write(os.path.join(ts, "tsconfig.json"), json.dumps({"compilerOptions": {"strict": True, "noEmit": True,
      "target": "es2020", "module": "commonjs", "moduleResolution": "node", "skipLibCheck": True},
      "include": ["src"], "exclude": ["src/tests", "src/benchmarks"]}))
case("typecheck", "tsc-zod-clean", ts, "npx tsc --noEmit 2>&1")
for f, old, new in (("src/types.ts", "const result = this._parseSync", "const result: number = this._parseSync"),
                    ("src/ZodError.ts", "this.issues = issues;", "this.issues = issues.length;"),
                    ("src/helpers/util.ts", "? (obj: any) => Object.keys(obj)", "? (obj: any) => Object.keys(obj).length")):
    plant(os.path.join(ts, f), old, new)
case("typecheck", "tsc-zod-errors", ts, "npx tsc --noEmit 2>&1")
case("typecheck", "tsc-zod-strict-extra", ts,
     "npx tsc --noEmit --noUncheckedIndexedAccess --noPropertyAccessFromIndexSignature --exactOptionalPropertyTypes 2>&1")
case("typecheck", "mypy-textwrap-strict", tw, f"{PY} -m mypy --strict textwrap.py test_textwrap.py",
     "mypy --strict textwrap.py test_textwrap.py")

# ---- git: this repository's history ----
case("diff", "git-log-p", REPO, "git log -p -12 --no-color -- src tests", "git log -p -12 -- src tests")
case("diff", "git-diff-range", REPO, "git diff --no-color HEAD~6 HEAD -- src", "git diff HEAD~6 HEAD -- src")
case("diff", "git-show-merge", REPO, "git show --no-color HEAD~1", "git show HEAD~1")

# ---- installs ----
npmi = os.path.join(W, "npmi")
os.makedirs(npmi)
sh("npm init -y >/dev/null", npmi)
case("install", "npm-install-webpack", npmi, "npm install --no-audit webpack@5 webpack-cli@5 2>&1")
case("install", "apt-get-install", W, "apt-get install --reinstall -y python3-mypy python3-pytest 2>&1",
     "sudo apt-get install --reinstall -y python3-mypy python3-pytest 2>&1",
     env={"DEBIAN_FRONTEND": "noninteractive"})

# ---- searches over the Linux tree ----
tree = subprocess.run(["bash", os.path.join(REPO, "bench", "kernel_tree.sh")], capture_output=True,
                      text=True).stdout.strip()
kx = (tree, "/proj/linux")
case("search", "rg-n-kernel-net", tree, "rg -n spin_lock_irqsave drivers/net/ethernet/intel", extra=(kx,))
case("search", "grep-rn-kernel", tree, "grep -rn 'EXPORT_SYMBOL_GPL(' kernel/ 2>/dev/null", extra=(kx,))
case("search", "rg-n-kernel-wide", tree, "rg -n 'struct sk_buff \\*skb' net/ipv4", extra=(kx,))
case("search", "grep-rn-small", tree, "grep -rn 'MODULE_AUTHOR' drivers/net/ethernet/intel/e1000", extra=(kx,))
case("search", "rg-n-zub", REPO, "rg -n 'std::string_view' src/base", "rg -n 'std::string_view' src/base")

# ---- logs ----
lg = os.path.join(W, "svc")
os.makedirs(lg)
sh("(python3 -m http.server 18731 --bind 127.0.0.1 > server.log 2>&1 &) ; sleep 1; "
   "for i in $(seq 1 400); do curl -s -o /dev/null 127.0.0.1:18731/ ; curl -s -o /dev/null 127.0.0.1:18731/missing$((i % 7)) ; done; "
   "pkill -f 'http.server 18731' || true", lg)
case("logs", "http-server-log", lg, "tail -n 2000 server.log")
case("logs", "dpkg-log", lg, "tail -n 3000 /var/log/dpkg.log")

# ---- file contents: never shortened below the inline limit ----
case("content", "cat-diag-runners", REPO, "cat src/compress/diag_runners.cpp")
case("content", "sed-n-range", REPO, "sed -n '1,400p' src/compress/diag.cpp")
case("content", "head-readme", REPO, "head -300 README.md")
case("content", "git-show-rev-path", REPO, "git show HEAD~3:src/nav/read.cpp")
case("content", "jq-package-lock", ts, "jq . package-lock.json")
case("content", "zub-read-whole", REPO, "zub read src/compress/diag.cpp",
     env={"PATH": os.path.join(REPO, "build") + ":" + os.environ["PATH"]})
case("content", "cat-small", REPO, "cat src/hook/hook.h")

# ---- other large output ----
case("other", "find-tree", tree, "find drivers/net/ethernet -name '*.h' | head -3000", extra=(kx,))
case("other", "ls-laR", REPO, "ls -laR src tests | head -1500")

with open(OUT, "w") as f:
    for c in cases:
        f.write(json.dumps(c, ensure_ascii=False) + "\n")
shutil.rmtree(W, ignore_errors=True)
print(f"{len(cases)} cases -> {OUT}", file=sys.stderr)
