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

  // A loop macro opening a statement is no definition; a name indented
  // under its return type still is.
  t.write("m.c",
          "static void g(void)\n{\n\teach(x, y) {\n\t}\n\tint x;\n\teach(x, y) {\n\t\tx++;\n\t}\n}"
          "\n\nstatic int\n\teach(int a, int b) {\n\treturn a;\n}\n");
  EXPECT_EQ(find_definitions("each", {t / "m.c"}, 200),
            "[1 definitions]\n── " + t / "m.c" +
                ":12-14\n12| \teach(int a, int b) {\n13| \treturn "
                "a;\n14| }\n");

  // Nor after a comment, a label or with its body on the next line; a
  // definition's name under a comment under its return type still is. A
  // file with only such uses defines nothing.
  t.write("c.c",
          "int h(void)\n{\n\t/* walk\n\t * them */\n\teach(x, y) {\n\t}\n\t// again\n"
          "\teach(x,\n\t     y)\n\t\tx++;\nout:\n\teach(x, y)\n\t\tx--;\n}\n"
          "static int\n\t/* the loop */\n\teach(int a, int b) {\n\treturn a;\n}\n");
  EXPECT_EQ(find_definitions("each", {t / "c.c"}, 200),
            "[1 definitions]\n── " + t / "c.c" +
                ":17-19\n17| \teach(int a, int b) {\n18| \treturn a;\n19| }\n");
  t.write("d.c",
          "int h(void)\n{\n\t/* walk */\n\teach(x, y)\n\t\tx++;\nout:\n\teach(x, y) {\n\t}\n}\n");
  EXPECT_NE(find_definitions("each", {t / "d.c"}, 200).find("의 정의를 못 찾았다"),
            std::string::npos);
}

TEST(Def, CapCountAndNotFound) {
  TempDir t;
  std::string twelve, eleven;
  for (int k = 0; k < 12; ++k) twelve += "fn sym() {}\n";
  for (int k = 0; k < 11; ++k) eleven += "fn sym() {}\n";
  t.write("twelve.rs", twelve + "fn sym() {}\n");
  // Past the cap the note gives the total and every other definition is
  // listed by its place and first line.
  std::string out = find_definitions("sym", {t / "twelve.rs"}, 200);
  EXPECT_EQ(out.find("definitions]"), std::string::npos);
  EXPECT_TRUE(ends_with(out,
                        "12| fn sym() {}\n[… 12개까지만 표시: 심볼을 더 좁혀라]\n"
                        "[모두 13개: 나머지 1개는 위치와 첫 줄만]\n" +
                            t / "twelve.rs" + ":13-13: fn sym() {}\n"))
      << out;
  // A listed definition names its whole range, the lines past def's cap
  // included, so one `read` gets all of it.
  std::string long_defs;
  for (int k = 0; k < 13; ++k)
    long_defs += "#[inline]\nfn sym() {\n" + std::string(250, '\n') + "}\n";
  t.write("long.rs", long_defs);
  out = find_definitions("sym", {t / "long.rs"}, 200);
  EXPECT_TRUE(ends_with(out, t / "long.rs" + ":3038-3289: fn sym() {\n")) << out;
  t.write("eleven.rs", eleven);
  out = find_definitions("sym", {t / "eleven.rs"}, 200);
  EXPECT_TRUE(starts_with(out, "[11 definitions]\n── " + t / "eleven.rs" + ":1-1\n")) << out;
  // Exactly twelve is a complete answer: no cap note.
  t.write("only12.rs", twelve);
  out = find_definitions("sym", {t / "only12.rs"}, 200);
  EXPECT_TRUE(starts_with(out, "[12 definitions]\n")) << out;
  EXPECT_EQ(out.find("12개까지만"), std::string::npos);

  // The hint names the roots that were given, in a command that works.
  t.write("w.c", "int foobar = 1;\nfoobar(2);\n");
  out = find_definitions("foo", {t / "w.c"}, 200);
  EXPECT_EQ(out,
            "[`foo` 의 정의를 못 찾았다: 참조까지 보려면 `zub grep -w foo " + t / "w.c" + "`]\n");
  // A block cut by -n says where the definition ends and how to read the rest;
  // one that ends within the cap says nothing.
  std::string body;
  for (int k = 0; k < 8; ++k) body += "  x();\n";
  t.write("cut.c", "void run(void)\n{\n" + body + "}\n");
  out = find_definitions("run", {t / "cut.c"}, 4);
  EXPECT_NE(out.find("── " + t / "cut.c" +
                     ":1-5 [… 5줄까지만 표시: 정의는 11줄에서 끝난다. 나머지는 zub read " +
                     t / "cut.c" + " 6-11]\n1| void run(void)\n"),
            std::string::npos)
      << out;
  EXPECT_TRUE(ends_with(out, "5|   x();\n"));
  EXPECT_NE(find_definitions("run", {t / "cut.c"}, 10).find(":1-11\n"), std::string::npos);
  t.write("cut.zig", "fn run() {\n" + body + "}\n");
  out = find_definitions("run", {t / "cut.zig"}, 3);
  EXPECT_NE(out.find(":1-4 [… 4줄까지만 표시: 정의는 10줄에서 끝난다. 나머지는 zub read " +
                     t / "cut.zig" + " 5-10]\n"),
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
  // No root is the working directory.
  zub_test::RunOptions here;
  here.cwd = t.path();
  r = zub_test::run_zub({"def", "Run", "-n", "5"}, here);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "[1 definitions]\n── ./a.go:1-2\n1| func Run() {\n2| }\n");
  EXPECT_EQ(r.err, "");
  // Nothing found is status 1.
  r = zub_test::run_zub({"def", "Nope", t.path()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "@ " + t.path() +
                       "/\n[`Nope` 의 정의를 못 찾았다: 참조까지 보려면 `zub grep -w Nope " +
                       t.path() + "`]\n");
}

namespace {

// The "── path:a-b" headers of a report, without the path's directory.
std::vector<std::string> headers(const std::string& report) {
  std::vector<std::string> out;
  for (std::string_view l : split_lines(report)) {
    if (!starts_with(l, "── ")) continue;
    const size_t slash = l.rfind('/', l.find(':'));
    out.emplace_back(slash == std::string_view::npos ? l.substr(7) : l.substr(slash + 1));
  }
  return out;
}

std::vector<std::string> def_headers(const std::string& sym, const std::string& root) {
  DefOptions o;
  o.symbol = sym;
  o.roots = {root};
  return headers(find_definitions(o, 2).text);
}

using Headers = std::vector<std::string>;

}  // namespace

TEST(Def, QualifiedNamesFindTheMemberOfWhatTheyName) {
  TempDir t;
  t.write("py/sess.py",
          "class Session(object):\n    def request(self, method,\n                url):\n"
          "        return method\n\n\ndef request(method, url):\n    return Session().request()\n");
  EXPECT_EQ(def_headers("Session.request", t / "py"), Headers{"sess.py:2-4"});
  EXPECT_EQ(def_headers("request", t / "py"), (Headers{"sess.py:2-4", "sess.py:7-8"}));

  t.write("java/Utils.java",
          "public final class Utils {\n    public static boolean isBlank(String s) {\n"
          "        return s.isEmpty();\n    }\n    static class Inner {\n"
          "        boolean isBlank(String s) { return false; }\n    }\n}\n");
  EXPECT_EQ(def_headers("Utils.isBlank", t / "java"), Headers{"Utils.java:2-4"});
  EXPECT_EQ(def_headers("Utils#isBlank", t / "java"), Headers{"Utils.java:2-4"});
  EXPECT_EQ(def_headers("Utils.Inner.isBlank", t / "java"), Headers{"Utils.java:6-6"});

  // Go: the receiver, in either spelling; a package name is the directory.
  t.write("go/cmd/cmd.go",
          "package cmd\n\nfunc (c *Command) Execute() error {\n\treturn nil\n}\n\n"
          "func (o Other) Execute() error {\n\treturn nil\n}\n\nfunc Execute() {}\n");
  EXPECT_EQ(def_headers("Command.Execute", t / "go"), Headers{"cmd.go:3-5"});
  EXPECT_EQ(def_headers("(*Command).Execute", t / "go"), Headers{"cmd.go:3-5"});
  EXPECT_EQ(def_headers("cmd.Execute", t / "go"), Headers{"cmd.go:11-11"});

  // C++: a template member defined out of line or in the class, nested
  // namespaces, a class of the same name elsewhere.
  t.write("cc/list.h",
          "namespace ns {\ntemplate <typename T>\nclass GTEST_API_ List {\n public:\n"
          "  void Insert(const T& v);\n  int Size() const { return n_; }\n};\n\n"
          "template <typename T>\nvoid List<T>::Insert(const T& v) {\n  ++n_;\n}\n\n"
          "class Class {\n  void method() {\n  }\n};\n}  // namespace ns\n"
          "namespace other {\nclass Class {\n  void method() {}\n};\n}\n");
  EXPECT_EQ(def_headers("List::Insert", t / "cc"), Headers{"list.h:10-12"});
  EXPECT_EQ(def_headers("ns::List::Size", t / "cc"), Headers{"list.h:6-6"});
  EXPECT_EQ(def_headers("ns::Class::method", t / "cc"), Headers{"list.h:15-16"});
  EXPECT_EQ(def_headers("Class::method", t / "cc"), (Headers{"list.h:15-16", "list.h:21-21"}));

  // Rust: an impl names its type; the trait answers only when nothing
  // holds the member itself.
  t.write("rs/shapes.rs",
          "impl Point {\n    pub fn new() -> Self {\n        Point {}\n    }\n}\n"
          "impl<'a> fmt::Display for &'a mut Point {\n    fn fmt(&self) -> fmt::Result {\n"
          "        Ok(())\n    }\n}\npub trait Shape {\n    fn area(&self) -> f64;\n}\n"
          "impl Shape for Circle {\n    fn area(&self) -> f64 {\n        3.0\n    }\n}\n");
  EXPECT_EQ(def_headers("Point::fmt", t / "rs"), Headers{"shapes.rs:7-9"});
  EXPECT_EQ(def_headers("Display::fmt", t / "rs"), Headers{"shapes.rs:7-9"});
  EXPECT_EQ(def_headers("Shape::area", t / "rs"), Headers{"shapes.rs:12-12"});
  EXPECT_EQ(def_headers("Circle::area", t / "rs"), Headers{"shapes.rs:15-17"});

  // JavaScript: prototype assignments, object literals, a class expression
  // known by the name it was assigned to.
  t.write("js/user.js",
          "User.prototype.save = function (cb) {\n  cb(null);\n};\nvar api = {\n"
          "  list: function (req, res) {\n    res.send([]);\n  },\n};\n"
          "Dep.Template = class DepTemplate extends Base {\n  apply(source) {\n"
          "    return source;\n  }\n};\nfunction save() {}\n");
  EXPECT_EQ(def_headers("User.save", t / "js"), Headers{"user.js:1-3"});
  EXPECT_EQ(def_headers("api.list", t / "js"), Headers{"user.js:5-7"});
  EXPECT_EQ(def_headers("Template.apply", t / "js"), Headers{"user.js:10-12"});
  EXPECT_EQ(def_headers("DepTemplate.apply", t / "js"), Headers{"user.js:10-12"});

  // Held by something else: the hint counts those and says how to see them.
  DefOptions o;
  o.symbol = "Nope.request";
  o.roots = {t / "py"};
  const DefReport r = find_definitions(o, 1);
  EXPECT_EQ(r.found, 0u);
  EXPECT_NE(r.text.find("다른 곳에 있는 `request` 의 정의 2개는 `zub def request " + t / "py" +
                        "`, 참조까지 보려면 `zub grep -w request " + t / "py" + "`]"),
            std::string::npos)
      << r.text;
}

TEST(Def, LongTypesPrintTheirMembersAndCutBlocksSayWhereTheyEnd) {
  TempDir t;
  std::string cls = "@Service\npublic class Store\n    extends Base {\n";
  for (int k = 0; k < 20; ++k) {
    const std::string n = std::to_string(k);
    cls += "    @Override\n    public int get" + n + "() {\n        return " + n + ";\n    }\n";
  }
  cls += "}\n";
  t.write("Store.java", cls);
  DefOptions o;
  o.symbol = "Store";
  o.roots = {t / "Store.java"};
  std::string out = find_definitions(o, 1).text;
  // The head, each member's line, the closing line, and how to read it all.
  EXPECT_TRUE(starts_with(out, "[1 definitions]\n── " + t / "Store.java" +
                                   ":2-84 [83줄: 머리와 멤버 20개만. 전체는 zub read " +
                                   t / "Store.java" +
                                   " 2-84]\n2| public class Store\n3|     extends Base {\n"
                                   "5|     public int get0() {\n9|     public int get1() {\n"))
      << out;
  EXPECT_TRUE(ends_with(out, "81|     public int get19() {\n84| }\n")) << out;
  EXPECT_EQ(out.find("@Override"), std::string::npos);
  // Asked for lines, the type prints as a block, cut where -n says.
  o.lines = 10;
  o.lines_given = true;
  out = find_definitions(o, 1).text;
  EXPECT_NE(out.find("── " + t / "Store.java" +
                     ":2-12 [… 11줄까지만 표시: 정의는 84줄에서 끝난다. 나머지는 zub read " +
                     t / "Store.java" + " 13-84]\n2| public class Store\n"),
            std::string::npos)
      << out;
  EXPECT_TRUE(ends_with(out, "11|     }\n12|     @Override\n")) << out;

  // Python: the members are the lines at the body's indentation.
  std::string py = "class Cache:\n    \"\"\"Doc.\n\n    def not_a_member(self):\n    \"\"\"\n";
  for (int k = 0; k < 3; ++k) {
    py += "    @property\n    def get" + std::to_string(k) + "(self):\n";
    for (int j = 0; j < 20; ++j) py += "        x = " + std::to_string(j) + "\n";
  }
  t.write("cache.py", py);
  EXPECT_EQ(def_headers("Cache", t / "cache.py"),
            Headers{"cache.py:1-71 [71줄: 머리와 멤버 3개만. 전체는 zub read " + t / "cache.py" +
                    " 1-71]"});
  o.symbol = "Cache";
  o.roots = {t / "cache.py"};
  o.lines = kDefDefaultLines;
  o.lines_given = false;
  out = find_definitions(o, 1).text;
  EXPECT_TRUE(ends_with(out,
                        "]\n1| class Cache:\n7|     def get0(self):\n"
                        "29|     def get1(self):\n51|     def get2(self):\n71|         x = 19\n"))
      << out;

  // A function longer than the cap, and a data struct without members to
  // list, print as blocks cut at 200 lines with their real end.
  std::string fn = "static int big(void) {\n";
  for (int k = 0; k < 300; ++k) fn += "  x += " + std::to_string(k) + ";\n";
  fn += "}\nstruct regs {\n";
  for (int k = 0; k < 70; ++k) fn += "  int r" + std::to_string(k) + ";\n";
  fn += "};\n";
  t.write("big.c", fn);
  EXPECT_EQ(def_headers("big", t / "big.c"),
            Headers{"big.c:1-201 [… 201줄까지만 표시: 정의는 302줄에서 끝난다. 나머지는 zub read " +
                    t / "big.c" + " 202-302]"});
  EXPECT_EQ(def_headers("regs", t / "big.c"), Headers{"big.c:303-374"});

  // Fields among comments and conditionals stand for the body: each
  // declaration's first line (a function pointer over two lines once, a
  // member macro without ";"), nested blocks and preprocessor lines left out.
  std::string c = "struct task {\n  fields_start\n";
  for (int k = 0; k < 20; ++k)
    c += "#ifdef CONFIG_" + std::to_string(k) + "\n  /* field " + std::to_string(k) +
         " */\n  int f" + std::to_string(k) + "; /* note */\n#endif\n";
  c += "  void (*fn)(int a,\n             int b);\n  struct {\n    int in;\n  } nested;\n};\n";
  t.write("task.h", c);
  o.symbol = "task";
  o.roots = {t / "task.h"};
  out = find_definitions(o, 1).text;
  EXPECT_NE(out.find("task.h:1-88 [88줄: 머리와 멤버 23개만."), std::string::npos) << out;
  EXPECT_NE(out.find("\n1| struct task {\n2|   fields_start\n5|   int f0; /* note */\n"),
            std::string::npos)
      << out;
  EXPECT_TRUE(ends_with(out,
                        "81|   int f19; /* note */\n83|   void (*fn)(int a,\n85|   struct {\n"
                        "88| };\n"))
      << out;
}

TEST(Def, NamedLargeFilesAreReadAndWalkedOnesCounted) {
  TempDir t;
  // A generated header over the walk's 2 MiB cap with one definition in it.
  std::string big;
  while (big.size() <= (2u << 20)) big += "#define REG_" + std::to_string(big.size()) + " 1\n";
  big += "static inline int big_lookup(int x) {\n  return x;\n}\n";
  t.write("gen/regs.h", big);
  t.write("gen/use.c", "int f(void) { return big_lookup(2); }\n");
  const std::string regs = t / "gen/regs.h";

  zub_test::Run r = zub_test::run_zub({"def", "big_lookup", regs});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("[1 definitions]\n── " + regs + ":"), std::string::npos) << r.out;
  r = zub_test::run_zub({"def", "big_lookup", t / "gen"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(ends_with(r.out, "`]\n[1 skipped for size (--all)]\n")) << r.out;
  r = zub_test::run_zub({"def", "big_lookup", t / "gen", "--all"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("[1 definitions]\n── regs.h:"), std::string::npos) << r.out;

  r = zub_test::run_zub({"grep", "-w", "big_lookup", t / "gen"});
  EXPECT_TRUE(ends_with(r.out, "[1 files, 1 hits, 1 skipped for size (--all)]\n")) << r.out;
  r = zub_test::run_zub({"grep", "-w", "big_lookup", regs, t / "gen/use.c"});
  EXPECT_TRUE(ends_with(r.out, "[2 files, 2 hits]\n")) << r.out;
  r = zub_test::run_zub({"grep", "-C", "1", "big_lookup", regs});
  EXPECT_NE(r.out.find("-   return x;\n"), std::string::npos) << r.out;
}

TEST(Def, ReportDoesNotDependOnThreads) {
  TempDir t;
  for (int d = 0; d < 30; ++d)
    for (int f = 0; f < 10; ++f)
      t.write(std::string("d")
                  .append(std::to_string(d))
                  .append("/f")
                  .append(std::to_string(f))
                  .append(".go"),
              (f % 3 == 0 ? "func Run() {\n}\n" : "func other() { Run() }\n"));
  DefOptions o;
  o.symbol = "Run";
  o.roots = {t.path()};
  const DefReport one = find_definitions(o, 1);
  EXPECT_EQ(one.found, 120u);
  EXPECT_EQ(find_definitions(o, 4).text, one.text);
}

TEST(Def, CodeBeforeProse) {
  TempDir t;
  t.write("docs/advanced.rst", "Session\n=======\n\nAbout the session.\n");
  t.write("docs/guide.md", "# Session\n\ntext\n\n# Only prose\n\nmore\n");
  t.write("src/s.py", "class Session:\n    pass\n");
  DefOptions o;
  o.symbol = "Session";
  o.roots = {t.path()};
  // A walk that meets a code definition leaves the sections out, and says
  // how many and how to see them.
  DefReport r = find_definitions(o);
  EXPECT_EQ(r.found, 1u) << r.text;
  EXPECT_EQ(r.text.find("advanced.rst"), std::string::npos) << r.text;
  EXPECT_NE(r.text.find("[문서의 절 2개는 뺐다: 코드에 정의가 있다. 함께 보려면 --docs]\n"),
            std::string::npos)
      << r.text;
  // --docs shows them in walk order; a document named as a root is never
  // left out; a name only prose defines gives its sections.
  o.docs = true;
  r = find_definitions(o);
  EXPECT_EQ(r.found, 3u) << r.text;
  EXPECT_LT(r.text.find("advanced.rst"), r.text.find("s.py")) << r.text;
  EXPECT_EQ(r.text.find("뺐다"), std::string::npos) << r.text;
  o.docs = false;
  o.roots = {t / "src", t / "docs/guide.md"};
  r = find_definitions(o);
  EXPECT_EQ(r.found, 2u) << r.text;
  o.roots = {t.path()};
  o.symbol = "Only";
  r = find_definitions(o);
  EXPECT_EQ(r.found, 1u) << r.text;
  EXPECT_NE(r.text.find("guide.md:5-7"), std::string::npos) << r.text;
}
