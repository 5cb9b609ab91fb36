// Whole definitions over lines, the languages read by a scan of their own
// (Ruby, Lua, shell) or by the brace scan (Kotlin, Swift, PHP), and the
// declaration shapes outline used to miss: small fixtures in the shapes of
// real code, with the lines that must stay out.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/text.h"
#include "code/declaration.h"
#include "search/grep_options.h"

using namespace zub;

namespace {

struct Read {
  std::vector<std::string_view> lines;
  SourceText src;
};

// "start-end" (1-based) of every definition of `sym` in `text`, in order.
std::vector<std::string> defs(SourceLang lang, const std::string& text, std::string_view sym) {
  Read r;
  r.lines = split_lines(text);
  r.src = make_source_text(lang, r.lines);
  std::vector<std::string> out;
  for (size_t i = 0; i < r.lines.size(); ++i) {
    const std::string_view l = r.lines[i];
    for (size_t at = l.find(sym); at != std::string_view::npos; at = l.find(sym, at + 1)) {
      if ((at > 0 && is_ident_byte(l[at - 1])) ||
          (at + sym.size() < l.size() && is_ident_byte(l[at + sym.size()])))
        continue;
      const Head h = name_head(r.src, i, at, sym.size());
      if (h.kind != HeadKind::Definition) continue;
      const size_t end = h.end != kNoLine ? h.end : h.start;
      out.push_back(std::to_string(h.start + 1) + "-" + std::to_string(end + 1));
      break;
    }
  }
  return out;
}

// The lines (1-based) that outline lists.
std::vector<int> outline(SourceLang lang, const std::string& text) {
  const std::vector<std::string_view> lines = split_lines(text);
  SourceText src = make_source_text(lang, lines);
  src.extents = false;
  std::vector<int> out;
  for (size_t i = 0; i < lines.size(); ++i)
    if (is_outline_line(src, i)) out.push_back(static_cast<int>(i + 1));
  return out;
}

using Spans = std::vector<std::string>;
using Lines = std::vector<int>;

}  // namespace

TEST(WholeBlocks, HeadsOverLinesAndBodylessMembers) {
  const std::string py =
      "@app.route(\n"             // 1
      "    \"/x\",\n"             // 2
      ")\n"                       // 3
      "@cached\n"                 // 4
      "def handler(\n"            // 5
      "    a: int,\n"             // 6
      "    b: str = \"):\",\n"    // 7
      ") -> dict[str, int]:\n"    // 8
      "    text = \"\"\"\n"       // 9
      "a line at column 0\n"      // 10
      "\"\"\"\n"                  // 11
      "    # a comment inside\n"  // 12
      "    return {}\n"           // 13
      "# after it\n"              // 14
      "def one(): return 1\n";    // 15
  EXPECT_EQ(defs(SourceLang::Python, py, "handler"), Spans({"1-13"}));
  EXPECT_EQ(defs(SourceLang::Python, py, "one"), Spans({"15-15"}));
  // Imports at module and class level are shape, also under try or if; one
  // inside a function's body is not.
  const std::string imports =
      "import os\n"                 // 1
      "try:\n"                      // 2
      "    import ssl\n"            // 3
      "except ImportError:\n"       // 4
      "    ssl = None\n"            // 5
      "class A:\n"                  // 6
      "    from x import y\n"       // 7
      "    def f(self):\n"          // 8
      "        if y:\n"             // 9
      "            import re\n"     // 10
      "        from z import w\n";  // 11
  EXPECT_EQ(outline(SourceLang::Python, imports), Lines({1, 3, 6, 7, 8}));

  const std::string ts =
      "export class Store<S extends object>\n"  // 1
      "  extends Base<{\n"                      // 2
      "    state: S;\n"                         // 3
      "  }>\n"                                  // 4
      "  implements Disposable {\n"             // 5
      "  private tpl = `${\"}\"}`;\n"           // 6
      "  dispose(): void {}\n"                  // 7
      "}\n";                                    // 8
  EXPECT_EQ(defs(SourceLang::Ts, ts, "Store"), Spans({"1-8"}));
  // Braces in a template literal's substitutions, and templates inside them.
  const std::string js =
      "class Gen {\n"                              // 1
      "  generate() {\n"                           // 2
      "    return `var m = {\n"                    // 3
      "  h: ${JSON.stringify({ a: `${x}}` })},\n"  // 4
      "  f() { return ${fn(() => {\n"              // 5
      "    return `}`;\n"                          // 6
      "  })} }`;\n"                                // 7
      "  }\n"                                      // 8
      "  other() {}\n"                             // 9
      "}\n";                                       // 10
  EXPECT_EQ(defs(SourceLang::Js, js, "generate"), Spans({"2-8"}));
  EXPECT_EQ(defs(SourceLang::Js, js, "Gen"), Spans({"1-10"}));

  const std::string rs =
      "pub trait MapAccess<'de> {\n"                                         // 1
      "    fn next_key_seed<K>(&mut self, seed: K) -> Result<K, Self::E>\n"  // 2
      "    where\n"                                                          // 3
      "        K: DeserializeSeed<'de>;\n"                                   // 4
      "    fn next_value(&mut self) -> u8 {\n"                               // 5
      "        let c = '}';\n"                                               // 6
      "        1\n"                                                          // 7
      "    }\n"                                                              // 8
      "}\n";                                                                 // 9
  EXPECT_EQ(defs(SourceLang::Rust, rs, "next_key_seed"), Spans({"2-4"}));
  EXPECT_EQ(defs(SourceLang::Rust, rs, "next_value"), Spans({"5-8"}));

  const std::string java =
      "public class Cache<K,\n"         // 1
      "    V extends Comparable<V>>\n"  // 2
      "    implements Map<K, V> {\n"    // 3
      "  String s = \"}\";\n"           // 4
      "}\n";                            // 5
  EXPECT_EQ(defs(SourceLang::Java, java, "Cache"), Spans({"1-5"}));
  const std::string cs =
      "public sealed class Pool<T> : IPool\n"  // 1
      "    where T : class, new()\n"           // 2
      "{\n"                                    // 3
      "    string path = @\"C:\\x\n"           // 4
      "}\";\n"                                 // 5
      "}\n";                                   // 6
  EXPECT_EQ(defs(SourceLang::CSharp, cs, "Pool"), Spans({"1-6"}));
}

TEST(Languages, KotlinAndSwift) {
  const std::string kt =
      "package a.b\n"                               // 1
      "import x.Y\n"                                // 2
      "data class Point(val x: Int, val y: Int)\n"  // 3
      "sealed class Shape<T : Any>(\n"              // 4
      "    val name: String,\n"                     // 5
      ") : Base(), Drawable {\n"                    // 6
      "    abstract fun area(): Double\n"           // 7
      "    override fun draw(canvas: Canvas) {\n"   // 8
      "        val local = \"\"\" } \"\"\"\n"       // 9
      "        canvas.draw(local)\n"                // 10
      "    }\n"                                     // 11
      "    fun <R> List<R>.second(): R =\n"         // 12
      "        this[1]\n"                           // 13
      "    val isEmpty: Boolean\n"                  // 14
      "        get() = name.isEmpty()\n"            // 15
      "    companion object {\n"                    // 16
      "        const val MAX = 3\n"                 // 17
      "    }\n"                                     // 18
      "}\n"                                         // 19
      "typealias Handler = (Int) -> Unit\n";        // 20
  EXPECT_EQ(defs(SourceLang::Kotlin, kt, "Point"), Spans({"3-3"}));
  EXPECT_EQ(defs(SourceLang::Kotlin, kt, "Shape"), Spans({"4-19"}));
  EXPECT_EQ(defs(SourceLang::Kotlin, kt, "area"), Spans({"7-7"}));
  EXPECT_EQ(defs(SourceLang::Kotlin, kt, "draw"), Spans({"8-11"}));  // not the call
  EXPECT_EQ(defs(SourceLang::Kotlin, kt, "second"), Spans({"12-13"}));
  EXPECT_EQ(defs(SourceLang::Kotlin, kt, "isEmpty"), Spans({"14-15"}));
  EXPECT_EQ(defs(SourceLang::Kotlin, kt, "MAX"), Spans({"17-17"}));
  EXPECT_EQ(defs(SourceLang::Kotlin, kt, "name"), Spans({"5-5"}));  // a constructor property
  EXPECT_EQ(defs(SourceLang::Kotlin, kt, "local"), Spans{});        // a local value
  EXPECT_EQ(defs(SourceLang::Kotlin, kt, "Handler"), Spans({"20-20"}));
  EXPECT_EQ(outline(SourceLang::Kotlin, kt), Lines({1, 2, 3, 4, 7, 8, 12, 14, 16, 17, 20}));

  const std::string swift =
      "import Foundation\n"                          // 1
      "public protocol Loader {\n"                   // 2
      "  func load(url: URL) throws -> Data\n"       // 3
      "}\n"                                          // 4
      "enum Mode { case fast, slow }\n"              // 5
      "final class Cache: Loader {\n"                // 6
      "  private(set) var count = 0\n"               // 7
      "  func load(url: URL) throws -> Data {\n"     // 8
      "    let data = try Data(contentsOf: url)\n"   // 9
      "    return data\n"                            // 10
      "  }\n"                                        // 11
      "}\n"                                          // 12
      "extension Cache {\n"                          // 13
      "  static func make() -> Cache { Cache() }\n"  // 14
      "}\n";                                         // 15
  EXPECT_EQ(defs(SourceLang::Swift, swift, "load"), Spans({"3-3", "8-11"}));
  EXPECT_EQ(defs(SourceLang::Swift, swift, "Cache"), Spans({"6-12", "13-15"}));
  EXPECT_EQ(defs(SourceLang::Swift, swift, "count"), Spans({"7-7"}));
  EXPECT_EQ(defs(SourceLang::Swift, swift, "data"), Spans{});
  EXPECT_EQ(defs(SourceLang::Swift, swift, "make"), Spans({"14-14"}));
  EXPECT_EQ(outline(SourceLang::Swift, swift), Lines({1, 2, 3, 5, 6, 7, 8, 13, 14}));
  // A property whose setter is private and whose value is a closure.
  const std::string lazy =
      "final class Ctx {\n"                               // 1
      "  public private(set) lazy var registry: R = {\n"  // 2
      "    return R(ctx: self)\n"                         // 3
      "  }()\n"                                           // 4
      "}\n";                                              // 5
  EXPECT_EQ(defs(SourceLang::Swift, lazy, "registry"), Spans({"2-4"}));
  // Initialisers, the deinitialiser and subscripts are members too; a
  // call of init inside a body is none.
  const std::string life =
      "class Pool {\n"                           // 1
      "  convenience init?(size: Int) {\n"       // 2
      "    self.init(size: size, name: \"\")\n"  // 3
      "  }\n"                                    // 4
      "  deinit {\n"                             // 5
      "    close()\n"                            // 6
      "  }\n"                                    // 7
      "  subscript(i: Int) -> Int { i }\n"       // 8
      "}\n";                                     // 9
  EXPECT_EQ(defs(SourceLang::Swift, life, "init"), Spans({"2-4"}));
  EXPECT_EQ(defs(SourceLang::Swift, life, "deinit"), Spans({"5-7"}));
  EXPECT_EQ(defs(SourceLang::Swift, life, "subscript"), Spans({"8-8"}));
  EXPECT_EQ(outline(SourceLang::Swift, life), Lines({1, 2, 5, 8}));
}

TEST(Languages, PhpClassesFunctionsAndConstants) {
  const std::string php =
      "<?php\n"                                                   // 1
      "namespace App\\Models;\n"                                  // 2
      "use Foo\\Bar;\n"                                           // 3
      "#[Attr]\n"                                                 // 4
      "abstract class User extends Model implements Arrayable\n"  // 5
      "{\n"                                                       // 6
      "    public const ROLE = 'admin';\n"                        // 7
      "    protected $fillable = ['name'];\n"                     // 8
      "    abstract protected function scope(): string;\n"        // 9
      "    public function toArray(): array\n"                    // 10
      "    {\n"                                                   // 11
      "        $sql = <<<SQL\n"                                   // 12
      "          function scope() { }\n"                          // 13
      "        SQL;\n"                                            // 14
      "        # scope() in a comment\n"                          // 15
      "        return $this->scope();\n"                          // 16
      "    }\n"                                                   // 17
      "}\n"                                                       // 18
      "function helper($x) { return $x; }\n"                      // 19
      "define('APP_VERSION', '1.0');\n";                          // 20
  EXPECT_EQ(defs(SourceLang::Php, php, "User"), Spans({"5-18"}));
  EXPECT_EQ(defs(SourceLang::Php, php, "scope"), Spans({"9-9"}));  // not the heredoc or the call
  EXPECT_EQ(defs(SourceLang::Php, php, "toArray"), Spans({"10-17"}));
  EXPECT_EQ(defs(SourceLang::Php, php, "ROLE"), Spans({"7-7"}));
  EXPECT_EQ(defs(SourceLang::Php, php, "APP_VERSION"), Spans({"20-20"}));
  EXPECT_EQ(outline(SourceLang::Php, php), Lines({2, 3, 4, 5, 7, 8, 9, 10, 19, 20}));
}

TEST(Languages, RubyBlocksCloseWithEnd) {
  const std::string rb =
      "require \"set\"\n"                                           // 1
      "module Outer\n"                                              // 2
      "  VERSION = \"1.0\"\n"                                       // 3
      "  class Thing < Base\n"                                      // 4
      "    attr_reader :name, :size\n"                              // 5
      "    def initialize(name)\n"                                  // 6
      "      @name = name if name\n"                                // 7
      "      x = <<~EOS\n"                                          // 8
      "        def fake\n"                                          // 9
      "      EOS\n"                                                 // 10
      "      %w(a b).each do |w| puts w end\n"                      // 11
      "      y = $' || :end\n"                                      // 12
      "    end\n"                                                   // 13
      "    def self.build(*args) = new(*args)\n"                    // 14
      "    def params=(hash)\n"                                     // 15
      "      while ready? do step end\n"                            // 16
      "    end\n"                                                   // 17
      "=begin\n"                                                    // 18
      "    def hidden\n"                                            // 19
      "=end\n"                                                      // 20
      "  end\n"                                                     // 21
      "end\n"                                                       // 22
      "Outer::Thing.build(1)\n";                                    // 23
  EXPECT_EQ(defs(SourceLang::Ruby, rb, "Outer"), Spans({"2-22"}));  // not the call's receiver
  EXPECT_EQ(defs(SourceLang::Ruby, rb, "Thing"), Spans({"4-21"}));
  EXPECT_EQ(defs(SourceLang::Ruby, rb, "initialize"), Spans({"6-13"}));
  EXPECT_EQ(defs(SourceLang::Ruby, rb, "build"), Spans({"14-14"}));  // endless
  EXPECT_EQ(defs(SourceLang::Ruby, rb, "params"), Spans({"15-17"}));
  EXPECT_EQ(defs(SourceLang::Ruby, rb, "VERSION"), Spans({"3-3"}));
  EXPECT_EQ(defs(SourceLang::Ruby, rb, "size"), Spans({"5-5"}));
  EXPECT_EQ(defs(SourceLang::Ruby, rb, "fake"), Spans{});    // in a heredoc
  EXPECT_EQ(defs(SourceLang::Ruby, rb, "hidden"), Spans{});  // in =begin
  EXPECT_EQ(outline(SourceLang::Ruby, rb), Lines({1, 2, 3, 4, 5, 6, 14, 15}));
}

TEST(Languages, LuaFunctionsAndTables) {
  const std::string lua =
      "local path = require(\"pl.path\")\n"                        // 1
      "local M = {}\n"                                             // 2
      "function M.join(a, b)\n"                                    // 3
      "  if a then return a .. b end\n"                            // 4
      "  --[[ function fake()\n"                                   // 5
      "  end ]]\n"                                                 // 6
      "  while a and\n"                                            // 7
      "      b do a = nil end\n"                                   // 8
      "  local s = [[ end ]]\n"                                    // 9
      "end\n"                                                      // 10
      "local function helper(x)\n"                                 // 11
      "  local inner = function() end\n"                           // 12
      "  return M.join(x, x)\n"                                    // 13
      "end\n"                                                      // 14
      "M.run = function(self)\n"                                   // 15
      "  repeat self:step() until done\n"                          // 16
      "end\n"                                                      // 17
      "cmp = function_arg(3, cmp)\n"                               // 18
      "return M\n";                                                // 19
  EXPECT_EQ(defs(SourceLang::Lua, lua, "join"), Spans({"3-10"}));  // not the call
  EXPECT_EQ(defs(SourceLang::Lua, lua, "helper"), Spans({"11-14"}));
  EXPECT_EQ(defs(SourceLang::Lua, lua, "inner"), Spans({"12-12"}));
  EXPECT_EQ(defs(SourceLang::Lua, lua, "run"), Spans({"15-17"}));
  EXPECT_EQ(defs(SourceLang::Lua, lua, "fake"), Spans{});
  EXPECT_EQ(defs(SourceLang::Lua, lua, "cmp"), Spans{});
  EXPECT_EQ(outline(SourceLang::Lua, lua), Lines({1, 3, 11, 12, 15}));
}

TEST(Languages, ShellFunctionsInEveryForm) {
  const std::string sh =
      "#!/bin/bash\n"                                               // 1
      "# usage() { in a comment\n"                                  // 2
      "usage() {\n"                                                 // 3
      "  cat <<EOF\n"                                               // 4
      "fake() { not a group\n"                                      // 5
      "EOF\n"                                                       // 6
      "  echo \"${HOME}/x\" {a,b} '}'\n"                            // 7
      "}\n"                                                         // 8
      "function zsh_style {\n"                                      // 9
      "  if true; then usage; fi\n"                                 // 10
      "}\n"                                                         // 11
      "function both() {\n"                                         // 12
      "  nested() { echo; }\n"                                      // 13
      "}\n"                                                         // 14
      "sub ()\n"                                                    // 15
      "(\n"                                                         // 16
      "  cd /tmp\n"                                                 // 17
      ")\n"                                                         // 18
      "usage \"$@\"\n";                                             // 19
  EXPECT_EQ(defs(SourceLang::Shell, sh, "usage"), Spans({"3-8"}));  // not the calls
  EXPECT_EQ(defs(SourceLang::Shell, sh, "zsh_style"), Spans({"9-11"}));
  EXPECT_EQ(defs(SourceLang::Shell, sh, "both"), Spans({"12-14"}));
  EXPECT_EQ(defs(SourceLang::Shell, sh, "nested"), Spans({"13-13"}));
  EXPECT_EQ(defs(SourceLang::Shell, sh, "sub"), Spans({"15-18"}));
  EXPECT_EQ(defs(SourceLang::Shell, sh, "fake"), Spans{});
  EXPECT_EQ(outline(SourceLang::Shell, sh), Lines({3, 9, 12, 13, 15}));
  EXPECT_EQ(source_lang("x/run.zsh"), SourceLang::Shell);
  EXPECT_EQ(source_lang("lib/a.rb"), SourceLang::Ruby);
}

TEST(OutlineShapes, DeclarationsOutlineUsedToMiss) {
  const std::string java =
      "class Svc {\n"                                                     // 1
      "    @SuppressWarnings(\"unchecked\") // raw list from the pool\n"  // 2
      "    public void run() {\n"                                         // 3
      "    }\n"                                                           // 4
      "    @Inject(optional = true)\n"                                    // 5
      "    Svc(Pool pool) {\n"                                            // 6
      "    }\n"                                                           // 7
      "    public <T> T[] toArray(T[] a) {\n"                             // 8
      "        return a;\n"                                               // 9
      "    }\n"                                                           // 10
      "    static final <E> E elementAt(Object[] es, int index) {\n"      // 11
      "        return (E) es[index];\n"                                   // 12
      "    }\n"                                                           // 13
      "}\n";                                                              // 14
  EXPECT_EQ(outline(SourceLang::Java, java), Lines({1, 2, 3, 5, 6, 8, 11}));

  const std::string cpp =
      "struct Less {\n"                                          // 1
      "  bool operator()(const int& a, const int& b) const {\n"  // 2
      "    return a < b;\n"                                      // 3
      "  }\n"                                                    // 4
      "};\n";                                                    // 5
  EXPECT_EQ(outline(SourceLang::Cpp, cpp), Lines({1, 2}));
  EXPECT_EQ(defs(SourceLang::Cpp, cpp, "operator()"), Spans({"2-4"}));

  const std::string js =
      "var User = {\n"                                         // 1
      "  index: function (req, res) {\n"                       // 2
      "    res.send(check(req));\n"                            // 3
      "  },\n"                                                 // 4
      "  name: 'function x',\n"                                // 5
      "};\n"                                                   // 6
      "defineGetter(req, 'protocol', function protocol() {\n"  // 7
      "  return 'http';\n"                                     // 8
      "});\n"                                                  // 9
      "function compile(fn) {\n"                               // 10
      "  var app = function(req) {};\n"                        // 11
      "  return function compiled(req) {\n"                    // 12
      "    return fn(req);\n"                                  // 13
      "  };\n"                                                 // 14
      "}\n";                                                   // 15
  // A function given to a local name is listed (a module built inside a
  // wrapper function defines everything so).
  EXPECT_EQ(outline(SourceLang::Js, js), Lines({1, 2, 7, 10, 11, 12}));
  EXPECT_EQ(defs(SourceLang::Js, js, "protocol"), Spans({"7-9"}));

  const std::string ts =
      "export class Box {\n"              // 1
      "  map<\n"                          // 2
      "    R,\n"                          // 3
      "  >(fn: (x: number) => R): R {\n"  // 4
      "    return fn(1);\n"               // 5
      "  }\n"                             // 6
      "}\n";                              // 7
  EXPECT_EQ(outline(SourceLang::Ts, ts), Lines({1, 2}));
  EXPECT_EQ(defs(SourceLang::Ts, ts, "map"), Spans({"2-6"}));
}

TEST(OutlineShapes, HeadsOverLinesAndAttributesBeforeTheName) {
  // The ")" line that ends a signature over lines is no block of its own: an
  // import under it is inside the function, an attribute under a class with
  // bases over lines is the class's.
  const std::string py =
      "def two(\n"                      // 1
      "    x,\n"                        // 2
      "    y,\n"                        // 3
      "):\n"                            // 4
      "    import csv\n"                // 5
      "class A(\n"                      // 6
      "    Base,\n"                     // 7
      "):\n"                            // 8
      "    size = 1\n"                  // 9
      "    def f(\n"                    // 10
      "        self,\n"                 // 11
      "    ) -> int:\n"                 // 12
      "        from os import path\n";  // 13
  EXPECT_EQ(outline(SourceLang::Python, py), Lines({1, 6, 10}));
  EXPECT_EQ(defs(SourceLang::Python, py, "size"), Spans({"9-9"}));

  const std::string c =
      "struct __attribute__ ((__packed__)) sdshdr8 {\n"                   // 1
      "    uint8_t len;\n"                                                // 2
      "};\n"                                                              // 3
      "typedef struct [[gnu::aligned(8)]] __declspec(align(8)) node {\n"  // 4
      "    int v;\n"                                                      // 5
      "} node_t;\n";                                                      // 6
  EXPECT_EQ(defs(SourceLang::Cpp, c, "sdshdr8"), Spans({"1-3"}));
  EXPECT_EQ(defs(SourceLang::Cpp, c, "node"), Spans({"4-6"}));
  EXPECT_EQ(outline(SourceLang::Cpp, c), Lines({1, 4, 6}));
}

TEST(FileTypes, GrepTypesAndLanguagesComeFromOneTable) {
  // grep -t TYPE takes every file def and outline read as that language.
  struct Case {
    std::string_view type, file;
    SourceLang lang;
  };
  for (const Case& c :
       {Case{"ruby", "lib/tasks/a.rake", SourceLang::Ruby},
        Case{"rb", "x.gemspec", SourceLang::Ruby}, Case{"cpp", "k.tpp", SourceLang::Cpp},
        Case{"cpp", "k.cuh", SourceLang::Cpp},
        Case{"c", "x.h", SourceLang::Cpp},  // a C file too, read as C++
        Case{"c", "x.c", SourceLang::C}, Case{"python", "w.pyw", SourceLang::Python},
        Case{"md", "notes.mkd", SourceLang::Markdown}, Case{"css", "s.scss", SourceLang::Other}}) {
    const std::vector<std::string> exts = type_extensions(c.type);
    const std::string_view file = c.file;
    const std::string ext(file.substr(file.rfind('.') + 1));
    EXPECT_NE(std::find(exts.begin(), exts.end(), ext), exts.end()) << c.type << " " << c.file;
    EXPECT_EQ(source_lang(c.file), c.lang) << c.file;
  }
  // A name no type has stands for the extension itself.
  EXPECT_EQ(type_extensions("zig"), std::vector<std::string>{"zig"});
}

TEST(OutlineShapes, FunctionsHeldByValuesAndTypesInCallbacks) {
  const std::string lua =
      "function path.isdir(P)\n"                              // 1
      "end\n"                                                 // 2
      "local co = coroutine.create(function()\n"              // 3
      "end)\n"                                                // 4
      "local ok, result = xpcall(function() end, handler)\n"  // 5
      "local add_help = {\"add_help\", function(self, v)\n"   // 6
      "end}\n"                                                // 7
      "handlers[types.DATA] = function(stream)\n"             // 8
      "end\n"                                                 // 9
      "setmetatable(M, {__call = function(_, ...) end})\n"    // 10
      "local n = count(\"x = function\") -- y = function\n";  // 11
  EXPECT_EQ(defs(SourceLang::Lua, lua, "path"), Spans{});     // the table, not the function
  EXPECT_EQ(defs(SourceLang::Lua, lua, "isdir"), Spans({"1-2"}));
  EXPECT_EQ(defs(SourceLang::Lua, lua, "co"), Spans({"3-4"}));
  EXPECT_EQ(defs(SourceLang::Lua, lua, "result"), Spans({"5-5"}));
  EXPECT_EQ(defs(SourceLang::Lua, lua, "add_help"), Spans({"6-7"}));
  EXPECT_EQ(defs(SourceLang::Lua, lua, "n"), Spans{});
  EXPECT_EQ(outline(SourceLang::Lua, lua), Lines({1, 3, 5, 6, 8, 10}));

  const std::string rb =
      "class Net::HTTP\n"       // 1
      "  def get?; true end\n"  // 2
      "  def get\n"             // 3
      "  end\n"                 // 4
      "end\n";                  // 5
  EXPECT_EQ(defs(SourceLang::Ruby, rb, "Net"), Spans{});
  EXPECT_EQ(defs(SourceLang::Ruby, rb, "HTTP"), Spans({"1-5"}));
  EXPECT_EQ(defs(SourceLang::Ruby, rb, "get"), Spans({"3-4"}));

  const std::string js =
      "define([\"./core\"], function(jQuery) {\n"  // 1
      "var list = [], fire = function() {\n"       // 2
      "};\n"                                       // 3
      "jQuery.fn.delay = function(time) {\n"       // 4
      "};\n"                                       // 5
      "const sum = (a, b) => a + b;\n"             // 6
      "var total = count(a) + count(b);\n"         // 7
      "if (a == function_like) {}\n"               // 8
      "});\n";                                     // 9
  EXPECT_EQ(outline(SourceLang::Js, js), Lines({2, 4, 6}));

  const std::string ts =
      "test(\"errors\", () => {\n"                 // 1
      "  type ErrorType = { message: string };\n"  // 2
      "  interface Item<T> {\n"                    // 3
      "    key: T;\n"                              // 4
      "  }\n"                                      // 5
      "  enum Fruits { Apple }\n"                  // 6
      "  class Box {}\n"                           // 7
      "  const x = make();\n"                      // 8
      "});\n"                                      // 9
      "interface Obj<Shape> {\n"                   // 10
      "  partial(): ZodObject<\n"                  // 11
      "    { [k in keyof Shape]: Shape[k] },\n"    // 12
      "    Config\n"                               // 13
      "  >;\n"                                     // 14
      "}\n";                                       // 15
  EXPECT_EQ(outline(SourceLang::Ts, ts), Lines({2, 3, 4, 6, 7, 10, 11}));
  EXPECT_EQ(defs(SourceLang::Ts, ts, "partial"), Spans({"11-14"}));
}
