#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "code/declaration.h"
#include "search/def.h"
#include "support/run_zub.h"

using namespace zub;
using zub_test::TempDir;

namespace {

// The "{start}-{end}" of every block the report prints, in order.
std::vector<std::string> spans(const std::string& report) {
  std::vector<std::string> out;
  for (std::string_view l : split_lines(report)) {
    if (!starts_with(l, "── ")) continue;
    const size_t colon = l.rfind(':');
    out.emplace_back(l.substr(colon + 1));
  }
  return out;
}

std::vector<std::string> def_spans(const TempDir& t, const std::string& file,
                                   const std::string& sym) {
  return spans(find_definitions(sym, {t / file}, 200));
}

// Line numbers that `outline` prints for `file`.
std::vector<int> outline_numbers(const std::string& file) {
  std::vector<int> out;
  const std::string text = zub_test::run_zub({"outline", file}).out;
  for (std::string_view l : split_lines(text)) {
    const size_t bar = l.find("| ");
    if (bar != std::string_view::npos) out.push_back(std::stoi(std::string(l.substr(0, bar))));
  }
  return out;
}

using Spans = std::vector<std::string>;
using Lines = std::vector<int>;

}  // namespace

TEST(Declaration, CDefinitionsAndWhatIsNot) {
  TempDir t;
  t.write("exit.c",
          "#include <linux/sched.h>\n"                              // 1
          "#define task_alive(p) \\\n"                              // 2
          "\t((p)->state != 0)\n"                                   // 3
          "#undef task_alive\n"                                     // 4
          "static int reap(struct task *p);\n"                      // 5
          "typedef struct { int a; } reap_t;\n"                     // 6
          "struct task {\n"                                         // 7
          "\tint state;\n"                                          // 8
          "};\n"                                                    // 9
          "enum mode { MODE_A, MODE_B = 2 };\n"                     // 10
          "static unsigned long reap_count = 0;\n"                  // 11
          "\n"                                                      // 12
          "void __noreturn do_exit(long code)\n"                    // 13
          "{\n"                                                     // 14
          "\tstruct task *p = current;\n"                           // 15
          "\tif (reap(p)) {\n"                                      // 16
          "\t\treap(p);\n"                                          // 17
          "\t}\n"                                                   // 18
          "\tlist_for_each(p, &head) {\n"                           // 19
          "\t\treturn reap(p);\n"                                   // 20
          "\t}\n"                                                   // 21
          "\treap_count = reap(p);\n"                               // 22
          "}\n"                                                     // 23
          "\n"                                                      // 24
          "static int\n"                                            // 25
          "reap(struct task *p)\n"                                  // 26
          "{\n"                                                     // 27
          "\treturn 0;\n"                                           // 28
          "}\n"                                                     // 29
          "int old_style(a, b)\n"                                   // 30
          "\tint a;\n"                                              // 31
          "\tchar *b;\n"                                            // 32
          "{\n"                                                     // 33
          "\treturn a;\n"                                           // 34
          "}\n"                                                     // 35
          "static struct task *find_reaper(struct task *father,\n"  // 36
          "\t\t\t\t      struct task *dead,\n"                      // 37
          "\t\t\t\t      int a,\n"                                  // 38
          "\t\t\t\t      int b)\n"                                  // 39
          "\t__releases(&lock)\n"                                   // 40
          "{\n"                                                     // 41
          "\treturn father;\n"                                      // 42
          "}\n"                                                     // 43
          "list_for_each(p, &head);\n");                            // 44
  // The prototype on line 5, the calls on 16, 17, 20 and 22: none counts.
  EXPECT_EQ(def_spans(t, "exit.c", "reap"), Spans({"26-29"}));
  EXPECT_EQ(def_spans(t, "exit.c", "do_exit"), Spans({"13-23"}));
  EXPECT_EQ(def_spans(t, "exit.c", "task_alive"), Spans({"2-3"}));  // not the #undef
  EXPECT_EQ(def_spans(t, "exit.c", "reap_t"), Spans({"6-6"}));
  EXPECT_EQ(def_spans(t, "exit.c", "task"), Spans({"7-9"}));  // not "struct task *p"
  EXPECT_EQ(def_spans(t, "exit.c", "MODE_B"), Spans({"10-10"}));
  EXPECT_EQ(def_spans(t, "exit.c", "reap_count"), Spans({"11-11"}));
  EXPECT_EQ(def_spans(t, "exit.c", "old_style"), Spans({"30-35"}));
  // The body opens six lines below the name: the block still reaches its end.
  EXPECT_EQ(def_spans(t, "exit.c", "find_reaper"), Spans({"36-43"}));
  EXPECT_EQ(def_spans(t, "exit.c", "list_for_each"), Spans{});

  // A file that ends inside a head: nothing is read past its last line.
  t.write("cut.cc", "int cut(void) __attribute__((x))\n  noexcept");
  EXPECT_EQ(def_spans(t, "cut.cc", "cut"), Spans{});
  EXPECT_EQ(outline_numbers(t / "cut.cc"), Lines{});

  // No local variable, call or statement; the prototype is a declaration.
  EXPECT_EQ(outline_numbers(t / "exit.c"), Lines({1, 2, 5, 6, 7, 10, 11, 13, 26, 30, 36}));
}

TEST(Declaration, CppDefinitions) {
  TempDir t;
  t.write("shape.h",
          "namespace geo {\n"                                 // 1
          "using Length = double;\n"                          // 2
          "template <typename T>\n"                           // 3
          "class Shape : public Base<T> {\n"                  // 4
          " public:\n"                                        // 5
          "  explicit Shape(int sides) : sides_(sides) {}\n"  // 6
          "  ~Shape() override { Release(); }\n"              // 7
          "  virtual Length Area() const = 0;\n"              // 8
          "  void Scale(double f);\n"                         // 9
          "  bool operator==(const Shape& o) const {\n"       // 10
          "    return sides_ == o.sides_;\n"                  // 11
          "  }\n"                                             // 12
          " private:\n"                                       // 13
          "  int sides_;\n"                                   // 14
          "};\n"                                              // 15
          "template <typename T>\n"                           // 16
          "void Shape<T>::Scale(double f) {\n"                // 17
          "  Shape<T> copy(*this);\n"                         // 18
          "  copy.Scale(f);\n"                                // 19
          "}\n"                                               // 20
          "}  // namespace geo\n"                             // 21
          "// using Length = int;\n");                        // 22
  EXPECT_EQ(def_spans(t, "shape.h", "Shape"),
            Spans({"4-15", "6-6"}));                           // the class and its constructor
  EXPECT_EQ(def_spans(t, "shape.h", "Area"), Spans({"8-8"}));  // pure virtual: no other definition
  EXPECT_EQ(def_spans(t, "shape.h", "Scale"), Spans({"17-20"}));  // not the member prototype
  EXPECT_EQ(def_spans(t, "shape.h", "operator=="), Spans({"10-12"}));
  EXPECT_EQ(def_spans(t, "shape.h", "Length"), Spans({"2-2"}));
  EXPECT_EQ(def_spans(t, "shape.h", "geo"), Spans({"1-21"}));
  EXPECT_EQ(outline_numbers(t / "shape.h"), Lines({1, 2, 4, 6, 7, 8, 9, 10, 17}));
}

TEST(Declaration, JavaAndCSharpDefinitions) {
  TempDir t;
  t.write("Pool.java",
          "package demo;\n"                                            // 1
          "import java.util.List;\n"                                   // 2
          "public interface Task { void run(); }\n"                    // 3
          "public abstract class Pool<T> implements Task {\n"          // 4
          "  private final int size = compute(3);\n"                   // 5
          "  @Override\n"                                              // 6
          "  public synchronized <R> List<R> map(Function<T, R> f)\n"  // 7
          "      throws IOException {\n"                               // 8
          "    run();\n"                                               // 9
          "    return this.map(f);\n"                                  // 10
          "  }\n"                                                      // 11
          "  protected abstract int compute(int n);\n"                 // 12
          "  Pool(int n) {\n"                                          // 13
          "    new Thread() { public void run() { compute(n); } };\n"  // 14
          "  }\n"                                                      // 15
          "}\n");                                                      // 16
  EXPECT_EQ(def_spans(t, "Pool.java", "run"),
            Spans({"3-3", "14-14"}));  // interface method, anonymous class
  EXPECT_EQ(def_spans(t, "Pool.java", "map"), Spans({"7-11"}));
  EXPECT_EQ(def_spans(t, "Pool.java", "compute"), Spans({"12-12"}));
  EXPECT_EQ(def_spans(t, "Pool.java", "Pool"), Spans({"4-16", "13-15"}));
  EXPECT_EQ(def_spans(t, "Pool.java", "size"), Spans({"5-5"}));
  EXPECT_EQ(outline_numbers(t / "Pool.java"), Lines({1, 2, 3, 4, 5, 6, 7, 12, 13}));

  t.write("Point.cs",
          "namespace Geo {\n"                                             // 1
          "  public record Point(int X, int Y) {\n"                       // 2
          "    public int Sum => X + Y;\n"                                // 3
          "    public double Length() => Math.Sqrt(X * X + Y * Y);\n"     // 4
          "    public static Point Origin { get; } = new Point(0, 0);\n"  // 5
          "  }\n"                                                         // 6
          "}\n");                                                         // 7
  EXPECT_EQ(def_spans(t, "Point.cs", "Length"), Spans({"4-4"}));
  EXPECT_EQ(def_spans(t, "Point.cs", "Origin"), Spans({"5-5"}));
  EXPECT_EQ(def_spans(t, "Point.cs", "Point"), Spans({"2-6"}));
}

TEST(Declaration, GoRustPythonDefinitions) {
  TempDir t;
  t.write("server.go",
          "package http\n"                                    // 1
          "import \"net\"\n"                                  // 2
          "type Handler interface {\n"                        // 3
          "\tServe(l net.Listener) error\n"                   // 4
          "}\n"                                               // 5
          "type (\n"                                          // 6
          "\tMode int\n"                                      // 7
          ")\n"                                               // 8
          "func (s *Server) Serve(l net.Listener) error {\n"  // 9
          "\tvar h Handler\n"                                 // 10
          "\treturn h.Serve(l)\n"                             // 11
          "}\n"                                               // 12
          "func Map[T any](xs []T) []T {\n"                   // 13
          "\tServe(nil)\n"                                    // 14
          "\treturn xs\n"                                     // 15
          "}\n");                                             // 16
  EXPECT_EQ(def_spans(t, "server.go", "Serve"), Spans({"4-4", "9-12"}));
  EXPECT_EQ(def_spans(t, "server.go", "Map"), Spans({"13-16"}));
  EXPECT_EQ(def_spans(t, "server.go", "Mode"), Spans({"7-7"}));
  EXPECT_EQ(outline_numbers(t / "server.go"), Lines({1, 2, 3, 4, 6, 9, 13}));

  t.write("lib.rs",
          "use std::fmt;\n"                        // 1
          "pub trait Visit {\n"                    // 2
          "    fn visit(&self);\n"                 // 3
          "}\n"                                    // 4
          "#[derive(Debug)]\n"                     // 5
          "pub(crate) struct Node<T> { v: T }\n"   // 6
          "impl<T> Visit for Node<T> {\n"          // 7
          "    fn visit(&self) {\n"                // 8
          "        let visit = 1;\n"               // 9
          "        visit(self);\n"                 // 10
          "    }\n"                                // 11
          "}\n"                                    // 12
          "pub async fn load() -> u8 { 0 }\n"      // 13
          "impl Visit for crate::Node<u8> {}\n");  // 14
  EXPECT_EQ(def_spans(t, "lib.rs", "visit"), Spans({"3-3", "8-11"}));
  EXPECT_EQ(def_spans(t, "lib.rs", "Node"), Spans({"6-6", "7-12", "14-14"}));
  EXPECT_EQ(def_spans(t, "lib.rs", "Visit"), Spans({"2-4"}));  // not as the trait of an impl
  EXPECT_EQ(def_spans(t, "lib.rs", "load"), Spans({"13-13"}));
  EXPECT_EQ(outline_numbers(t / "lib.rs"), Lines({1, 2, 3, 5, 6, 7, 8, 13, 14}));

  t.write("jobs.py",
          "import os\n"                    // 1
          "LIMIT = 3\n"                    // 2
          "class Job:\n"                   // 3
          "    retries = 2\n"              // 4
          "    @property\n"                // 5
          "    async def run(self):\n"     // 6
          "        retries = run(self)\n"  // 7
          "        return retries\n"       // 8
          "\"\"\"\n"                       // 9
          "def run(x):\n"                  // 10
          "\"\"\"\n"                       // 11
          "run(Job())\n");                 // 12
  // With its decorator; not the call, not inside the string.
  EXPECT_EQ(def_spans(t, "jobs.py", "run"), Spans({"5-8"}));
  EXPECT_EQ(def_spans(t, "jobs.py", "retries"), Spans({"4-4"}));
  EXPECT_EQ(def_spans(t, "jobs.py", "LIMIT"), Spans({"2-2"}));
  EXPECT_EQ(outline_numbers(t / "jobs.py"), Lines({1, 3, 5, 6}));
}

TEST(Declaration, JavaScriptAndTypeScriptDefinitions) {
  TempDir t;
  t.write("cache.js",
          "import { a } from './a.js';\n"                // 1
          "const pattern = /[}'\"]/g;\n"                 // 2
          "export class Cache extends Base {\n"          // 3
          "  #items = new Map();\n"                      // 4
          "  static create() { return new Cache(); }\n"  // 5
          "  async load(key) {\n"                        // 6
          "    if (load(key)) {\n"                       // 7
          "      this.load(key);\n"                      // 8
          "    }\n"                                      // 9
          "    return load(key);\n"                      // 10
          "  }\n"                                        // 11
          "  get size() { return this.#items.size; }\n"  // 12
          "  #evict() {}\n"                              // 13
          "}\n"                                          // 14
          "const opts = {\n"                             // 15
          "  evict: function (k) { return k; },\n"       // 16
          "};\n"                                         // 17
          "load(1);\n"                                   // 18
          "export const make = async (x) => {\n"         // 19
          "  return x;\n"                                // 20
          "};\n"                                         // 21
          "Cache.Template = class CacheTemplate {\n"     // 22
          "  get(key) { return key; }\n"                 // 23
          "  get type() { return 1; }\n"                 // 24
          "};\n"                                         // 25
          "opts.limits = { max: 3 };\n");                // 26
  EXPECT_EQ(def_spans(t, "cache.js", "load"), Spans({"6-11"}));
  EXPECT_EQ(def_spans(t, "cache.js", "create"), Spans({"5-5"}));
  EXPECT_EQ(def_spans(t, "cache.js", "size"), Spans({"12-12"}));
  EXPECT_EQ(def_spans(t, "cache.js", "evict"), Spans({"13-13", "16-16"}));
  EXPECT_EQ(def_spans(t, "cache.js", "make"), Spans({"19-21"}));
  EXPECT_EQ(def_spans(t, "cache.js", "get"), Spans({"23-23"}));  // a method named like a modifier
  EXPECT_EQ(def_spans(t, "cache.js", "type"), Spans({"24-24"}));
  EXPECT_EQ(def_spans(t, "cache.js", "limits"), Spans({"26-26"}));  // a named object literal
  // The object literal's function member (16) too; not its call (18).
  EXPECT_EQ(outline_numbers(t / "cache.js"),
            Lines({1, 2, 3, 4, 5, 6, 12, 13, 15, 16, 19, 22, 23, 24, 26}));

  t.write("pipe.ts",
          "export interface Reader<T> {\n"                // 1
          "  read(n: number): T;\n"                       // 2
          "  readonly size?: number;\n"                   // 3
          "}\n"                                           // 4
          "export function pipe(): void;\n"               // 5
          "export function pipe<T>(x: T): T;\n"           // 6
          "export function pipe<T>(x?: T): T | void {\n"  // 7
          "  return x;\n"                                 // 8
          "}\n"                                           // 9
          "export abstract class Box<T> {\n"              // 10
          "  abstract open(): void;\n"                    // 11
          "  map<R>(f: (x: T) => R): { value: R } {\n"    // 12
          "    return { value: f(this.read()) };\n"       // 13
          "  }\n"                                         // 14
          "}\n"                                           // 15
          "type Id = string;\n"                           // 16
          "const read = pipe();\n");                      // 17
  EXPECT_EQ(def_spans(t, "pipe.ts", "read"), Spans({"2-2", "17-17"}));
  EXPECT_EQ(def_spans(t, "pipe.ts", "pipe"),
            Spans({"5-9"}));  // overloads print with the implementation
  EXPECT_EQ(def_spans(t, "pipe.ts", "open"), Spans({"11-11"}));
  EXPECT_EQ(def_spans(t, "pipe.ts", "map"), Spans({"12-14"}));
  EXPECT_EQ(def_spans(t, "pipe.ts", "size"), Spans({"3-3"}));
  EXPECT_EQ(def_spans(t, "pipe.ts", "Id"), Spans({"16-16"}));
  EXPECT_EQ(outline_numbers(t / "pipe.ts"), Lines({1, 2, 3, 5, 6, 7, 10, 11, 12, 16, 17}));
}
