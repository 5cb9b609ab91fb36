#include <gtest/gtest.h>

#include <string>

#include "base/text.h"
#include "search/def.h"
#include "support/run_zub.h"

using namespace zub;
using zub_test::TempDir;

TEST(Def, FindsDefinitionsAcrossLanguages) {
  TempDir t;
  t.write("a.rs", "use x;\npub fn foo(a: u32) -> u32 {\n    a + 1\n}\nfn other() { foo(1) }\n");
  t.write("b.js",
          "const foo = async () => {\n  return 1;\n};\nclass K {\n  foo(a, b) {\n    call foo();\n "
          " }\n}\n");
  t.write("c.py", "import os\n\ndef foo(x):\n    y = x\n\n    return y\n\n\nprint(foo(1))\n");
  zub_test::Run r = zub_test::run_zub({"def", "foo", t.path()});
  EXPECT_EQ(r.status, 0);
  const std::string& out = r.out;
  EXPECT_EQ(out.substr(0, out.find('\n')), "@ " + t.path() + "/");
  EXPECT_NE(out.find("\n[4 definitions]\n"), std::string::npos) << out;
  EXPECT_NE(out.find("── a.rs:2-4\n2| pub fn foo(a: u32) -> u32 {\n3|     a + 1\n4| }\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("── b.js:1-3\n1| const foo = async () => {\n2|   return 1;\n3| };\n"),
            std::string::npos);
  EXPECT_NE(out.find("── b.js:5-7\n5|   foo(a, b) {\n6|     call foo();\n7|   }\n"),
            std::string::npos);
  EXPECT_NE(out.find("── c.py:3-6\n3| def foo(x):\n4|     y = x\n5| \n6|     return y\n"),
            std::string::npos);
  EXPECT_EQ(out.find("print(foo"), std::string::npos);
}

TEST(Def, NestedDefinitionsAndLiteralSymbols) {
  TempDir t;
  t.write("k.ts", "class Box {\n  Box(a) {\n    this.a = a;\n  }\n}\n");
  std::string out = find_definitions("Box", {t.path()}, 200);
  // The class and the method inside it; the method's lines print twice.
  EXPECT_NE(out.find("[2 definitions]"), std::string::npos) << out;
  EXPECT_NE(out.find("── k.ts:1-5\n"), std::string::npos);
  EXPECT_NE(out.find("── k.ts:2-4\n"), std::string::npos);

  t.write("op.cc", "  operator()(int x) {\n  }\n  operatorX(int x) {}\n");
  out = find_definitions("operator()", {t.path()}, 200);
  EXPECT_NE(out.find("[1 definitions]"), std::string::npos) << out;
  t.write("dot.py", "def a.b():\n  pass\ndef axb():\n  pass\n");
  out = find_definitions("a.b", {t / "dot.py"}, 200);
  EXPECT_NE(out.find("[1 definitions]\n── " + t / "dot.py" + ":1-2\n"), std::string::npos) << out;

  // In a file of no recognised language the keyword alternation has no
  // boundary before it, so "undef foo" counts; in C it is no definition.
  t.write("u.tcl", "#undef foo\n");
  EXPECT_NE(find_definitions("foo", {t / "u.tcl"}, 200).find("[1 definitions]"), std::string::npos);
  t.write("u.c", "#undef foo\n#define foo(x) \\\n  ((x) + 1)\n");
  EXPECT_NE(
      find_definitions("foo", {t / "u.c"}, 200).find("[1 definitions]\n── " + t / "u.c" + ":2-3\n"),
      std::string::npos);
}

TEST(Def, CapCountAndNotFound) {
  TempDir t;
  std::string twelve, eleven;
  for (int k = 0; k < 12; ++k) twelve += "fn sym() {}\n";
  for (int k = 0; k < 11; ++k) eleven += "fn sym() {}\n";
  t.write("twelve.rs", twelve + "fn sym() {}\n");
  std::string out = find_definitions("sym", {t / "twelve.rs"}, 200);
  EXPECT_EQ(out.find("definitions]"), std::string::npos);
  EXPECT_TRUE(ends_with(out, "12| fn sym() {}\n[… 12개까지만 표시: 심볼을 더 좁혀라]\n")) << out;
  t.write("eleven.rs", eleven);
  out = find_definitions("sym", {t / "eleven.rs"}, 200);
  EXPECT_TRUE(starts_with(out, "[11 definitions]\n── " + t / "eleven.rs" + ":1-1\n")) << out;

  t.write("w.c", "int foobar = 1;\nfoobar(2);\n");
  out = find_definitions("foo", {t / "w.c"}, 200);
  EXPECT_EQ(out, "[`foo` 의 정의를 못 찾았다: 참조까지 보려면 `zub grep -w foo ROOT`]\n");
  // A block cut by -n says where the definition ends and how to read the rest;
  // one that ends within the cap says nothing.
  std::string body;
  for (int k = 0; k < 8; ++k) body += "  x();\n";
  t.write("cut.c", "void run(void)\n{\n" + body + "}\n");
  out = find_definitions("run", {t / "cut.c"}, 4);
  EXPECT_NE(out.find("── " + t / "cut.c" + ":1-5 [잘림: 정의는 11줄까지 · zub read " + t / "cut.c" +
                     " 6-11]\n1| void run(void)\n"),
            std::string::npos)
      << out;
  EXPECT_TRUE(ends_with(out, "5|   x();\n"));
  EXPECT_NE(find_definitions("run", {t / "cut.c"}, 10).find(":1-11\n"), std::string::npos);
  t.write("cut.zig", "fn run() {\n" + body + "}\n");
  out = find_definitions("run", {t / "cut.zig"}, 3);
  EXPECT_NE(out.find(":1-4 [잘림: 정의는 10줄까지 · zub read " + t / "cut.zig" + " 5-10]\n"),
            std::string::npos)
      << out;
  // A long definition line is elided at 200 bytes.
  t.write("long.py", "def foo(" + std::string(300, 'a') + "):\n  pass\n");
  out = find_definitions("foo", {t / "long.py"}, 200);
  EXPECT_NE(out.find("…" + std::to_string(310 - 200) + "c…"), std::string::npos) << out;
}

TEST(Def, RootChecksAndStatus) {
  TempDir t;
  t.write("a.go", "func Run() {\n}\n");
  zub_test::Run r = zub_test::run_zub({"def", "Run", t / "missing", t.path(), t / "gone"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "zub: " + t / "missing" + ": No such file or directory (os error 2)\n");
  // The base root is that of the one existing root.
  EXPECT_EQ(r.out, "@ " + t.path() + "/\n[1 definitions]\n── a.go:1-2\n1| func Run() {\n2| }\n");
  r = zub_test::run_zub({"def", "Run", "-n", "5"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  r = zub_test::run_zub({"def", "Nope", t.path()});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "@ " + t.path() +
                "/\n[`Nope` 의 정의를 못 찾았다: 참조까지 보려면 `zub grep -w Nope ROOT`]\n");
}
