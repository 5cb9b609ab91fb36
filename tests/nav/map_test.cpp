// End-to-end and unit tests of the distribution report.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "nav/map.h"
#include "support/run_zub.h"

using zub_test::run_zub;
using zub_test::RunOptions;
using zub_test::TempDir;

namespace {

RunOptions in_dir(const std::string& cwd) {
  RunOptions o;
  o.cwd = cwd;
  return o;
}

// A small project: 5 counted files in three directories.
void make_project(const TempDir& t) {
  t.write("proj/a.txt", std::string(2048, 'a'));
  t.write("proj/Makefile", "all:\n");
  t.write("proj/src/main.cpp", std::string(5000, 'm'));
  t.write("proj/src/util.cpp", "int x;\n");
  t.write("proj/src/lib/logo.png", std::string(100, 'p'));
}

}  // namespace

// Each row holds everything under its directory: the root first, then the
// parts right under it, largest first.
TEST(MapTest, RelativeRootListsRowsByBytesWithRootAsWritten) {
  TempDir t;
  make_project(t);
  auto r = run_zub({"map", "proj"}, in_dir(t.path()));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "5 files\n"
            "ext: .cpp×2 .png×1 .txt×1 Makefile×1 \n"
            "files KB dir\n"
            "5 6 proj\n"
            "3 4 src\n");
  // --depth lists the levels below, each under its parent.
  r = run_zub({"map", "proj", "--depth", "2"}, in_dir(t.path()));
  EXPECT_EQ(r.out.substr(r.out.find("files KB dir\n")),
            "files KB dir\n5 6 proj\n3 4 src\n1 0 src/lib\n");
}

TEST(MapTest, SingleAbsoluteRootGivesRowsBelowItRelative) {
  TempDir t;
  make_project(t);
  for (const std::string& root : {t / "proj", t / "proj/", t / "proj//"}) {
    auto r = run_zub({"map", root});
    EXPECT_EQ(r.status, 0) << root;
    EXPECT_EQ(r.out,
              "5 files\n"
              "ext: .cpp×2 .png×1 .txt×1 Makefile×1 \n"
              "files KB dir\n5 6 " +
                  root + "\n3 4 src\n")
        << root;
  }
  // A missing second root fails the run but not the report of the first.
  auto two = run_zub({"map", t / "proj", t / "missing"});
  EXPECT_EQ(two.status, 2);
  EXPECT_NE(two.out.find("5 6 " + t / "proj" + "\n3 4 src\n"), std::string::npos);
  EXPECT_EQ(two.err, "zub map: " + t / "missing" + ": No such file or directory (os error 2)\n");
}

TEST(MapTest, OverlappingRootsAreCountedOnceWhateverTheOrder) {
  TempDir t;
  make_project(t);
  ASSERT_EQ(symlink((t / "proj/src").c_str(), (t / "srclink").c_str()), 0);
  const std::string skipped = ": 이미 포함된 경로라 건너뜀(이중 집계 방지)\n";
  struct Case {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"proj", "proj/src"}, "zub map: proj/src" + skipped},
      {{"proj/src", "proj"}, "zub map: proj/src" + skipped},
      {{"proj", "proj"}, "zub map: proj" + skipped},
      {{"proj", t / "proj/src/lib"}, "zub map: " + t / "proj/src/lib" + skipped},
      {{"srclink", "proj"}, "zub map: srclink" + skipped},
      {{"proj", "./proj/"}, "zub map: ./proj/" + skipped},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"map"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    auto r = run_zub(args, in_dir(t.path()));
    EXPECT_EQ(r.status, 0) << c.args[0];
    EXPECT_EQ(r.err, c.err) << c.args[0];
    EXPECT_EQ(r.out.substr(0, 8), "5 files\n") << c.args[0];
  }
  // A sibling whose name merely starts with the kept root's name is not inside it.
  t.write("proj2/x.txt", "x");
  auto r = run_zub({"map", "proj", "proj2"}, in_dir(t.path()));
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out.substr(0, 8), "6 files\n");
  // A root that is a symbolic link to a directory is walked.
  auto l = run_zub({"map", "srclink"}, in_dir(t.path()));
  EXPECT_EQ(l.out.substr(0, 8), "3 files\n");
  EXPECT_NE(l.out.find("3 4 srclink\n"), std::string::npos);
}

TEST(MapTest, SkipNamesSymlinksAndFileRoots) {
  TempDir t;
  t.write("p/keep.zip", "zip");
  t.write("p/img.jpg", "jpg");
  t.write("p/.env", "SECRET=1");
  t.write("p/.env.local", "SECRET=1");
  t.write("p/yarn.lock", "lock");
  t.write("p/x.snap", "snap");
  t.write("p/node_modules/dep/index.js", "js");
  t.write("p/sub/.git/config", "cfg");
  t.write("p/sub/.github/ci.yml", "ci");
  t.write("p/venv2/lib.py", "py");
  t.write("p/venvs/lib.py", "py");
  ASSERT_EQ(symlink((t / "p/venvs").c_str(), (t / "p/dirlink").c_str()), 0);
  ASSERT_EQ(symlink((t / "p/keep.zip").c_str(), (t / "p/filelink").c_str()), 0);
  ASSERT_EQ(mkfifo((t / "p/fifo").c_str(), 0600), 0);
  auto r = run_zub({"map", "p", "p/keep.zip"}, in_dir(t.path()));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "4 files\n"
            "ext: .jpg×1 .py×1 .yml×1 .zip×1 \n"
            "files KB dir\n"
            "4 0 p\n"
            "1 0 sub\n"
            "1 0 venvs\n"
            "1 0 node_modules (skipped)\n"
            "1 0 venv2 (skipped)\n");
  // File roots outside every directory root count under their written parent;
  // a bare name has the empty parent.
  auto f = run_zub({"map", "keep.zip", "sub/.github/ci.yml", "./img.jpg"}, in_dir(t / "p"));
  EXPECT_EQ(f.status, 0);
  EXPECT_EQ(f.out,
            "3 files\n"
            "ext: .jpg×1 .yml×1 .zip×1 \n"
            "files KB dir\n"
            "1 0 \n"
            "1 0 .\n"
            "1 0 sub/.github\n");
  // Skip names apply to entries, not to the root itself.
  auto nm = run_zub({"map", "p/node_modules"}, in_dir(t.path()));
  EXPECT_EQ(nm.out.substr(0, 8), "1 files\n");
}

TEST(MapTest, RowCapAndNumberForms) {
  TempDir t;
  for (int i = 0; i < 7; ++i)
    t.write("p/d" + std::to_string(i) + "/f.c", std::string(1024 * (i + 1), 'c'));
  struct Case {
    std::vector<std::string> args;
    int status;
    size_t rows;
    std::string note;
    std::string err;
  } cases[] = {
      {{"map", "p"}, 0, 8, "", ""},
      {{"map", "p", "-n", "+5"},
       0,
       5,
       "… 상위 5 개만 표시 (전체 8 개 디렉터리, `-n 8` 로 더 보기)\n",
       ""},
      {{"map", "-n", "3", "p"},
       0,
       3,
       "… 상위 3 개만 표시 (전체 8 개 디렉터리, `-n 8` 로 더 보기)\n",
       ""},
      {{"map", "p", "-n", "0"},
       0,
       0,
       "… 상위 0 개만 표시 (전체 8 개 디렉터리, `-n 8` 로 더 보기)\n",
       ""},
      {{"map", "p", "-n", "8"}, 0, 8, "", ""},
      {{"map", "p", "-n", "99999999999999999999"}, 2, 0, "", "zub map: -n 뒤에 숫자가 와야 한다\n"},
      {{"map", "p", "-n", "-5"}, 2, 0, "", "zub map: -n 뒤에 숫자가 와야 한다\n"},
      {{"map", "p", "-n"}, 2, 0, "", "zub map: -n 뒤에 숫자가 와야 한다\n"},
  };
  for (const Case& c : cases) {
    auto r = run_zub(c.args, in_dir(t.path()));
    std::string label = c.args.back();
    EXPECT_EQ(r.status, c.status) << label;
    EXPECT_EQ(r.err, c.err) << label;
    if (c.status != 0) {
      EXPECT_EQ(r.out, "") << label;
      continue;
    }
    std::string expect = "7 files\next: .c×7 \nfiles KB dir\n";
    for (size_t i = 0; i < c.rows; ++i)
      expect += i == 0 ? std::string("7 28 p\n")
                       : "1 " + std::to_string(8 - i) + " d" + std::to_string(7 - i) + "\n";
    EXPECT_EQ(r.out, expect + c.note) << label;
  }
  // No root is the working directory.
  auto u = run_zub({"map", "-n", "3"}, in_dir(t / "p"));
  EXPECT_EQ(u.status, 0);
  EXPECT_EQ(u.out.substr(0, 40), "7 files\next: .c×7 \nfiles KB dir\n7 28 .\n");
}

TEST(MapTest, FailedRootsStillGiveAReport) {
  TempDir t;
  auto r = run_zub({"map", "/dev/null", t / "nope"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");  // no root left: the errors alone
  EXPECT_EQ(r.err,
            "zub map: /dev/null: 디렉터리도 파일도 아니다\n"
            "zub map: " +
                t / "nope" + ": No such file or directory (os error 2)\n");
  // An unreadable directory inside the tree is passed over silently.
  t.write("p/ok.txt", "ok");
  t.write("p/locked/hidden.txt", "h");
  chmod((t / "p/locked").c_str(), 0);
  if (access((t / "p/locked").c_str(), R_OK) != 0) {  // not when running as root
    auto l = run_zub({"map", "p"}, in_dir(t.path()));
    EXPECT_EQ(l.status, 0);
    EXPECT_EQ(l.err, "");
    EXPECT_EQ(l.out.substr(0, 8), "1 files\n");
  }
}

TEST(MapTest, DepthLimitStopsBelow255AndSaysWhere) {
  TempDir t;
  std::string rel = "deep";
  for (int depth = 1; depth <= 257; ++depth) {
    rel += "/d";
    if (depth == 255 || depth == 256) t.write(rel + "/f" + std::to_string(depth) + ".txt", "x");
  }
  t.mkdir(rel);
  auto r = run_zub({"map", "deep", "-n", "1"}, in_dir(t.path()));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.substr(0, 8), "1 files\n");
  std::string deepest = "deep";
  for (int i = 0; i < 256; ++i) deepest += "/d";
  EXPECT_EQ(r.err, "zub: " + deepest + ": 깊이 256 초과로 중단\n");
}

TEST(MapTest, KindKeysAndComponentOrder) {
  struct {
    const char* name;
    const char* key;
  } kinds[] = {
      {"a.rs", ".rs"}, {"Makefile", "Makefile"}, {".bashrc", ".bashrc"},       {"a.tar.gz", ".gz"},
      {"..x", ".x"},   {"trail.", "."},          {".env.example", ".example"}, {"", "."}};
  for (const auto& k : kinds) EXPECT_EQ(zub::kind_key(k.name), k.key) << k.name;

  using zub::path_less_by_components;
  EXPECT_TRUE(path_less_by_components("a/b", "a-b"));  // bytewise would say otherwise
  EXPECT_FALSE(path_less_by_components("a-b", "a/b"));
  EXPECT_TRUE(path_less_by_components("", "src"));
  EXPECT_TRUE(path_less_by_components("/z", "a"));  // a root sorts before names
  EXPECT_TRUE(path_less_by_components("p", "p/src"));
  EXPECT_FALSE(path_less_by_components("a//b", "a/b"));
  EXPECT_FALSE(path_less_by_components("a/b", "a//b"));
}

// Sizes are read beside the walk; with more directories than the size queue
// holds, both the walking thread and the reader thread fill rows, and every
// row must still carry its own directory's exact total.
TEST(MapTest, EveryDirectoryKeepsItsOwnByteTotalAcrossManyDirectories) {
  TempDir t;
  const int dirs = 300;
  for (int i = 0; i < dirs; ++i) {
    std::string d = "many/d" + std::to_string(i);
    t.write(d + "/big.bin", std::string(1024 * i, 'b'));
    t.write(d + "/one.txt", std::string(1024, 'o'));
  }
  zub::Output out;
  out.capture = true;
  zub::MapReport rep = zub::map_report({t / "many"}, dirs + 1, zub::kMapDefaultDepth, out);
  EXPECT_FALSE(rep.failed);
  EXPECT_EQ(out.err, "");
  std::string expect =
      "600 files\next: .bin×300 .txt×300 \nfiles KB dir\n600 45150 " + t / "many" + "\n";
  for (int i = dirs - 1; i >= 0; --i)
    expect += "2 " + std::to_string(i + 1) + " d" + std::to_string(i) + "\n";
  EXPECT_EQ(rep.text, expect);
}

// ls's flags: those that ask for detail add the root's own files with their
// sizes, by name and capped like the rows; the others change nothing.
TEST(MapTest, LsFlagsAreTaken) {
  TempDir t;
  make_project(t);
  const std::string plain = run_zub({"map", "proj"}, in_dir(t.path())).out;
  for (const char* flag : {"-la", "-lh", "-lt", "-l"}) {
    auto r = run_zub({"map", flag, "proj"}, in_dir(t.path()));
    EXPECT_EQ(r.status, 0) << flag;
    EXPECT_EQ(r.out, plain + "bytes file (proj)\n5 Makefile\n2048 a.txt\n") << flag;
  }
  for (const char* flag : {"-F", "-R", "-a"}) {
    auto r = run_zub({"map", flag, "proj"}, in_dir(t.path()));
    EXPECT_EQ(r.status, 0) << flag;
    EXPECT_EQ(r.out, plain) << flag;
  }
  auto capped = run_zub({"map", "-la", "-n", "1", "proj"}, in_dir(t.path()));
  EXPECT_NE(capped.out.find("bytes file (proj)\n5 Makefile\n… 상위 1 개만 표시 (전체 2 개 파일, "
                            "`-n 2` 로 더 보기)\n"),
            std::string::npos)
      << capped.out;
}
