#include <gtest/gtest.h>

#include "code/declaration.h"
#include "nav/outline.h"
#include "support/run_zub.h"

using zub_test::run_zub;
using zub_test::TempDir;

TEST(Outline, DeclarationPrefixes) {
  struct Case {
    const char* line;
    bool selected;
  };
  // clang-format off
  const Case cases[] = {
      {"fn main() {", true},          {"    pub fn go()", true},
      {"pub struct S;", false},       {"pub(crate) fn f()", false},
      {"pub async fn f()", false},    {"#[derive(Debug)]", true},
      {"@Override", true},            {"#include <x>", false},
      {"# comment", false},           {"export default function f()", true},
      {"exports.x = 1", false},       {"\xE3\x80\x80" "def f():", true},  // ideographic space
      {"type X = int", true},         {"typedef int X;", false},
      {"", false},                    {"   ", false},
      {"from x import y", true},      {"protected void f()", true},
  };
  // clang-format on
  for (const Case& c : cases) EXPECT_EQ(zub::is_declaration_line(c.line), c.selected) << c.line;
}

TEST(Outline, BlocksCapsAndCuts) {
  TempDir d;
  const std::string f = d.write("a.rs",
                                "use std::io;\n"
                                "\n"
                                "  fn one() {}   \n"
                                "// fn not\n"
                                "fn two() {}\n"
                                "struct S;\n"
                                "impl S {}\n");
  // Indentation keeps its nesting at one space a level.
  auto r = run_zub({"outline", f});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "== " + f +
                       " (7 lines, 본문 생략) ==\n1| use std::io;\n3|  fn one() {}\n"
                       "5| fn two() {}\n6| struct S;\n7| impl S {}\n");

  // A cut says how many declarations were left out and which -n shows them.
  r = run_zub({"outline", "-n", "2", f});
  EXPECT_EQ(r.out, "== " + f +
                       " (7 lines, 본문 생략) ==\n1| use std::io;\n3|  fn one() {}\n"
                       "… (truncated) 3 more, `-n 5` shows all\n");

  // Exactly N declarations: no note. -n 0 behaves like 1; a bad -n is 400.
  const std::string two = d.write("two.py", "def a():\n    pass\ndef b():\n");
  r = run_zub({"outline", two, "-n", "2"});
  EXPECT_EQ(r.out, "== " + two + " (3 lines, 본문 생략) ==\n1| def a():\n3| def b():\n");
  r = run_zub({"outline", two, "-n", "0"});
  EXPECT_EQ(r.out, "== " + two +
                       " (3 lines, 본문 생략) ==\n1| def a():\n"
                       "… (truncated) 1 more, `-n 2` shows all\n");
  r = run_zub({"outline", two, "-n", "zz"});
  EXPECT_EQ(r.out, "== " + two + " (3 lines, 본문 생략) ==\n1| def a():\n3| def b():\n");

  // Lines are cut at 160 bytes on a character boundary, without marker.
  const std::string longf =
      d.write("long.ts", "const x = \"" + std::string(300, 'y') + "\";\n" + "let k = '" +
                             std::string(150, 'z') + "한국';\n");
  r = run_zub({"outline", longf});
  const std::string first = ("const x = \"" + std::string(300, 'y')).substr(0, 160);
  const std::string second = "let k = '" + std::string(150, 'z') + "한";  // 162 bytes > 160
  EXPECT_EQ(r.out, "== " + longf + " (2 lines, 본문 생략) ==\n1| " + first + "\n2| " +
                       second.substr(0, 159) + "\n");
}

TEST(Outline, FailuresAndSpecialFiles) {
  TempDir d;
  const std::string empty = d.write("empty.go", "");
  const std::string bad = d.write("bad.c", "fn x\n\xc3\x28\n");
  auto r = run_zub({"outline", d / "nope", empty, bad});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(
      r.out,
      "== " + empty + " (0 lines, 본문 생략) ==\n== " + bad +
          " (2 lines, 본문 생략) ==\n[zub outline: UTF-8 이 아닌 바이트를 \\xHH 로 보였다]\n");
  EXPECT_EQ(r.err, "zub: " + (d / "nope") + ": No such file or directory (os error 2)\n");
  // A declaration on a line with a stray byte is listed, the byte visible.
  const std::string latin = d.write("latin.py", "# caf\xE9\ndef caf\xE9_menu():\n    pass\n");
  r = run_zub({"outline", latin});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "== " + latin + " (3 lines, 본문 생략) ==\n2| def caf\\xE9_menu():\n" +
                       "[zub outline: UTF-8 이 아닌 바이트를 \\xHH 로 보였다]\n");
}

TEST(Outline, DirectoriesAndFoldedRuns) {
  TempDir d;
  d.write("src/a.py",
          "import os\nimport sys\nfrom x import y\n\ndef f():\n    pass\nclass C:\n"
          "    def m(self):\n        pass\n");
  d.write("src/sub/b.c", "#include <a.h>\n#include \"b.h\"\nint main(void) {\n}\n");
  d.write("src/notes.txt", "nothing declared here\n");
  d.write("node_modules/x/z.py", "def hidden():\n");
  d.write("src/big.py", "def huge():\n" + std::string(3u << 20, '#') + "\n");
  d.mkdir("empty");

  // The walker's rules pick the files, in path order, a header each; runs
  // of imports fold into one line with their range and count.
  auto r = run_zub({"outline", d / "src"});
  EXPECT_EQ(r.status, 0);
  const std::string a = "== " + (d / "src") + "/a.py (9 lines, 본문 생략) ==\n";
  const std::string b = "== " + (d / "src") + "/sub/b.c (4 lines, 본문 생략) ==\n";
  EXPECT_EQ(r.out, a + "1-3| import ×3\n5| def f():\n7| class C:\n8|  def m(self):\n" + b +
                       "1-2| #include ×2\n3| int main(void)\n"
                       "[zub outline: 1 over 2 MiB skipped (--all), 1 without declarations]\n");

  // -n bounds the whole directory and says what was left out.
  r = run_zub({"outline", d / "src", "-n", "3"});
  EXPECT_EQ(r.out,
            a + "1-3| import ×3\n5| def f():\n7| class C:\n… (truncated) 1 more\n"
                "[zub outline: 1 files left out, `-n 6` shows all, 1 over 2 MiB skipped (--all), "
                "1 without declarations]\n");

  // --all lifts the size cap; an empty directory says so.
  r = run_zub({"outline", "--all", d / "src", "-n", "1"});
  EXPECT_NE(r.out.find("[zub outline: 2 files left out, `-n 7` shows all, 1 without declarations]"),
            std::string::npos)
      << r.out;
  r = run_zub({"outline", d / "empty"});
  EXPECT_EQ(r.out, "[zub outline: 0 files]\n");

  // A named file is outlined whatever its size; a range after it bounds it.
  r = run_zub({"outline", d / "src/big.py", d / "src/a.py", "5-8"});
  EXPECT_EQ(r.out, "== " + (d / "src") + "/big.py (2 lines, 본문 생략) ==\n1| def huge():\n" +
                       "== " + (d / "src") +
                       "/a.py 5-8 (9 lines, 본문 생략) ==\n5| def f():\n"
                       "7| class C:\n8|  def m(self):\n");

  // Fields fold into one line, a comment after them or not (a "//" inside a
  // string is no comment).
  d.write("S.java",
          "final class S {\n"
          "    private int fence;      // -1 until first use\n"
          "    private int cursor; /* current index */\n"
          "    String url = \"http://x\";\n"
          "    S() {\n    }\n}\n");
  r = run_zub({"outline", d / "S.java"});
  EXPECT_EQ(r.out, "== " + (d / "S.java") +
                       " (7 lines, 본문 생략) ==\n1| final class S\n2-4|  fields ×3: fence cursor "
                       "url\n5|  S()\n");
}
