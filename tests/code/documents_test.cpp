// def and outline on documents and configuration files: one small fixture
// per kind, with the look-alikes that must not count (a "#" in fenced code,
// keys of nested blocks, commands inside strings and bracket comments).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "search/def.h"
#include "support/run_zub.h"

using namespace zub;
using zub_test::TempDir;

namespace {

// The "{start}-{end}" of every block `def` prints, in order.
std::vector<std::string> def_spans(const TempDir& t, const std::string& file,
                                   const std::string& sym) {
  std::vector<std::string> out;
  const std::string report = find_definitions(sym, {t / file}, 200);
  for (std::string_view l : split_lines(report))
    if (starts_with(l, "── ")) out.emplace_back(l.substr(l.rfind(':') + 1));
  return out;
}

// The lines `outline` prints for `file`, without its header.
std::vector<std::string> outline_of(const TempDir& t, const std::string& file) {
  std::vector<std::string> out;
  const std::string report = zub_test::run_zub({"outline", t / file}).out;
  for (std::string_view l : split_lines(report))
    if (!starts_with(l, "== ")) out.emplace_back(l);
  return out;
}

using Spans = std::vector<std::string>;
using Lines = std::vector<std::string>;

}  // namespace

TEST(Documents, MarkdownAndRstHeadings) {
  TempDir t;
  t.write("README.md",
          "---\n"                          // 1
          "title: # front matter\n"        // 2
          "---\n"                          // 3
          "# Project\n"                    // 4
          "\n"                             // 5
          "Call `Install(x)` to begin.\n"  // 6
          "## Install\n"                   // 7
          "```sh\n"                        // 8
          "# not a heading\n"              // 9
          "```\n"                          // 10
          "<!--\n"                         // 11
          "# hidden\n"                     // 12
          "-->\n"                          // 13
          "Usage notes\n"                  // 14
          "-----------\n"                  // 15
          "\n"                             // 16
          "### Options\n"                  // 17
          "    # indented code\n"          // 18
          "- item\n"                       // 19
          "---\n"                          // 20
          "\n"                             // 21
          "Other\n"                        // 22
          "=====\n"                        // 23
          "text\n");                       // 24
  // Levels show: "#"s as written, a setext title's underline after it.
  EXPECT_EQ(outline_of(t, "README.md"),
            (Lines{"4| # Project", "7| ## Install", "14| Usage notes ---", "17| ### Options",
                   "22| Other ==="}));
  // A section runs to the next heading of its level or higher: "### Options"
  // stays inside "Usage notes"; text that mentions Install( is no definition.
  EXPECT_EQ(def_spans(t, "README.md", "Install"), Spans{"7-13"});
  EXPECT_EQ(def_spans(t, "README.md", "Usage"), Spans{"14-20"});
  EXPECT_EQ(def_spans(t, "README.md", "Project"), Spans{"4-20"});
  EXPECT_EQ(def_spans(t, "README.md", "Other"), Spans{"22-24"});
  for (const char* none : {"heading", "hidden", "indented", "front", "begin"})
    EXPECT_EQ(def_spans(t, "README.md", none), Spans{}) << none;
  // An unclosed fence hides the rest of the file.
  t.write("open.md", "# A\n```\n# B\n");
  EXPECT_EQ(outline_of(t, "open.md"), Lines{"1| # A"});

  // reStructuredText and plain text: levels by the order styles appear.
  t.write("guide.txt",
          "=====\n"   // 1
          "Guide\n"   // 2
          "=====\n"   // 3
          "\n"        // 4
          "Setup\n"   // 5
          "-----\n"   // 6
          "text\n"    // 7
          "\n"        // 8
          "Usage\n"   // 9
          "-----\n"   // 10
          "a\n"       // 11
          "b -- c\n"  // 12
          "--\n");    // 13: too short for its title
  EXPECT_EQ(outline_of(t, "guide.txt"),
            (Lines{"2| === Guide ===", "5| Setup ---", "9| Usage ---"}));
  EXPECT_EQ(def_spans(t, "guide.txt", "Setup"), Spans{"5-7"});
  EXPECT_EQ(def_spans(t, "guide.txt", "Guide"), Spans{"1-13"});
}

TEST(Documents, BuildFiles) {
  TempDir t;
  t.write("GNUmakefile",
          "CC ?= gcc\n"          // 1
          "CFLAGS := -O2 \\\n"   // 2
          "\t-Wall\n"            // 3
          "CFLAGS += -g\n"       // 4
          ".PHONY: all clean\n"  // 5
          "all: app docs\n"      // 6
          "\t$(CC) -o $@ $^\n"   // 7
          "\tx = 1\n"            // 8: a recipe line
          "\n"                   // 9
          "define HELP\n"        // 10
          "clean: not a rule\n"  // 11
          "endef\n"              // 12
          "include rules.mk\n"   // 13
          "ifeq ($(X),1)\n"      // 14
          "clean:\n"             // 15
          "\trm -f *.o\n"        // 16
          "endif\n");            // 17
  EXPECT_EQ(outline_of(t, "GNUmakefile"),
            (Lines{"1| CC ?= gcc", "2| CFLAGS := -O2 \\", "6| all: app docs", "10| define HELP",
                   "13| include rules.mk", "15| clean:"}));
  EXPECT_EQ(def_spans(t, "GNUmakefile", "CFLAGS"), Spans{"2-3"});
  EXPECT_EQ(def_spans(t, "GNUmakefile", "all"), Spans{"6-8"});
  EXPECT_EQ(def_spans(t, "GNUmakefile", "HELP"), Spans{"10-12"});
  EXPECT_EQ(def_spans(t, "GNUmakefile", "clean"), Spans{"15-16"});
  EXPECT_EQ(def_spans(t, "GNUmakefile", "x"), Spans{});

  t.write("CMakeLists.txt",
          "project(demo CXX)\n"                       // 1
          "option(DEMO_TESTS \"Build tests\" ON)\n"   // 2
          "set(DEMO_DIR \"${X}\" CACHE PATH\n"        // 3
          "    \"where\")\n"                          // 4
          "set(LOCAL 1)\n"                            // 5
          "FUNCTION(demo_add name)\n"                 // 6
          "  list(APPEND o --config \\\"${c}\\\")\n"  // 7
          "  add_library(${name} STATIC x.cpp)\n"     // 8
          "endfunction()\n"                           // 9
          "#[[\n"                                     // 10
          "function(commented)\n"                     // 11
          "]]\n"                                      // 12
          "message(\"\n"                              // 13
          "macro(quoted)\n"                           // 14
          "\")\n"                                     // 15
          "add_executable(\n"                         // 16
          "  demo_tool\n"                             // 17
          "  main.cpp)\n");                           // 18
  EXPECT_EQ(outline_of(t, "CMakeLists.txt"),
            (Lines{"2| option(DEMO_TESTS \"Build tests\" ON)",
                   "3| set(DEMO_DIR \"${X}\" CACHE PATH", "6| FUNCTION(demo_add name)",
                   "8|  add_library(${name} STATIC x.cpp)", "16| add_executable("}));
  EXPECT_EQ(def_spans(t, "CMakeLists.txt", "demo_add"), Spans{"6-9"});
  EXPECT_EQ(def_spans(t, "CMakeLists.txt", "demo_tool"), Spans{"16-18"});
  EXPECT_EQ(def_spans(t, "CMakeLists.txt", "DEMO_DIR"), Spans{"3-4"});
  for (const char* none : {"LOCAL", "commented", "quoted"})
    EXPECT_EQ(def_spans(t, "CMakeLists.txt", none), Spans{}) << none;

  t.write("Dockerfile.dev",
          "# syntax=docker/dockerfile:1\n"   // 1
          "ARG GO=1.22\n"                    // 2
          "FROM golang:${GO} AS build\n"     // 3
          "RUN apt-get update && \\\n"       // 4
          "    # a comment inside\n"         // 5
          "    make\n"                       // 6
          "COPY <<EOF /etc/conf\n"           // 7
          "FROM inside AS heredoc\n"         // 8
          "EOF\n"                            // 9
          "ENV A=1 B=2\n"                    // 10
          "\n"                               // 11
          "FROM alpine AS runtime\n"         // 12
          "COPY --from=build /app /app\n");  // 13
  EXPECT_EQ(outline_of(t, "Dockerfile.dev"),
            (Lines{"2| ARG GO=1.22", "3| FROM golang:${GO} AS build", "4| RUN apt-get update && \\",
                   "7| COPY <<EOF /etc/conf", "10| ENV A=1 B=2", "12| FROM alpine AS runtime",
                   "13| COPY --from=build /app /app"}));
  EXPECT_EQ(def_spans(t, "Dockerfile.dev", "build"), Spans{"3-10"});
  EXPECT_EQ(def_spans(t, "Dockerfile.dev", "runtime"), Spans{"12-13"});
  EXPECT_EQ(def_spans(t, "Dockerfile.dev", "B"), Spans{"10-10"});
  EXPECT_EQ(def_spans(t, "Dockerfile.dev", "heredoc"), Spans{});
}

TEST(Documents, DataAndSchemaFiles) {
  TempDir t;
  t.write("ci.yml",
          "name: ci\n"                   // 1
          "jobs:\n"                      // 2
          "  build:\n"                   // 3
          "    steps:\n"                 // 4
          "      - run: |\n"             // 5
          "          name: not a key\n"  // 6
          "# trailing comment\n"         // 7
          "\"quoted key\": 1\n"          // 8
          "script: >\n"                  // 9
          "  jobs: text\n"               // 10
          "---\n"                        // 11
          "- name: first\n"              // 12
          "  value: 1\n");               // 13
  EXPECT_EQ(outline_of(t, "ci.yml"), (Lines{"1| name: ci", "2| jobs:", "8| \"quoted key\": 1",
                                            "9| script: >", "12| - name: first"}));
  EXPECT_EQ(def_spans(t, "ci.yml", "jobs"), Spans{"2-6"});
  EXPECT_EQ(def_spans(t, "ci.yml", "build"), Spans{});

  t.write("c.toml",
          "title = \"x\"\n"      // 1
          "deps = [\n"           // 2
          "  \"b = c\",\n"       // 3
          "]\n"                  // 4
          "desc = \"\"\"\n"      // 5
          "[not.a.table]\n"      // 6
          "\"\"\"\n"             // 7
          "[package]\n"          // 8
          "name = \"demo\"\n"    // 9
          "[profile.release]\n"  // 10
          "lto = true\n");       // 11
  EXPECT_EQ(outline_of(t, "c.toml"), (Lines{"1| title = \"x\"", "2| deps = [", "5| desc = \"\"\"",
                                            "8| [package]", "10| [profile.release]"}));
  EXPECT_EQ(def_spans(t, "c.toml", "deps"), Spans{"2-4"});
  EXPECT_EQ(def_spans(t, "c.toml", "release"), Spans{"10-11"});
  EXPECT_EQ(def_spans(t, "c.toml", "name"), Spans{});

  t.write("p.json",
          "{\n"                         // 1
          "  \"name\": \"demo\",\n"     // 2
          "  \"scripts\": {\n"          // 3
          "    \"test\": \"a, b\"\n"    // 4
          "  },\n"                      // 5
          "  /* \"commented\": 1 */\n"  // 6
          "  \"files\": [\"a\"]\n"      // 7
          "}\n"                         // 8
          "{\"after\": 1}\n");          // 9
  EXPECT_EQ(outline_of(t, "p.json"),
            (Lines{"2|  \"name\": \"demo\",", "3|  \"scripts\":", "7|  \"files\": [\"a\"]"}));
  EXPECT_EQ(def_spans(t, "p.json", "scripts"), Spans{"3-5"});
  for (const char* none : {"test", "commented", "after"})
    EXPECT_EQ(def_spans(t, "p.json", none), Spans{}) << none;
  // A key whose quote never closes on its line is none (found by fuzzing:
  // the value's scan started past the line's end).
  t.write("cut.json", "{\n  \"cut\n}\n");
  EXPECT_EQ(def_spans(t, "cut.json", "cut"), Spans{});
  // One long line of many keys shows the keys and how many it holds.
  std::string minified = "{";
  for (int k = 0; k < 30; ++k) minified += "\"key" + std::to_string(k) + "\": [1, 2, 3, 4],";
  minified += "\"last\": 0}\n";
  t.write("min.json", minified);
  const Lines min = outline_of(t, "min.json");
  ASSERT_EQ(min.size(), 1u);
  EXPECT_TRUE(starts_with(min[0], "1| \"key0\": \xE2\x80\xA6, \"key1\": \xE2\x80\xA6,")) << min[0];
  EXPECT_TRUE(min[0].find(" more keys on this line)") != std::string::npos) << min[0];

  t.write("s.sql",
          "-- CREATE TABLE commented (id int);\n"                          // 1
          "CREATE TABLE IF NOT EXISTS public.users (\n"                    // 2
          "  note text DEFAULT 'a; b'\n"                                   // 3
          ");\n"                                                           // 4
          "CREATE OR REPLACE FUNCTION add_one(x int) RETURNS int AS $$\n"  // 5
          "  CREATE TABLE inside (x int);\n"                               // 6
          "$$ LANGUAGE sql;\n"                                             // 7
          "create unique index users_idx on users (id);\n");               // 8
  EXPECT_EQ(def_spans(t, "s.sql", "users"), Spans{"2-4"});
  EXPECT_EQ(def_spans(t, "s.sql", "add_one"), Spans{"5-7"});
  EXPECT_EQ(def_spans(t, "s.sql", "users_idx"), Spans{"8-8"});
  EXPECT_EQ(outline_of(t, "s.sql").size(), 3u);
  for (const char* none : {"commented", "inside"}) EXPECT_EQ(def_spans(t, "s.sql", none), Spans{});

  t.write("a.proto",
          "package demo.v1;\n"                          // 1
          "/* message Commented {} */\n"                // 2
          "message User {\n"                            // 3
          "  string url = 1; // \"/v1/{name=*}\"\n"     // 4
          "  enum Kind { KIND_A = 0; }\n"               // 5
          "}\n"                                         // 6
          "service Users {\n"                           // 7
          "  rpc Get(GetRequest)\n"                     // 8
          "      returns (User);\n"                     // 9
          "  rpc Watch(Req) returns (stream User) {\n"  // 10
          "    option (http) = { get: \"/v1/*\" };\n"   // 11
          "  }\n"                                       // 12
          "}\n");                                       // 13
  EXPECT_EQ(outline_of(t, "a.proto"),
            (Lines{"1| package demo.v1;", "3| message User", "5|  enum Kind { KIND_A = 0; }",
                   "7| service Users", "8|  rpc Get(GetRequest)",
                   "10|  rpc Watch(Req) returns (stream User)"}));
  EXPECT_EQ(def_spans(t, "a.proto", "User"), Spans{"3-6"});
  EXPECT_EQ(def_spans(t, "a.proto", "Get"), Spans{"8-9"});
  EXPECT_EQ(def_spans(t, "a.proto", "Watch"), Spans{"10-12"});
  EXPECT_EQ(def_spans(t, "a.proto", "Commented"), Spans{});

  t.write("a.thrift",
          "typedef i64 UserId\n"                 // 1
          "const map<string, i32> LIMITS = {\n"  // 2
          "  \"a\": 1,\n"                        // 3
          "}\n"                                  // 4
          "# struct Commented {}\n"              // 5
          "struct User {\n"                      // 6
          "  1: required UserId id,\n"           // 7
          "}\n"                                  // 8
          "service UserService {\n"              // 9
          "  User get(1: UserId id)\n"           // 10
          "      throws (1: NotFound nf),\n"     // 11
          "  void ping()\n"                      // 12
          "}\n");                                // 13
  EXPECT_EQ(def_spans(t, "a.thrift", "UserId"), Spans{"1-1"});
  EXPECT_EQ(def_spans(t, "a.thrift", "LIMITS"), Spans{"2-4"});
  EXPECT_EQ(def_spans(t, "a.thrift", "User"), Spans{"6-8"});
  EXPECT_EQ(def_spans(t, "a.thrift", "get"), Spans{"10-11"});
  EXPECT_EQ(def_spans(t, "a.thrift", "ping"), Spans{"12-12"});
  EXPECT_EQ(def_spans(t, "a.thrift", "Commented"), Spans{});
}
