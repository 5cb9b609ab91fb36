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
  auto r = run_zub({"outline", f});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "== " + f +
                       " (7 lines, 본문 생략) ==\n1| use std::io;\n3|   fn one() {}\n"
                       "5| fn two() {}\n6| struct S;\n7| impl S {}\n");

  r = run_zub({"outline", "-n", "2", f});
  EXPECT_EQ(r.out, "== " + f +
                       " (7 lines, 본문 생략) ==\n1| use std::io;\n3|   fn one() {}\n"
                       "… (truncated)\n");

  // Exactly N declarations: no note. -n 0 behaves like 1; a bad -n is 400.
  const std::string two = d.write("two.py", "def a():\n    pass\ndef b():\n");
  r = run_zub({"outline", two, "-n", "2"});
  EXPECT_EQ(r.out, "== " + two + " (3 lines, 본문 생략) ==\n1| def a():\n3| def b():\n");
  r = run_zub({"outline", two, "-n", "0"});
  EXPECT_EQ(r.out, "== " + two + " (3 lines, 본문 생략) ==\n1| def a():\n… (truncated)\n");
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
  d.mkdir("dir");
  auto r = run_zub({"outline", d / "nope", empty, bad, d / "dir"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "== " + empty + " (0 lines, 본문 생략) ==\n" + bad +
                       ": stream did not contain valid UTF-8\n");
  EXPECT_EQ(r.err, "zub: " + (d / "nope") + ": No such file or directory (os error 2)\n" + "zub: " +
                       (d / "dir") + ": 디렉터리다: 파일을 지정하거나 `zub map` 을 써라\n");
  r = run_zub({"outline", bad});
  EXPECT_EQ(r.status, 0);
}
