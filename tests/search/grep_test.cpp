#include <gtest/gtest.h>

#include <sys/stat.h>
#include <algorithm>
#include <string>

#include "base/option_parser.h"
#include "base/output.h"
#include "base/process.h"
#include "cli/option_table.h"
#include "search/grep.h"
#include "search/grep_options.h"
#include "support/run_zub.h"

using namespace zub;
using ZRun = zub_test::Run;
using zub_test::run_zub;
using zub_test::run_zub_stdin;
using zub_test::TempDir;

namespace {

const std::string kUsage = std::string(kGrepUsage) + "\n";

// The options as the command line gives them.
GrepOptions parse_grep_args(const std::vector<std::string>& args) {
  GrepOptions o;
  EXPECT_EQ(parse_options(args, kGrepTable, o).status, ParseStatus::kOk);
  return o;
}

// grep over a command line with a fixed number of workers.
int grep_args(const std::vector<std::string>& args, Output& out, size_t workers) {
  return run_grep(parse_grep_args(args), out, workers).status;
}

std::string numbered(int from, int to, const std::string& word) {
  std::string s;
  for (int k = from; k <= to; ++k) s += word + std::to_string(k) + "\n";
  return s;
}

// grep's lines for numbered(): "{k}| {word}{k}".
std::string numbered_hits(int from, int to, const std::string& word) {
  std::string s;
  for (int k = from; k <= to; ++k) s += std::to_string(k) + "| " + word + std::to_string(k) + "\n";
  return s;
}

}  // namespace

TEST(GrepCli, FailuresAndUsage) {
  // No root with a pipe on standard input: the input may be what is meant,
  // and reading it could wait for ever; an error, not a search of ".".
  zub_test::RunOptions piped;
  piped.has_stdin = true;
  piped.stdin_data = "foo\n";
  ZRun r = run_zub({"grep", "foo"}, piped);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            "zub grep: ROOT 가 없다: 경로를 반드시 지정해라(인자 없는 rg 가 stdin 을 물고 멈추던 "
            "사고를 막는 "
            "규약이다)\n");
  r = run_zub({"grep"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, kUsage);
  r = run_zub({"grep", "-Q", "foo", "."});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "zub grep: 모르는 플래그 `-Q`\n\n" + kUsage);
  // Help adds the options, from the option table.
  r = run_zub({"grep", "--help", "-Q"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind(kUsage + "옵션:\n  -E, --extended-regexp", 0), 0u) << r.out;
  r = run_zub({"grep", "-E", "a(b", "."});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "zub grep: 정규식 오류: `)` 가 닫히지 않았다\n(리터럴로 찾으려면 -E 를 빼라)\n");
  // Without -E the same text is a literal and fine; with -w it is escaped.
  TempDir t;
  t.write("a.c", "x a(b y\n");
  EXPECT_EQ(run_zub({"grep", "a(b", t / "a.c"}).status, 0);
  EXPECT_EQ(run_zub({"grep", "-w", "a(b", t / "a.c"}).status, 0);
  // A pattern error is reported before the missing root.
  r = run_zub({"grep", "-E", "ab)"});
  EXPECT_EQ(r.err,
            "zub grep: 정규식 오류: 2번째 바이트에서 파싱이 멈췄다: `)` 가 남는다\n(리터럴로 "
            "찾으려면 -E 를 빼라)\n");
}

TEST(GrepCli, OptionParsing) {
  GrepOptions o =
      parse_grep_args({"-C", "x", "-n", "0", "--max-files", "+7", "pat", "-", "r2", "-e", "p2"});
  EXPECT_EQ(o.before, 3u);
  EXPECT_EQ(o.after, 3u);
  EXPECT_TRUE(o.context_requested);
  EXPECT_EQ(o.limit, 1u);
  EXPECT_EQ(o.file_cap, 7u);
  EXPECT_EQ(o.patterns, (std::vector<std::string>{"pat", "p2"}));
  EXPECT_EQ(o.roots, (std::vector<std::string>{"-", "r2"}));
  o = parse_grep_args({"-e", "", "", "-A"});
  EXPECT_EQ(o.patterns, std::vector<std::string>{""});
  EXPECT_EQ(o.roots, std::vector<std::string>{""});
  EXPECT_EQ(o.after, 3u);
  EXPECT_EQ(o.before, 0u);
  o = parse_grep_args(
      {"--ext", " .ts, ,..TSX,", "--ext", "rs,go", "--name", "a*", "--name", "b*", "x", "-e"});
  EXPECT_EQ(o.filter.extensions, (std::vector<std::string>{"rs", "go"}));
  EXPECT_EQ(parse_ext_list(" .ts, ,..TSX,"), (std::vector<std::string>{"ts", "TSX"}));
  EXPECT_EQ(o.filter.names, (std::vector<std::string>{"a*", "b*"}));
  EXPECT_EQ(o.patterns, std::vector<std::string>{"x"});
  o = parse_grep_args({"--max-files", "0", "-n", "-5"});
  EXPECT_EQ(o.file_cap, 1u);
  EXPECT_EQ(o.limit, 3u);
}

TEST(GrepStdin, FilterFoldAndCount) {
  ZRun r = run_zub_stdin({"grep", "foo", "-"}, "a foo\nbar\na foo\nfoo2\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "a foo\nfoo2\n[3 matched, 1 dup lines collapsed]\n");
  r = run_zub_stdin({"grep", "a|b", "-"}, "a\nc\nb\n");  // rg's alternation
  EXPECT_EQ(r.out,
            "[리터럴로는 0건: rg·grep -E 처럼 정규식(ERE)으로 다시 찾았다. 리터럴만 원하면 -F]\n"
            "a\nb\n");
  r = run_zub_stdin({"grep", "-c", "zzz", "-"}, "a\nb\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "0\n");
  r = run_zub_stdin({"grep", "zzz", "-", "/does/not/matter"}, "a\nb\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  r = run_zub_stdin({"grep", "-v", "b", "-"}, "a\r\nb\r\n   \n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "a\n   \n");
  r = run_zub_stdin({"grep", "-v", "a", "-"}, "a\n   \n");
  EXPECT_EQ(r.status, 1);  // only white space printed
  // An invalid byte becomes U+FFFD and the lines around it stay.
  r = run_zub_stdin({"grep", "x", "-"}, "a.c:1: error x\xff\nok\nx again\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "a.c:1: error x\uFFFD\nx again\n");
  std::string long_line = "x" + std::string(300, 'y');
  r = run_zub_stdin({"grep", "x", "-"}, long_line + "\n");
  EXPECT_EQ(r.out, "x" + std::string(83, 'y') + "…181c…" + std::string(36, 'y') + "\n");
  // A hit in the elided middle is shown with the bytes around it.
  r = run_zub_stdin({"grep", "hit", "-"}, std::string(300, 'a') + "hit" + std::string(300, 'b'));
  EXPECT_EQ(r.out, "…270c…" + std::string(30, 'a') + "hit" + std::string(87, 'b') + "…213c…\n");
}

TEST(GrepReport, FoldingCapsAndHeaders) {
  TempDir t;
  std::string same;
  for (int k = 0; k < 12; ++k) same += "   same foo line  \n";
  t.write("same.c", same);
  // Repeats fold into the first line with every line number kept.
  ZRun r = run_zub({"grep", "foo", t / "same.c"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "── " + t / "same.c" +
                       "\n1,2,3,4,5,6,7,8,9,10,11,12| same foo line\n[1 files, 12 hits]\n");

  // Without -n a short report shows every line; with it the limit holds.
  t.write("nine.c", numbered(1, 9, "foo"));
  r = run_zub({"grep", "foo", t / "nine.c"});
  EXPECT_EQ(r.out,
            "── " + t / "nine.c" + "\n" + numbered_hits(1, 9, "foo") + "[1 files, 9 hits]\n");
  r = run_zub({"grep", "-n", "8", "foo", t / "nine.c"});
  EXPECT_EQ(r.out, "── " + t / "nine.c" +
                       " (9 hits)\n1| foo1\n2| foo2\n3| foo3\n4| foo4\n5| foo5\n6| foo6\n"
                       "7| foo7\n8| foo8\n… +1 more\n[1 files, 9 hits, 8 shown, 1 capped]\n");
  // -n 0 shows one line per file.
  r = run_zub({"grep", "-n", "0", "foo", t / "nine.c"});
  EXPECT_EQ(r.out, "── " + t / "nine.c" +
                       " (9 hits)\n1| foo1\n… +8 more\n[1 files, 9 hits, 1 shown, 8 capped]\n");

  // Once the report is long (150 lines) the limit of 8 holds again: the
  // first file comes whole, the second is capped; repeats of a line beyond
  // the shown ones count in "more".
  TempDir u;
  u.write("a/one.c", numbered(1, 100, "foo"));
  u.write("b/two.c", numbered(1, 100, "foo") + "foo3\n");
  r = run_zub({"grep", "foo", u / "a", u / "b"});
  EXPECT_EQ(r.out, "── " + u / "a/one.c" + "\n" + numbered_hits(1, 100, "foo") + "── " +
                       u / "b/two.c" + " (101 hits)\n" + numbered_hits(1, 2, "foo") +
                       "3,101| foo3\n" + numbered_hits(4, 8, "foo") +
                       "… +92 more\n[2 files, 201 hits, 109 shown, 92 capped]\n");

  // Long lines are trimmed and cut at 120 bytes on a character boundary.
  std::string wide = "  foo" + std::string(115, 'x') + "한글";
  t.write("wide.c", wide + "\n");
  r = run_zub({"grep", "foo", t / "wide.c"});
  EXPECT_EQ(r.out,
            "── " + t / "wide.c" + "\n1| foo" + std::string(115, 'x') + "…\n[1 files, 1 hits]\n");
  // A hit past the width is shown with the columns around it (from 30
  // bytes before it, on a character boundary), not the line's head alone.
  t.write("min.js", "  " + std::string(300, 'a') + "한" + std::string(28, 'b') + "needle" +
                        std::string(200, 'c') + "\n");
  for (const char* pat : {"needle", "ne+dle"}) {
    r = run_zub({"grep", "-E", pat, t / "min.js"});
    EXPECT_EQ(r.out, "── " + t / "min.js" + "\n1| …한" + std::string(28, 'b') + "needle" +
                         std::string(120 - 3 - 28 - 6, 'c') + "…\n[1 files, 1 hits]\n")
        << pat;
  }
}

TEST(GrepReport, ContextRangesAndLimits) {
  TempDir t;
  t.write("c.txt", "l1\nhit a\nl3\nl4\nl5\nhit b\nl7\nl8\n");
  ZRun r = run_zub({"grep", "-C", "1", "hit", t / "c.txt"});
  EXPECT_EQ(r.out, "── " + t / "c.txt" +
                       "\n1- l1\n2> hit a\n3- l3\n⋯\n5- l5\n6> hit b\n7- l7\n[1 files, 2 hits]\n");
  r = run_zub({"grep", "-C", "2", "hit", t / "c.txt"});
  EXPECT_EQ(r.out, "── " + t / "c.txt" +
                       "\n1- l1\n2> hit a\n3- l3\n4- l4\n5- l5\n6> hit b\n7- l7\n8- l8\n"
                       "[1 files, 2 hits]\n");
  r = run_zub({"grep", "-A", "1", "-B", "0", "hit", t / "c.txt"});
  EXPECT_EQ(r.out,
            "── " + t / "c.txt" + "\n2> hit a\n3- l3\n⋯\n6> hit b\n7- l7\n[1 files, 2 hits]\n");

  // Context requested makes the limit 4; matches beyond it are plain lines.
  t.write("many.txt", numbered(1, 6, "hit"));
  r = run_zub({"grep", "-n", "8", "-C", "1", "hit", t / "many.txt"});
  EXPECT_EQ(r.out, "── " + t / "many.txt" +
                       " (6 hits)\n1> hit1\n2> hit2\n3> hit3\n4> hit4\n5- hit5\n… +2 more\n"
                       "[1 files, 6 hits, 4 shown, 2 capped]\n");
  // -C 0 prints in the default mode, still with the limit 4; without -n a
  // short report shows every match.
  r = run_zub({"grep", "-n", "8", "-C", "0", "hit", t / "many.txt"});
  EXPECT_EQ(r.out, "── " + t / "many.txt" +
                       " (6 hits)\n1| hit1\n2| hit2\n3| hit3\n4| hit4\n… +2 more\n"
                       "[1 files, 6 hits, 4 shown, 2 capped]\n");
  r = run_zub({"grep", "-C1", "hit", t / "many.txt"});
  EXPECT_EQ(r.out,
            "── " + t / "many.txt" +
                "\n1> hit1\n2> hit2\n3> hit3\n4> hit4\n5> hit5\n6> hit6\n[1 files, 6 hits]\n");
  // Context lines are elided at 120 rather than cut.
  t.write("long.txt", "hit\n" + std::string(200, 'z') + "\n");
  r = run_zub({"grep", "-A", "1", "hit", t / "long.txt"});
  EXPECT_NE(r.out.find("2- " + std::string(84, 'z') + "…80c…" + std::string(36, 'z') + "\n"),
            std::string::npos);
  // A matched line whose hit lies in the elided middle shows the hit.
  t.write("mid.txt", std::string(300, 'a') + "hit" + std::string(300, 'b') + "\n");
  r = run_zub({"grep", "-C", "1", "hit", t / "mid.txt"});
  EXPECT_EQ(r.out, "── " + t / "mid.txt" + "\n1> …270c…" + std::string(30, 'a') + "hit" +
                       std::string(87, 'b') + "…213c…\n[1 files, 1 hits]\n");
}

TEST(GrepReport, OnlyMatching) {
  TempDir t;
  t.write("o.txt", "id=12 id=345 id=12\nnone\nid=12\n" + std::string(130, '7') + "\n");
  ZRun r = run_zub({"grep", "-o", "-E", "[0-9]+", t / "o.txt"});
  EXPECT_EQ(r.out, "── " + t / "o.txt" + "\n1,3| 12\n1| 345\n4| " + std::string(120, '7') +
                       "…\n"
                       "[1 files, 5 hits]\n");
  // Literal pieces of several patterns are merged in order, repeats dropped.
  t.write("p.txt", "abcabc\n");
  r = run_zub({"grep", "-o", "-e", "bc", "-e", "ab", "-e", "abc", t / "p.txt"});
  EXPECT_EQ(r.out, "── " + t / "p.txt" + "\n1| ab\n1| abc\n1| bc\n[1 files, 6 hits]\n");
  // With -v the only-matching flag is ignored.
  r = run_zub({"grep", "-o", "-v", "abc", t / "o.txt"});
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "── " + t / "o.txt");
  EXPECT_NE(r.out.find("1| id=12 id=345 id=12\n"), std::string::npos);
}

TEST(GrepReport, PatternsModesAndSelection) {
  TempDir t;
  t.write("a.c", "int FOO = 1;\nfoobar\nbar\r\nfoo_x\n");
  ZRun r = run_zub({"grep", "-i", "-w", "Foo", t / "a.c"});
  EXPECT_EQ(r.out, "── " + t / "a.c" + "\n1| int FOO = 1;\n[1 files, 1 hits]\n");
  r = run_zub({"grep", "-E", "^ba", t / "a.c"});
  EXPECT_EQ(r.out, "── " + t / "a.c" + "\n3| bar\n[1 files, 1 hits]\n");
  r = run_zub({"grep", "-E", "r$", t / "a.c"});  // the CR is not part of the line
  EXPECT_EQ(r.out, "── " + t / "a.c" + "\n2| foobar\n3| bar\n[1 files, 2 hits]\n");
  r = run_zub({"grep", "-e", "bar", "-e", "FOO", t / "a.c"});
  EXPECT_EQ(r.out, "── " + t / "a.c" + "\n1| int FOO = 1;\n2| foobar\n3| bar\n[1 files, 3 hits]\n");
  r = run_zub({"grep", "-v", "-e", "foo", "-e", "FOO", t / "a.c"});
  EXPECT_EQ(r.out, "── " + t / "a.c" + "\n3| bar\n[1 files, 1 hits]\n");
  r = run_zub({"grep", "-E", "[a-z]{6}", t / "a.c"});  // no required literal
  EXPECT_EQ(r.out, "── " + t / "a.c" + "\n2| foobar\n[1 files, 1 hits]\n");
  // The empty pattern selects every line; inverted it selects none.
  r = run_zub({"grep", "-c", "", t / "a.c"});
  EXPECT_EQ(r.out, "4 " + t / "a.c" + "\n[1 files, 4 hits]\n");
  r = run_zub({"grep", "-v", "", t / "a.c"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "[0 files, 0 hits]\n");
  r = run_zub({"grep", "-l", "bar", t / "a.c", t / "a.c"});
  EXPECT_EQ(r.out, t / "a.c" + "\n" + t / "a.c" + "\n[2 files, 4 hits]\n");
  r = run_zub({"grep", "nothing-here", t / "a.c"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "[0 files, 0 hits]\n");
}

TEST(GrepReport, RootsBaseRootAndSkips) {
  TempDir t;
  t.write("src/a.rs", "fn hit() {}\n");
  t.write("src/sub/b.rs", "hit\n");
  t.write("src/data.csv", "hit\n");
  t.write("src/bin.dat2", std::string("hit\0", 4));
  t.write("src/latin.txt", "hit caf\xe9\n");
  t.write("src/big.txt", "hit\n" + std::string(3u << 20, 'x') + "\n");
  t.write("src/.env", "hit\n");
  ZRun r = run_zub({"grep", "-c", "hit", t / "src"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "@ " + t / "src/");
  EXPECT_NE(r.out.find("\n1 a.rs\n"), std::string::npos);
  EXPECT_NE(r.out.find("\n1 sub/b.rs\n"), std::string::npos);
  // The file over the size cap is counted, with the flag that includes it.
  EXPECT_NE(r.out.find("[2 files, 2 hits, 1 non-source skipped (--all), 1 skipped for size "
                       "(--all)]\n"),
            std::string::npos)
      << r.out;
  // -l prints the path as walked, not the display path.
  r = run_zub({"grep", "-l", "fn hit", t.path() + "//"});
  EXPECT_EQ(r.out, "@ " + t.path() + "/\n" + t.path() +
                       "//src/a.rs\n[1 files, 1 hits, 1 non-source skipped (--all), 1 skipped for "
                       "size (--all)]\n");
  // --all lifts the size cap and the non-source table, not the binary and
  // UTF-8 tests.
  r = run_zub({"grep", "-c", "--all", "hit", t / "src"});
  EXPECT_NE(r.out.find("[4 files, 4 hits]\n"), std::string::npos) << r.out;
  zub_test::RunOptions env;
  env.env_set = {"ZUB_GREP_ALL="};
  r = run_zub({"grep", "-c", "hit", t / "src"}, env);
  EXPECT_NE(r.out.find("[4 files, 4 hits]\n"), std::string::npos) << r.out;
  // Relative roots give no base root.
  zub_test::RunOptions in_dir;
  in_dir.cwd = t.path();
  r = run_zub({"grep", "hit", "src/sub"}, in_dir);
  EXPECT_EQ(r.out, "── src/sub/b.rs\n1| hit\n[1 files, 1 hits]\n");
  // A missing root is reported once, the others are still searched.
  r = run_zub({"grep", "hit", t / "nope1", t / "src/sub", t / "nope2"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "zub: " + t / "nope1" + ": No such file or directory (os error 2)\n");
  EXPECT_EQ(r.out, "@ " + t / "src/sub" + "/\n── b.rs\n1| hit\n[1 files, 1 hits]\n");
  r = run_zub({"grep", "--ext", "go", "hit", t / "src"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "[0 files: 경로나 --ext 필터를 확인해라]\n");
  r = run_zub({"grep", "--ext", "go", "hit", t / "src", t / "nope"});
  EXPECT_EQ(r.status, 2);
  // --name and --not.
  r = run_zub({"grep", "-l", "--name", "*.rs", "--not", "*/sub/*", "hit", t / "src"});
  EXPECT_EQ(r.out, "@ " + t / "src/" + "\n" + t / "src/a.rs" + "\n[1 files, 1 hits]\n");
}

TEST(GrepReport, FileCap) {
  TempDir t;
  for (int k = 0; k < 5; ++k) t.write(std::string("f") + std::to_string(k) + ".c", "hit\n");
  ZRun r = run_zub({"grep", "--max-files", "x", "hit", t.path()});
  EXPECT_NE(
      r.out.find("[… 2 파일 더 있음: 범위를 좁히거나 --max-files 를 올려라]\n[5 files, 5 hits]\n"),
      std::string::npos);
  EXPECT_EQ(r.out.find("── "), r.out.find("── "));
  size_t headers = 0;
  for (size_t at = r.out.find("── "); at != std::string::npos; at = r.out.find("── ", at + 1))
    ++headers;
  EXPECT_EQ(headers, 3u);
  // -l raises a cap of 400 (given or default) to 1000.
  TempDir many;
  for (int k = 0; k < 401; ++k) {
    std::string name = "m";
    name += std::to_string(k);
    name += ".c";
    many.write(name, "hit\n");
  }
  r = run_zub({"grep", "-l", "--max-files", "400", "hit", many.path()});
  EXPECT_EQ(r.out.find("파일 더 있음"), std::string::npos);
  EXPECT_NE(r.out.find("[401 files, 401 hits]"), std::string::npos);
  r = run_zub({"grep", "hit", many.path()});
  EXPECT_NE(r.out.find("[… 1 파일 더 있음"), std::string::npos);
}

// The report is in walk order whatever the number of workers and however
// they race.
TEST(GrepReport, OutputDoesNotDependOnWorkerCount) {
  TempDir t;
  for (int d = 0; d < 6; ++d)
    for (int f = 0; f < 40; ++f) {
      std::string body;
      for (int l = 0; l < (f * 7 + d) % 50; ++l)
        body += "line " + std::to_string(l) + (l % 3 ? " needle\n" : "\n");
      t.write(std::string("d") + std::to_string(d) + "/f" + std::to_string(f) + ".c", body);
    }
  for (const std::vector<std::string>& args : {std::vector<std::string>{"needle", t.path()},
                                               {"-C", "1", "needle", t.path()},
                                               {"-c", "-E", "ne+dle", t.path()},
                                               {"-o", "-E", "line [0-9]+", t.path()}}) {
    Output one;
    one.capture = true;
    const int s1 = grep_args(args, one, 1);
    for (size_t workers : {2u, 5u, 16u}) {
      Output many;
      many.capture = true;
      EXPECT_EQ(grep_args(args, many, workers), s1);
      EXPECT_EQ(many.out, one.out) << workers << " workers";
    }
    EXPECT_FALSE(one.out.empty());
  }
}

// A file name in another encoding is still searched; its path is printed
// lossily so the report stays valid UTF-8.
TEST(GrepReport, NonUtf8FileNamesPrintLossily) {
  TempDir t;
  t.write("caf\xe9.c", "hit\n");
  ZRun r = run_zub({"grep", "-l", "hit", t.path()});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("/caf\xef\xbf\xbd.c\n"), std::string::npos) << r.out;
  // With -Z the list is for `xargs -0`: every name as it is, a line feed
  // and an invalid byte included, the summary on standard error.
  t.write("two\nlines.c", "hit\n");
  t.write("none\n.c", "miss\n");
  struct Case {
    std::string flag, listed, summary;
  };
  for (const Case& c :
       {Case{"-lZ", t / "caf\xe9.c" + '\0' + t / "two\nlines.c" + '\0', "[2 files, 2 hits]\n"},
        Case{"-LZ", t / "none\n.c" + '\0', "[1 files without match, 3 searched]\n"}}) {
    const std::string& flag = c.flag;
    r = run_zub({"grep", flag, "hit", t.path()});
    EXPECT_EQ(r.status, 0) << flag;
    std::string out = r.out;
    std::string sorted;  // walk order is the directory's: compare as a set
    std::vector<std::string> names;
    for (size_t at = 0, nul; (nul = out.find('\0', at)) != std::string::npos; at = nul + 1)
      names.push_back(out.substr(at, nul - at + 1));
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) sorted += n;
    EXPECT_EQ(sorted, c.listed) << flag;
    EXPECT_EQ(r.err, c.summary) << flag;
  }
  // No definition of hit: status 1, not a failure to read the name.
  r = run_zub({"def", "hit", t.path()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "");
}

// Only the root "-" reads standard input: with an endless standard input
// every other call still ends (timeout's status 124 would mean it hung).
TEST(GrepCli, StandardInputIsLeftAloneWithoutDash) {
  TempDir t;
  t.write("a.c", "hit\n");
  const std::string zub = ZUB_BINARY;
  for (const std::string& call :
       {zub + " grep hit " + t.path(), zub + " grep hit", zub + " grep",
        zub + " def hit " + t.path(), zub + " grep -c hit " + t / "missing"}) {
    zub::ProcessResult r = zub::run_process({"sh", "-c", "timeout 10 " + call + " < /dev/zero"});
    ASSERT_TRUE(r.exited) << call;
    EXPECT_NE(r.exit_code, 124) << call;
  }
}

// Lines that made only-matching and the literal finder quadratic: runs that
// never end in a match, and a long periodic needle that nearly matches
// everywhere. Under a CPU limit of ten seconds (the quadratic search needs
// hours for the first line and about a minute for the needle; the linear
// one needs milliseconds) each call must finish with the exact output.
TEST(GrepReport, HostileLinesStayWithinACpuLimit) {
  TempDir t;
  const std::string png = t.write(
      "m.js", "\"a.png\"," + [] {
        std::string s;
        for (int k = 0; k < 250000; ++k) s += "var a=1;";
        return s;
      }() + "\n");
  std::string pairs = "x";
  for (int k = 0; k < 500000; ++k) pairs += "ab";
  const std::string ab = t.write("ab.txt", pairs + "\n");
  std::string lines;
  for (int k = 0; k < 12; ++k) lines += pairs.substr(1, 110000) + "\n";
  const std::string periodic = t.write("p.txt", lines + pairs.substr(1, 120000) + "\n");
  std::string needle;
  for (int k = 0; k < 60000; ++k) needle += "AB";
  auto limited = [](const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"sh", "-c", "ulimit -t 10; exec \"$@\"", "sh", ZUB_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    return zub::run_process(argv);
  };
  zub::ProcessResult r = limited({"grep", "-o", "-E", ".*\\.png", png});
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.out, "── " + png + "\n1| \"a.png\n[1 files, 1 hits]\n");
  r = limited({"grep", "-o", "-E", "[ab]*c|x", ab});
  EXPECT_EQ(r.out, "── " + ab + "\n1| x\n[1 files, 1 hits]\n");
  r = limited({"grep", "-i", "-c", needle, periodic});
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.out, "1 " + periodic + "\n[1 files, 1 hits]\n");
  r = limited({"grep", "-o", "-i", needle, periodic});
  EXPECT_EQ(r.out, "── " + periodic + "\n13| " + pairs.substr(1, 120) + "…\n[1 files, 1 hits]\n");
}

// Several literals searched at once, over files read in pieces, must report
// exactly what the alternation of the same literals reports when every file
// is read whole (--all takes that route): hits at and across the piece
// boundaries, a line longer than a piece, CRLF split by a boundary, needles
// that overlap or differ only in case or hold non-ASCII bytes, and files
// whose disqualifying byte (invalid UTF-8, NUL in the head) comes late or
// early.
TEST(GrepReport, MultiLiteralPiecesAgreeWithWholeFileAlternation) {
  TempDir t;
  const size_t kPiece = 128 * 1024;
  std::string big;
  unsigned seed = 7;
  auto rnd = [&] { return (seed = seed * 1103515245u + 12345u) >> 8; };
  const char* words[] = {"kvfree(p);",        "KVFREE", "kv",    "GFP_NOWAIT", "gfp_nowaitx",
                         "\xc3\xa9t\xc3\xa9", "x",      "kvfre", "spin",       "  "};
  auto fill_to = [&](std::string& s, size_t n) {
    while (s.size() < n) {
      s += words[rnd() % 10];
      s += rnd() % 9 ? " " : (rnd() % 2 ? "\n" : "\r\n");
    }
  };
  fill_to(big, 3 * kPiece + 1000);
  t.write("a/big.c", big);
  // Hits only in later pieces, so their line numbers show.
  std::string late;
  while (late.size() < kPiece - 40) late += "filler line\n";
  late += "head of a line that crosses the piece boundary with kvfree in it\n";
  while (late.size() < 2 * kPiece - 1) late += "filler line\r\n";
  late += "\r\nGFP_NOWAIT after a split CRLF\n";
  late += std::string(kPiece + 100, 'y') + " kvfree at the end of a long line\n";
  late += "last line kv";
  t.write("a/late_hits.c", late);
  std::string late_bad = big.substr(0, kPiece + 5000) + "\xff\n";
  t.write("a/late_bad.c", late_bad);
  t.write("a/late_nul.c", std::string(1024, 'k') + '\0' + "\nkvfree\n");
  t.write("a/early_nul.c", "kvfree\n" + std::string(900, 'k') + '\0' + "\n");
  t.write("b/small.c", "nothing\nKvFree here\n\xc3\xa9t\xc3\xa9 and kv\nlast kvfree");
  t.write("b/none.c", "no needles at all\n");
  const std::vector<std::string> lits = {"kvfree", "GFP_NOWAIT", "kv", "\xc3\xa9t\xc3\xa9"};
  std::string alt;
  for (const std::string& l : lits) alt += (alt.empty() ? "" : "|") + l;
  for (const std::vector<std::string>& mode : {std::vector<std::string>{},
                                               {"-c"},
                                               {"-l"},
                                               {"-i"},
                                               {"-w"},
                                               {"-i", "-w", "-n", "100"},
                                               {"-n", "50"},
                                               {"-C", "1"},
                                               {"-A", "2", "-n", "100"}}) {
    std::vector<std::string> multi = mode, whole = mode;
    for (const std::string& l : lits) multi.insert(multi.end(), {"-e", l});
    whole.insert(whole.end(), {"--all", "-E", alt});
    multi.push_back(t.path());
    whole.push_back(t.path());
    Output a, b;
    a.capture = b.capture = true;
    EXPECT_EQ(grep_args(multi, a, 2), grep_args(whole, b, 3));
    EXPECT_EQ(a.out, b.out) << ::testing::PrintToString(mode);
    EXPECT_NE(a.out.find("big.c"), std::string::npos);
    EXPECT_NE(a.out.find("late_hits.c"), std::string::npos);
    EXPECT_EQ(a.out.find("late_bad.c"), std::string::npos);
    EXPECT_EQ(a.out.find("early_nul.c"), std::string::npos);
    EXPECT_NE(a.out.find("late_nul.c"), std::string::npos);
  }
  // Selection without needles (inverted) still leaves out the files that
  // are not UTF-8 or are binary, small or large.
  t.write("b/small_bad.c", "kvfree\n\xc3(\n");
  Output v, w;
  v.capture = w.capture = true;
  EXPECT_EQ(grep_args({"-v", "-c", "zzz", t.path()}, v, 2),
            grep_args({"-v", "-c", "--all", "zzz", t.path()}, w, 2));
  EXPECT_EQ(v.out, w.out);
  EXPECT_EQ(v.out.find("bad.c"), std::string::npos);
  EXPECT_NE(v.out.find("small.c"), std::string::npos);
  // A pattern's selected lines and the lines it leaves out (with -v, which
  // looks at every line) add up to all lines: a test over the whole text
  // that rules files out must never drop a line that matches, with anchors,
  // word boundaries or white space next to line ends.
  auto hits = [&](std::vector<std::string> args) {
    args.insert(args.begin(), "-c");
    args.push_back(t.path());
    Output o;
    o.capture = true;
    grep_args(args, o, 2);
    const size_t at = o.out.rfind(" files, ");
    return at == std::string::npos ? std::string("?")
                                   : o.out.substr(at + 8, o.out.find(' ', at + 8) - at - 8);
  };
  const long all_lines = std::stol(hits({"-v", "zzzzq"}));
  for (const char* p :
       {"\\bkv\\w*", "^kv", "free$", "\\sGFP", "[A-Z]{3}_", "e\\b", "^$", "\\Bree"}) {
    const std::string in = hits({"-E", p}), out = hits({"-v", "-E", p});
    EXPECT_EQ(std::stol(in) + std::stol(out), all_lines) << p;
  }
  // Only-matching pieces of overlapping literals, both routes.
  Output a, b;
  a.capture = b.capture = true;
  grep_args({"-o", "-n", "100", "-e", "kvfree", "-e", "kv", t.path()}, a, 2);
  grep_args({"-o", "-n", "100", "--all", "-e", "kvfree", "-e", "kv", t.path()}, b, 2);
  EXPECT_EQ(a.out, b.out);
  EXPECT_NE(a.out.find("| kv\n"), std::string::npos);
}
