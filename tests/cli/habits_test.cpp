// The calls agents type from the habits of GNU grep, ripgrep, sed, head and
// the shell, each run through the built binary on a small tree of its own
// and checked for the useful answer: the lines it must show, what it must
// not print, its status and (where a habit used to print a whole file) its
// size.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/run_zub.h"

using zub_test::run_zub;
using zub_test::RunOptions;
using zub_test::TempDir;

namespace {

// tw.py: line 5 defines dedent, line 9 indent; rep.c repeats one line.
void write_tree(const TempDir& t) {
  t.write("tw.py",
          "import re\n"
          "\n"
          "_ws = re.compile('x')\n"
          "\n"
          "def dedent(text):\n"
          "    lines = text.split()\n"
          "    return a[0]\n"
          "\n"
          "def indent(text, prefix):\n"
          "    return prefix + text\n");
  t.write("sub/other.py", "def dedent(s):\n    pass\n");
  t.write("sub/test_x.py", "def dedent_test():\n    pass\n");
  t.write("lib/a.js", "function dedent() {}\n");
  t.write("rep.c",
          "int f(int x) {\n"
          "  if (x) {\n"
          "    return ERR;\n"
          "  }\n"
          "    return ERR;\n"
          "  x++;\n"
          "\treturn ERR;\n"
          "  x--;\n"
          "  return ERR;\n"
          "  return OK;\n"
          "  return ERR;\n"
          "}\n");
}

struct Case {
  Case(std::vector<std::string> a, std::vector<std::string> w, std::vector<std::string> n = {},
       int st = 0, size_t max = 4000)
      : args(std::move(a)), want(std::move(w)), absent(std::move(n)), status(st), max_bytes(max) {}
  std::vector<std::string> args;
  std::vector<std::string> want;    // each in standard output or error
  std::vector<std::string> absent;  // none of these
  int status;
  size_t max_bytes;  // standard output and error together
};

void check(const std::vector<Case>& cases, const std::string& cwd) {
  RunOptions opts;
  opts.cwd = cwd;
  for (const Case& c : cases) {
    const zub_test::Run r = run_zub(c.args, opts);
    const std::string all = r.out + r.err;
    const std::string call = ::testing::PrintToString(c.args);
    EXPECT_EQ(r.status, c.status) << call << "\n" << all;
    for (const std::string& w : c.want)
      EXPECT_NE(all.find(w), std::string::npos) << call << " lacks " << w << "\n" << all;
    for (const std::string& a : c.absent)
      EXPECT_EQ(all.find(a), std::string::npos) << call << " has " << a << "\n" << all;
    EXPECT_LE(all.size(), c.max_bytes) << call;
  }
}

}  // namespace

TEST(Habits, GrepFlagsOfGnuGrepAndRipgrep) {
  TempDir t;
  write_tree(t);
  const std::string hit = "5| def dedent(text):";
  // clang-format off
  check({
      {{"grep", "-n", "def dedent", "tw.py"}, {hit}},
      {{"grep", "-n", "2", "text", "tw.py"}, {"(4 hits)", "… +2 more"}},  // -n N: the limit
      // A number with no root left after it is the pattern, as in GNU grep.
      {{"grep", "-n", "0", "tw.py"}, {"7| return a[0]"}},
      {{"grep", "-r", "def dedent", "."}, {"tw.py", hit, "sub/other.py"}},
      {{"grep", "-R", "def dedent", "."}, {hit}},
      {{"grep", "-rn", "def dedent", "."}, {hit}},
      {{"grep", "-rn", "def dedent"}, {hit}},  // -r without a root searches "."
      {{"grep", "-rni", "DEF DEDENT", "tw.py"}, {hit}},
      {{"grep", "-iw", "DEDENT", "tw.py"}, {hit}, {"dedent_test"}},
      {{"grep", "-C1", "def dedent", "tw.py"}, {"4- ", "5> def dedent", "6- "}},
      {{"grep", "-B1", "def dedent", "tw.py"}, {"4- ", "5> "}, {"6- "}},
      {{"grep", "-A2", "def dedent", "tw.py"}, {"7- "}, {"4- "}},
      {{"grep", "-F", "a[0]", "tw.py"}, {"7| return a[0]"}},
      {{"grep", "-q", "def dedent", "tw.py"}, {}, {"dedent"}, 0, 0},
      {{"grep", "-q", "nothing here", "tw.py"}, {}, {}, 1, 0},
      {{"grep", "-H", "--no-heading", "--color=never", "def dedent", "tw.py"}, {hit}},
      {{"grep", "--color", "never", "def dedent", "tw.py"}, {hit}},
      {{"grep", "-t", "py", "dedent", "."}, {"tw.py"}, {"a.js"}},
      {{"grep", "-g", "*.py", "-g", "!test_*", "dedent", "."}, {"other.py"}, {"a.js", "test_x"}},
      {{"grep", "--include=*.js", "dedent", "."}, {"a.js"}, {"tw.py"}},
      {{"grep", "--include", "*.js", "dedent", "."}, {"a.js"}, {"tw.py"}},
      {{"grep", "--exclude=test_*.py", "--exclude-dir=lib", "dedent", "."}, {"other.py"},
       {"test_x", "a.js"}},
      {{"grep", "-m", "1", "return", "tw.py"}, {"(2 hits)"}},
      // GNU basic-regex operators without -E mean what GNU grep means.
      {{"grep", "def dedent\\|def indent", "tw.py"}, {hit, "9| def indent"}},
      {{"grep", "def \\(dedent\\|indent\\)(text", "tw.py"}, {hit, "9| def indent"}},
      {{"grep", "-E", "^def [[:alpha:]]+\\(", "tw.py"}, {hit, "9| def indent"}},
      // A literal that finds nothing is tried once more as a basic regex,
      // and says so; -F keeps it literal.
      {{"grep", "-o", "def [a-z]*dent", "tw.py"}, {"BRE", "5| def dedent", "9| def indent"}},
      {{"grep", "-F", "def [a-z]*dent", "tw.py"}, {"0 hits"}, {"BRE"}, 1},
      // ripgrep's habit: a bare `a|b` (or another extended operator) read
      // as an extended regex the second time; not when the literal is found.
      {{"grep", "def dedent|def indent", "tw.py"}, {"(ERE)", hit, "9| def indent"}, {"BRE"}},
      {{"grep", "def (dedent|indent)[(]", "tw.py"}, {"(ERE)", hit, "9| def indent"}},
      {{"grep", "-e", "(dedent|indent)", "-e", "a[0]", "tw.py"}, {"7| return a[0]"},
       {"ERE", "5|"}},
      {{"grep", "x++", "rep.c"}, {"6| x++;"}, {"ERE"}},
      // GNU grep's reading comes first; the extended one only when it too
      // found nothing, and each try made says so.
      {{"grep", "compile(.x.)", "tw.py"}, {"(BRE)", "3| _ws"}, {"(ERE)"}},
      {{"grep", "def [a-z]+dent", "tw.py"}, {"(BRE)", "(ERE)", hit, "9| def indent"}},
      {{"grep", "-F", "dedent|indent", "tw.py"}, {"0 hits"}, {"ERE"}, 1},
      // Syntax of other engines is an error, never a silent nothing.
      {{"grep", "-P", "(?<=def )dedent", "tw.py"}, {"정규식 오류", "앞뒤 보기"}, {}, 2},
      {{"grep", "-E", "dedent(?=\\()", "tw.py"}, {"앞뒤 보기"}, {}, 2},
      {{"grep", "-E", "(a)\\1", "tw.py"}, {"역참조"}, {}, 2},
      {{"grep", "-E", "(?i)dedent", "tw.py"}, {"`(?`", "-E 를 빼라"}, {}, 2},
      // Repeated lines fold into one with the number of every occurrence.
      {{"grep", "return ERR;", "rep.c"}, {"3,5,7,9,11| return ERR;", "[1 files, 5 hits]"},
       {"dup-collapsed"}},
      {{"grep", "-Q", "x", "."}, {"모르는 플래그 `-Q`", "--include=G"}, {}, 2},
      // Brace and class globs, -x, -L, -S, -s, ripgrep's -uu, and no root.
      {{"grep", "-g", "*.{js,c}", "-l", "(", "."}, {"a.js", "rep.c"}, {"tw.py"}},
      {{"grep", "--include=[!t]*.py", "dedent", "."}, {"other.py"}, {"tw.py", "a.js"}},
      {{"grep", "-g", "sub/**/*.py", "-l", "dedent", "."}, {"other.py", "test_x.py"}, {"tw.py"}},
      {{"grep", "-x", "def dedent(s):", "."}, {"1| def dedent(s):"}, {"tw.py"}},
      {{"grep", "-L", "dedent", "."}, {"rep.c", "[1 files without match, 5 searched]"},
       {"tw.py"}},
      {{"grep", "-S", "err;", "rep.c"}, {"return ERR;"}},
      {{"grep", "-S", "Err;", "rep.c"}, {"0 hits"}, {}, 1},
      {{"grep", "-s", "-uu", "--hidden", "def dedent", "tw.py"}, {hit}},
      {{"grep", "def dedent"}, {"[ROOT 없음: . 을 찾았다]", hit}},
      // Output switches an agent adds from habit: -Z lists paths for
      // `xargs -0`; the others keep the file and line of every hit.
      {{"grep", "-Z", "-l", "def dedent", "."}, {std::string("./tw.py") + '\0', "[3 files"},
       {"./tw.py\n"}},
      {{"grep", "--no-filename", "-N", "--line-buffered", "--binary-files=without-match",
        "def dedent", "tw.py"}, {hit}},
  }, t.path());
  // clang-format on
}

// find's spellings in `grep --files`: what find lists (every kind of file,
// directories for -type d or a name they match), no summary, and a cap
// with a note past 150 paths.
TEST(Habits, FindSpellingsInGrepFiles) {
  TempDir t;
  t.write("pkg/__init__.py", "");
  t.write("pkg/a.py", "x = 1\n");
  t.write("pkg/sub/b.PY", "y = 2\n");
  t.write("assets/logo.svg", "<svg/>\n");
  for (int k = 0; k < 160; ++k) t.write("many/f" + std::to_string(k) + ".txt", "z\n");
  // clang-format off
  check({
      {{"grep", "--files", "-name", "*.py", "."}, {"./pkg/__init__.py\n", "./pkg/a.py\n"},
       {"b.PY", "files,", "hits"}},
      {{"grep", "--files", "-iname", "*.py", "."}, {"./pkg/__init__.py", "./pkg/sub/b.PY"}},
      {{"grep", "--files", "-iname", "*.py", "-maxdepth", "2", "."}, {"./pkg/a.py"}, {"b.PY"}},
      {{"grep", "--files", "-name", "*.svg", "."}, {"./assets/logo.svg\n"}},
      {{"grep", "--files", "-type", "d", "."}, {"./pkg\n", "./pkg/sub\n", "./assets\n"},
       {"a.py"}},
      {{"grep", "--files", "-name", "pkg*", "."}, {"./pkg\n"}, {"a.py"}},
      {{"grep", "--files", "-type", "f", "-name", "pkg*", "."}, {"[0 files"}, {"./pkg"}, 1},
      {{"grep", "--files", "-path", "*/sub/*", "."}, {"./pkg/sub/b.PY\n"}, {"a.py"}},
      {{"grep", "--files", "-type", "f", "many"}, {"many/f", "[… 10 개 더 있음"}, {}, 0, 4000},
      {{"grep", "--files", "-type", "l", "."}, {"-type 은 f"}, {}, 2},
  }, t.path());
  // clang-format on
}

TEST(Habits, ReadRangeForms) {
  TempDir t;
  write_tree(t);
  // Two headers and four lines at most: never the whole file.
  const size_t small = 200;
  // clang-format off
  check({
      {{"read", "tw.py:5-6"}, {"def dedent", "lines ="}, {"import", "return a"}, 0, small},
      {{"read", "tw.py:5"}, {"def dedent"}, {"lines ="}, 0, small},
      {{"read", "tw.py", "5-5", "9-9"}, {"== tw.py [5-5] ==", "def dedent", "== tw.py [9-9] ==",
                                        "def indent"}, {"lines ="}, 0, small},
      {{"read", "tw.py", "5"}, {"def dedent"}, {"lines ="}, 0, small},
      {{"read", "tw.py", "5:6"}, {"def dedent", "lines ="}, {"return a"}, 0, small},
      {{"read", "tw.py", "5,6"}, {"def dedent", "lines ="}, {"return a"}, 0, small},
      {{"read", "5-6", "tw.py"}, {"def dedent", "lines ="}, {"import"}, 0, small},
      {{"read", "tw.py:9", "sub/other.py:1"}, {"def indent", "def dedent(s)"}, {}, 0, small},
      {{"read", "--bytes=10", "tw.py"}, {"import re", "앞 10 bytes"}, {"dedent"}, 0, small},
      // A code host's anchors, "A..B", cat's -n and head's -n N.
      {{"read", "tw.py#L5-L6"}, {"def dedent", "lines ="}, {"return a"}, 0, small},
      {{"read", "tw.py", "L9", "5..6"}, {"def indent", "def dedent", "lines ="}, {"return a"}, 0,
       small},
      {{"read", "-n", "tw.py", "5-6"}, {"    5| def dedent", "    6|     lines"}, {}, 0, small},
      // head's -n 1 or tail's? A file after the bare number is not guessed.
      {{"read", "-n", "1", "tw.py", "sub/other.py"},
       {"`-n 1` 뒤의 파일은 앞 1줄인지 끝 1줄인지 모호하다", "`zub read --head 1 tw.py sub/other.py`",
        "`zub read --tail 1 tw.py sub/other.py`"}, {"import re", "def dedent(s)"}, 2, small},
      {{"read", "-n", "50", "-"}, {"모호하다"}, {}, 2, small},
      // Not a file, not a range: one error naming it, and the file before
      // it is not printed whole.
      {{"read", "tw.py", "nosuch-thing"}, {"nosuch-thing", "tw.py"}, {"import re"}, 2, small},
      {{"read", "nosuch.py:3-4"}, {"zub: nosuch.py: No such file"}, {}, 2, small},
      {{"read", "5-6", "tw.py", "rep.c"}, {"`5-6`"}, {"import re", "return ERR"}, 2, 2 * small},
      // sed's "A,+N", "A,$", "$" and "p"; head's and tail's counts; a
      // range given as an option.
      {{"read", "tw.py", "5", "+1"}, {"def dedent", "lines ="}, {"return a", "+1"}, 0, small},
      {{"read", "tw.py:5,+1"}, {"def dedent", "lines ="}, {"return a"}, 0, small},
      {{"read", "tw.py", "9,$p"}, {"def indent", "return prefix"}, {"lines ="}, 0, small},
      {{"read", "tw.py", "$"}, {"return prefix"}, {"def indent"}, 0, small},
      {{"read", "--tail", "2", "tw.py"}, {"def indent", "return prefix"}, {"return a"}, 0, small},
      {{"read", "-1", "tw.py"}, {"import re"}, {"_ws"}, 0, small},
      {{"read", "tw.py", "-n1"}, {"import re"}, {"_ws"}, 0, small},
      {{"read", "tw.py", "--head=1"}, {"import re"}, {"_ws"}, 0, small},
      {{"read", "tw.py", "sub/other.py", "--lines", "1-1"}, {"import re", "def dedent(s)"},
       {"_ws", "pass"}, 0, small},
      {{"read", "--lines=5:6", "tw.py", "9"}, {"def indent"}, {"def dedent"}, 0, small},
      {{"read", "tw.py", "--lines", "x"}, {"--lines 뒤에 범위가 와야 한다", "`x`"}, {"import"}, 2,
       small},
      {{"read", "tw.py", "1-1,5,9-9"}, {"[1-1] ==", "import re", "[5-5] ==", "def dedent",
                                       "def indent"}, {"_ws"}, 0, small},
  }, t.path());
  // clang-format on
}

TEST(Habits, HelpEverywhereAndUnknownFlags) {
  TempDir t;
  write_tree(t);
  // Each subcommand's help is its lines of the usage text, on standard
  // output; grep keeps its own longer text.
  const std::vector<std::pair<std::string, std::string>> subs = {
      {"brief", "brief ROOT"},
      {"outline", "outline F..."},
      {"read", "--bytes N F..."},
      {"def", "def SYM"},
      {"grep", "zub grep [플래그] PATTERN"},
      {"map", "map ROOT..."},
      {"wrap", "wrap ["},
      {"diag", "diag  <"},
      {"logs", "logs  <"},
      {"trim", "trim [폭"},
      {"web", "web Q"},
      {"fetch", "fetch URL"},
      {"md", "md  <"},
      {"cache", "cache [clear]"},
      {"hook", "hook  <"}};
  RunOptions opts;
  opts.cwd = t.path();
  for (const auto& [sub, line] : subs) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{sub, "--help"}, {sub, "-h"}, {"help", sub}}) {
      const zub_test::Run r = run_zub(args, opts);
      EXPECT_EQ(r.status, 0) << sub;
      EXPECT_EQ(r.err, "") << sub;
      EXPECT_NE(r.out.find(line), std::string::npos) << sub << "\n" << r.out;
      EXPECT_EQ(r.out.find("zub <sub>"), std::string::npos) << r.out;
    }
    // An unknown option is that, with the subcommand's lines, never a path
    // error; and nothing runs.
    // (web takes its first argument whatever it looks like)
    const bool leading = sub == "web";
    const zub_test::Run r = run_zub(leading ? std::vector<std::string>{sub, "x", "--bogus"}
                                            : std::vector<std::string>{sub, "--bogus", "tw.py"},
                                    opts);
    EXPECT_EQ(r.status, 2) << sub;
    EXPECT_EQ(r.out, "") << sub;
    EXPECT_EQ(r.err.rfind("zub " + sub + ": 모르는 플래그 `--bogus`\n\n", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(line), std::string::npos) << r.err;
  }
  // Help names the forms taken beyond the usage lines.
  EXPECT_NE(run_zub({"read", "--help"}, opts).out.find("F#L10-L20"), std::string::npos);
  EXPECT_NE(run_zub({"help", "diag"}, opts).out.find("zub diag build.log"), std::string::npos);
  // Options after the files, for every subcommand that takes files.
  // clang-format off
  check({
      {{"outline", "tw.py", "-n", "5"}, {"dedent"}, {"No such file"}},
      {{"map", ".", "--depth", "0"}, {"files KB dir"}, {"sub"}},
      {{"map", ".", "--depth", "1"}, {"sub"}},
      {{"map", ".", "-n", "1", "--max-depth=1"}, {"`-n 3`"}},
      {{"map", ".", "--depth", "x"}, {"zub map: --depth 뒤에 숫자가 와야 한다"}, {}, 2},
      {{"def", "dedent", "sub", "-n", "1"}, {"def dedent(s)"}, {"No such file"}},
      // No root is the working directory, as with grep -r, du and tree.
      {{"def", "-n", "1", "indent"}, {"./tw.py:9-10"}},
      {{"map", "--depth", "0"}, {"files KB dir", "\n5 "}},
      // def and outline take grep's file filters.
      {{"def", "dedent", ".", "-t", "js"}, {"lib/a.js:1"}, {"tw.py", "other.py"}},
      {{"def", "dedent", "-g", "*.py", "--exclude-dir=sub", "."}, {"tw.py:5"}, {"a.js", "other"}},
      {{"outline", ".", "--ext", "js"}, {"lib/a.js", "function dedent"}, {"tw.py"}},
      {{"grep", "dedent", "sub", "-n", "1", "--include=*.py"}, {"other.py"}},
      {{"read", "tw.py", "--bytes", "10"}, {"import re"}, {"dedent"}},
      {{"read", "--", "tw.py"}, {"import re"}},
      // Numbers run together with their option.
      {{"outline", "-n1", "tw.py"}, {"import re"}, {"def dedent"}},
  }, t.path());
  // clang-format on
  const zub_test::Run gain = run_zub({"gain", "--help"}, opts);
  EXPECT_EQ(gain.status, 0);
  EXPECT_EQ(gain.out.rfind("zub gain [--daily] [--json] [--reset]\n옵션:\n", 0), 0u) << gain.out;
  EXPECT_NE(gain.out.find("  --daily     서브커맨드별 대신 UTC 날짜별\n"), std::string::npos);
  EXPECT_EQ(run_zub({"gain", "--jsn"}, opts).err,
            "zub gain: 모르는 플래그 `--jsn`\n\nzub gain [--daily] [--json] [--reset]\n");
}

TEST(Habits, OtherToolsSpellingsInEverySubcommand) {
  TempDir t;
  write_tree(t);
  // clang-format off
  check({
      // def: grep's -A N, -r and -w (what def does anyway); -i names grep.
      {{"def", "dedent", "tw.py", "-A", "1"}, {"5| def dedent", "6|"}, {"7|"}},
      {{"def", "-r", "-w", "indent", "."}, {"./tw.py:9-10"}},
      {{"def", "-i", "DEDENT", "."}, {"zub def: -i 는 없다", "zub grep -i -w"}, {}, 2, 200},
      // Several symbols in one call, each under its header; the file
      // named before the symbol.
      {{"def", "dedent", "indent", "tw.py"}, {"== def dedent ==\n", "5| def dedent",
                                              "== def indent ==\n", "9| def indent"}},
      {{"def", "dedent", "nosuch_name", "tw.py"}, {"5| def dedent", "`nosuch_name` 의 정의를 못 찾았다"},
       {}, 1},
      {{"def", "tw.py", "indent"}, {"9| def indent"}, {"No such file"}},
      // outline: cat's -n before the file, read's F:A-B, -r.
      {{"outline", "-n", "tw.py"}, {"5| def dedent"}, {"No such file"}},
      {{"outline", "tw.py:6-10"}, {"9| def indent"}, {"def dedent"}},
      {{"outline", "-r", "sub"}, {"sub/other.py"}},
      // ripgrep's --files: the files a search reads.
      {{"grep", "--files", "sub"}, {"sub/other.py", "sub/test_x.py"}, {"tw.py"}},
      // ripgrep's --max-depth: 1 is the root's own files.
      {{"grep", "--max-depth", "1", "-l", "dedent", "."}, {"./tw.py"}, {"sub/"}},
      {{"def", "dedent", "--max-depth=1"}, {"./tw.py:5"}, {"sub/"}},
      {{"grep", "--max-depth", "x", "dedent"}, {"zub: --max-depth 뒤에 숫자가 와야 한다"}, {}, 2},
      // What cannot be done names the form that does it, in one line.
      {{"logs", "-f", "rep.c"}, {"zub logs: -f", "zub logs N F"}, {"return OK"}, 2, 120},
      {{"wrap", "--timeout", "5", "true"}, {"zub wrap -- timeout 60"}, {}, 2, 120},
      {{"map", ".", "--include=*.py"}, {"zub map: 파일 고르기는 없다", "zub grep --files"}, {}, 2, 150},
      {{"map", "-tpy"}, {"zub grep --files"}, {"files KB"}, 2, 150},
      // A web address where a file is read names fetch; nothing is read.
      {{"md", "https://example.com/p"}, {"zub md: 웹 주소는 파일이 아니다 — zub fetch https://example.com/p"},
       {}, 2, 120},
      {{"read", "tw.py", "http://example.com/a.py"}, {"— zub fetch http://example.com/a.py"},
       {"import re"}, 2, 120},
      // wrap: sh's -c; cache: --clear.
      {{"wrap", "-c", "echo a; exit 3"}, {"a\n", "exit 3"}, {}, 3},
      {{"cache", "--clear"}, {"캐시 삭제"}},
  }, t.path());
  // clang-format on
  // read's "-" is standard input, read once for all its ranges.
  RunOptions piped;
  piped.cwd = t.path();
  piped.has_stdin = true;
  piped.stdin_data = "a\nb\nc\nd\n";
  const zub_test::Run r = run_zub({"read", "-", "2-3", "4"}, piped);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "== - [2-3] ==\nb\nc\n== - [4-4] ==\nd\n");
}

TEST(Habits, WrapTakesAShellLine) {
  TempDir t;
  write_tree(t);
  // clang-format off
  check({
      {{"wrap", "ls tw.py rep.c | wc -l"}, {"2\n"}},
      {{"wrap", "ls nowhere 2>/dev/null || exit 3"}, {"exit 3"}, {}, 3},
      {{"wrap", "if then"}, {"then", "exit 2"}, {}, 2},
      // Several arguments stay an argument vector: no shell reads them.
      {{"wrap", "--", "printf", "%s|%s\\n", "a b", "$HOME"}, {"a b|$HOME"}},
      {{"wrap", "--bogus", "ls"}, {"모르는 플래그"}, {}, 2},
  }, t.path());
  // clang-format on
}

TEST(Habits, FiltersReadTheFilesNamed) {
  TempDir t;
  write_tree(t);
  std::string log;
  for (int i = 0; i < 200; ++i) log += "compiling unit " + std::to_string(i) + "\n";
  log += "src/a.c:3:5: error: 'x' undeclared\n";
  t.write("build.log", log);
  t.write("more.log", "src/b.c:9:1: error: expected ';'\n");
  // What `zub diag < F` says, and no copy of a file that is there to read.
  const std::string error = "src/a.c:3:5: error: 'x' undeclared";
  // clang-format off
  check({
      {{"diag", "build.log"}, {"== 1 error lines ==", error}, {"원문 보관"}},
      {{"diag", "build.log", "more.log"}, {"== 2 error lines ==", error, "src/b.c:9:1"}},
      {{"diag", "build.log", "nosuch.log"}, {error, "zub: nosuch.log: No such file"}, {}, 2},
      {{"diag", "nosuch.log"}, {"zub: nosuch.log: No such file"}, {"recognized"}, 2, 120},
      {{"diag", "sub"}, {"zub: sub: Is a directory"}, {}, 2, 120},
      {{"logs", "build.log", "2"}, {"compiling unit 199", error}, {"unit 198\n"}},
      // tail's -n2 run together, and docker logs' --tail.
      {{"logs", "-n2", "build.log"}, {"compiling unit 199", error}, {"unit 198\n"}},
      {{"logs", "--tail", "2", "build.log"}, {"compiling unit 199", error}, {"unit 198\n"}},
      {{"trim", "build.log"}, {"compiling unit 0\n", error}},
      {{"md", "nosuch.html"}, {"zub: nosuch.html: No such file"}, {}, 2, 120},
  }, t.path());
  // clang-format on
}

// A failed call says why and what to type instead, in the user's own terms.
TEST(Habits, FailuresSayWhatToDoNext) {
  TempDir t;
  write_tree(t);
  // clang-format off
  check({
      // An empty range is not a short file: the range that works.
      {{"read", "tw.py", "9-5"}, {"9-5 는 빈 범위다(시작 9 이 끝 5 보다 뒤)", "`zub read tw.py 5-9`"},
       {"파일이 그보다 짧다"}, 2},
      {{"read", "tw.py", "50-60"}, {"50-60 범위에 내용이 없다(파일이 그보다 짧다)"}, {}, 2},
      // No root to search: each reported, the hints search "." instead.
      {{"def", "Execute", "nosuchdir"}, {"nosuchdir:", "`zub def Execute .`", "`zub grep -w Execute .`"},
       {"Execute `"}, 2},
      {{"wrap"}, {"실행할 명령이 없다", "wrap [--diag|--logs|--raw] -- CMD..."}, {}, 2},
      {{"fetch", "http://127.0.0.1:1/"}, {"[fetch 실패: curl 7: 서버에 연결하지 못했다"}, {"Some("}, 0},
      // The flag the user gave, not another.
      {{"grep", "-P", "(?<=x)y", "."}, {"-P 를 빼라"}, {"-E 를 빼라"}, 2},
      {{"grep", "-E", "(?<=x)y", "."}, {"-E 를 빼라"}, {}, 2},
      // Nothing to count: the error alone, not an empty table.
      {{"map", "nosuch"}, {"zub map: nosuch:"}, {"0 files", "files KB dir"}, 2},
  }, t.path());
  // clang-format on
}
