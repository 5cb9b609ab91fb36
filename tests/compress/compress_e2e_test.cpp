// The filters driven through the built binary on real tool output made in
// the test and on hand-written samples of the formats diag knows.
#include <gtest/gtest.h>
#include <unistd.h>
#include <string>

#include "base/process.h"
#include "support/run_zub.h"

using zub_test::run_zub;
using zub_test::run_zub_stdin;
using zub_test::TempDir;

namespace {

const std::string kDiagClosing =
    "[zub diag = 요약(원문 ~75% 소실). 개별 에러를 고치려면 `zub trim` 을 써라.]\n";

bool have_program(const std::string& name) {
  return zub::run_process({"sh", "-c", "command -v " + name}).exit_code == 0;
}

// Source-quote lines that diag recognises and keeps out of the summary:
// appended to a short sample they make the summary shorter than its input.
std::string quiet(int n = 40) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "   |" + std::string(60, ' ') + "x\n";
  return s;
}

// Standard error exactly as the filter leaves it, without the note on the
// kept raw output.
zub_test::RunOptions without_raw_note() {
  zub_test::RunOptions o;
  o.env_set = {"ZUB_NO_RAW=1"};
  return o;
}

}  // namespace

TEST(CompressEndToEnd, RealCompilerErrorKeepsStatusThroughWrap) {
  if (!have_program("g++")) GTEST_SKIP() << "g++ not installed";
  TempDir dir;
  const std::string src = dir.write("bad.cpp",
                                    "int main() {\n  undeclared_a();\n  int x = \"s\";\n"
                                    "  return undeclared_b;\n}\n");
  // What the compiler prints when run directly, both streams joined.
  auto direct = zub::run_process({"sh", "-c", "g++ -fsyntax-only '" + src + "' 2>&1"});
  ASSERT_EQ(direct.exit_code, 1);
  ASSERT_NE(direct.out.find("error"), std::string::npos);

  auto trimmed = run_zub({"wrap", "--", "g++", "-fsyntax-only", src});
  EXPECT_EQ(trimmed.status, 1);
  EXPECT_EQ(trimmed.err, "[zub wrap: exit 1]\n");
  // Under 2 KB the capture passes through exactly as the compiler wrote it.
  ASSERT_LT(direct.out.size(), 2048u);
  EXPECT_EQ(trimmed.out, direct.out);

  // diag shows every error line the compiler printed, and is never longer
  // than what it read.
  auto summary = run_zub({"wrap", "--diag", "g++", "-fsyntax-only", src}, without_raw_note());
  EXPECT_EQ(summary.status, 1);
  EXPECT_EQ(summary.err, "[zub wrap: exit 1]\n");
  EXPECT_LE(summary.out.size(), direct.out.size());
  int errors = 0;
  for (size_t pos = 0, eol; pos < direct.out.size(); pos = eol + 1) {
    eol = direct.out.find('\n', pos);
    const std::string line = direct.out.substr(pos, eol - pos);
    if (line.find(": error: ") == std::string::npos) continue;
    ++errors;
    EXPECT_NE(summary.out.find(line + "\n"), std::string::npos) << line;
  }
  EXPECT_EQ(errors, 3);
}

TEST(CompressEndToEnd, RealTestRunnerThroughWrapNamesTheFailureWithItsPlace) {
  if (!have_program("python3")) GTEST_SKIP() << "python3 not installed";
  TempDir dir;
  std::string tests = "import unittest\n\nclass T(unittest.TestCase):\n";
  for (int i = 0; i < 30; ++i) tests += "    def test_ok" + std::to_string(i) + "(self): pass\n";
  tests += "    def test_sum(self):\n        self.assertEqual(sum([1, 2]), 4)\n";
  dir.write("test_t.py", tests);
  auto r = run_zub({"wrap", "--diag", "--", "sh", "-c",
                    "cd '" + dir.path() + "' && python3 -m unittest -v test_t 2>&1"},
                   without_raw_note());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "[zub wrap: exit 1]\n");
  EXPECT_NE(r.out.find("== 1 failure lines ==\n  FAIL: test_t.T.test_sum at "), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("test_t.py:35\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("== 30 passed (suppressed) ==\n  Ran 31 tests in "), std::string::npos)
      << r.out;
}

TEST(CompressEndToEnd, GeneratedColourLogThroughLogsAndWrap) {
  // 5000 coloured lines of four shapes, made by the shell.
  const std::string gen =
      "i=0; while [ $i -lt 5000 ]; do "
      "case $((i % 4)) in "
      "0) printf '\\033[32mINFO\\033[0m %d request id=%d took %dms\\n' $i $((i*7)) $((i%90));; "
      "1) printf '\\033[33mWARN\\033[0m retry %d of 5\\n' $((i%5));; "
      "2) printf '\\033[1;31mERROR\\033[0m worker %d died\\n' $((i%3));; "
      "3) printf '   \\n';; esac; i=$((i+1)); done";
  auto log = zub::run_process({"sh", "-c", gen});
  ASSERT_EQ(log.exit_code, 0);
  ASSERT_NE(log.out.find("\x1b[32m"), std::string::npos);

  auto folded = run_zub_stdin({"logs"}, log.out);
  EXPECT_EQ(folded.status, 0);
  // Lines 2000..4999 are considered: 750 of each shape, the blank ones skipped.
  EXPECT_EQ(folded.out,
            "INFO 2000 request id=14000 took 20ms  \u00d7750\n"
            "WARN retry 1 of 5  \u00d7750\n"
            "ERROR worker 1 died  \u00d7750\n"
            "[5000 lines in -> 3 unique, 2000 older dropped]\n");

  auto wrapped =
      run_zub({"wrap", "--logs", "--", "sh", "-c", gen + "; exit 4"}, without_raw_note());
  EXPECT_EQ(wrapped.out, folded.out);
  EXPECT_EQ(wrapped.status, 4);
  EXPECT_EQ(wrapped.err, "[zub wrap: exit 4]\n");

  // Line 4998 (the last non-blank one) is shape 2 with worker 4998 % 3.
  auto small_limit = run_zub_stdin({"logs", "+2"}, log.out);
  EXPECT_EQ(small_limit.out,
            "ERROR worker 0 died\n[5000 lines in -> 1 unique, 4998 older dropped]\n");
  auto bad_limit = run_zub_stdin({"logs", "+"}, log.out);
  EXPECT_EQ(bad_limit.out, folded.out);

  // trim keeps every distinct line, colours included, and folds the rest.
  auto trimmed = run_zub_stdin({"trim"}, log.out);
  EXPECT_NE(trimmed.out.find("\x1b[33mWARN\x1b[0m retry 4 of 5\n"), std::string::npos);
  EXPECT_NE(trimmed.out.find(
                "[zub trim: 2492 dup lines collapsed, 0 chars over 200-col cut, 0 blank lines]\n"),
            std::string::npos)
      << trimmed.out.substr(trimmed.out.size() > 200 ? trimmed.out.size() - 200 : 0);
}

TEST(CompressEndToEnd, HandWrittenLinterAndTestSamples) {
  const std::string code_first =
      "F841 Local variable `e` is assigned to but never used\n"
      "  --> app/main.py:14:5\n"
      "   |\n"
      "14 |     e = 1\n"
      "   |     ^ F841\n"
      "   |\n"
      "   = help: Remove assignment to unused variable `e`\n"
      "\n"
      "F841 Local variable `f` is assigned to but never used\n"
      "  --> app/main.py:20:5\n"
      "help: Remove assignment\n"
      "F401 `re` imported but unused\n"
      "Found 3 errors.\n";
  auto a = run_zub_stdin({"diag"}, code_first + quiet());
  EXPECT_EQ(a.status, 0);
  EXPECT_EQ(a.out.substr(0, a.out.find("[zub diag")),
            "== 3 diagnostics / 2 distinct rules ==\n"
            "   2x ruff:F841\n"
            "      F841 Local variable `e` is assigned to but never used\n"
            "      F841 Local variable `f` is assigned to but never used\n"
            "   1x ruff:F401\n"
            "      F401 `re` imported but unused\n");

  const std::string typescript =
      "src/index.ts(3,7): error TS2322: Type 'string' is not assignable to type 'number'.\n"
      "src/index.ts(9,1): error TS2304: Cannot find name 'foo'.\n"
      "src/util.ts(2,5): error TS2322: Type 'number' is not assignable to type 'string'.\n"
      "\n"
      "Found 3 errors in 2 files.\n";
  // Alone, these lines are shorter than any summary of them: they come back
  // as they are.
  EXPECT_EQ(run_zub_stdin({"diag"}, typescript).out, typescript);
  auto b = run_zub_stdin({"diag"}, typescript + quiet());
  EXPECT_EQ(
      b.out,
      "== 3 diagnostics / 2 distinct rules ==\n"
      "   2x TS2322\n"
      "   1x TS2304\n"
      "== 3 error lines ==\n"
      "  src/index.ts(3,7): error TS2322: Type 'string' is not assignable to type 'number'.\n"
      "  src/index.ts(9,1): error TS2304: Cannot find name 'foo'.\n"
      "  src/util.ts(2,5): error TS2322: Type 'number' is not assignable to type 'string'.\n" +
          kDiagClosing);

  const std::string table =
      "\n/home/dev/web/src/app.tsx\n"
      "  3:10  error    'React' is defined but never used  no-unused-vars\n"
      "  8:1   warning  Unexpected console statement       no-console\n"
      "  9:14  error    Missing semicolon                  semi\n"
      "\n\u2716 3 problems (2 errors, 1 warning)\n";
  auto c = run_zub_stdin({"diag"}, table + quiet());
  EXPECT_EQ(c.out,
            "== 3 diagnostics / 3 distinct rules ==\n"
            "   1x (no-rule-id) error\n"
            "   1x no-console\n"
            "      /home/dev/web/src/app.tsx:8:1   warning  Unexpected console statement       "
            "no-console\n"
            "   1x no-unused-vars\n"
            "== 2 error lines ==\n"
            "  /home/dev/web/src/app.tsx:3:10  error    'React' is defined but never used  "
            "no-unused-vars\n"
            "  /home/dev/web/src/app.tsx:9:14  error    Missing semicolon                  semi\n" +
                kDiagClosing);

  const std::string tests =
      "PASS src/a.test.js\n"
      "FAIL src/b.test.js\n"
      "  \u25cf adds \u203a works\n"
      "ok 1 - parses\n"
      "ok 2 - prints\n"
      "not ok 3 - fails\n"
      "..........\n"
      "E   AssertionError: 1 != 2\n"
      "\u2718 broken thing\n";
  auto d = run_zub_stdin({"diag"}, tests + quiet());
  EXPECT_EQ(d.out,
            "== 1 error lines ==\n"
            "  E   AssertionError: 1 != 2\n"
            "== 4 failure lines ==\n"
            "  FAIL src/b.test.js\n"
            "  \u25cf adds \u203a works\n"
            "  not ok 3 - fails\n"
            "  \u2718 broken thing\n"
            "== 13 passed (suppressed) ==\n" +
                kDiagClosing);
}

TEST(CompressEndToEnd, FilterArgumentsAndInvalidUtf8Input) {
  std::string in;
  for (int i = 0; i < 30; ++i) in += std::string(100, static_cast<char>('a' + i % 26)) + "\n";
  auto w80 = run_zub_stdin({"trim", "80"}, in);
  EXPECT_NE(w80.out.find("\u202620c\u2026"), std::string::npos);
  EXPECT_NE(
      w80.out.find("[zub trim: 4 dup lines collapsed, 520 chars over 80-col cut, 0 blank lines]\n"),
      std::string::npos);
  auto wbad = run_zub_stdin({"trim", "-5"}, in);
  EXPECT_NE(
      wbad.out.find("[zub trim: 4 dup lines collapsed, 0 chars over 200-col cut, 0 blank lines]\n"),
      std::string::npos);

  // An invalid byte becomes U+FFFD (one per maximal invalid subpart: the
  // cut-off three-byte sequence \xe2\x82 is one) and the text around it
  // stays, in the filters as in wrap.
  const std::string not_utf8 = in + "caf\xe9 FAILED a\xe2\x82z\n";
  auto t = run_zub_stdin({"trim"}, not_utf8);
  EXPECT_EQ(t.status, 0);
  EXPECT_NE(t.out.find("\ncaf\uFFFD FAILED a\uFFFDz\n[zub trim: 4 dup lines collapsed"),
            std::string::npos)
      << t.out;
  auto l = run_zub_stdin({"logs"}, not_utf8);
  EXPECT_NE(l.out.find("\ncaf\uFFFD FAILED a\uFFFDz\n[31 lines in -> 27 unique]\n"),
            std::string::npos)
      << l.out;
  t = run_zub_stdin({"trim"}, "src/a.c:1:1: error: x\ncaf\xe9 FAILED\n");
  EXPECT_EQ(t.out, "src/a.c:1:1: error: x\ncaf\uFFFD FAILED\n");
  // A summary of so short an input would be longer than it, so diag gives
  // the decoded input back.
  auto d = run_zub_stdin({"diag"}, "FAIL one\nFAIL caf\xe9\n\xff\xfe\nFAIL three\n");
  EXPECT_EQ(d.out, "FAIL one\nFAIL caf\uFFFD\n\uFFFD\uFFFD\nFAIL three\n");
}
