#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <string>

#include "search/walk.h"
#include "support/run_zub.h"

using namespace zub;
using zub_test::TempDir;

namespace {

std::vector<std::string> rel(const TempDir& t, const std::vector<std::string>& files) {
  std::vector<std::string> out;
  for (const std::string& f : files) out.push_back(f.substr(t.path().size() + 1));
  return out;
}

bool listed(const std::vector<std::string>& files, const std::string& f) {
  return std::find(files.begin(), files.end(), f) != files.end();
}

}  // namespace

TEST(Walk, OrderIsOwnFilesThenSubdirsLastListedFirst) {
  TempDir t;
  // Listing order is the file system's; take it from the walker's own
  // directory reads and check the structural rule.
  t.write("a.rs", "");
  t.write("d1/x.rs", "");
  t.write("d1/deep/y.rs", "");
  t.write("d2/z.rs", "");
  t.write("b.rs", "");
  WalkResult r = walk_roots({t.path()}, {});
  std::vector<std::string> f = rel(t, r.files);
  ASSERT_EQ(f.size(), 5u);
  // The root's own files come first.
  EXPECT_TRUE((f[0] == "a.rs" && f[1] == "b.rs") || (f[0] == "b.rs" && f[1] == "a.rs"));
  // A subdirectory's subtree is finished before its sibling starts.
  auto at = [&](const std::string& s) { return std::find(f.begin(), f.end(), s) - f.begin(); };
  EXPECT_EQ(at("d1/deep/y.rs"), at("d1/x.rs") + 1);
  EXPECT_TRUE(at("d2/z.rs") == 2 || at("d2/z.rs") == 4);
}

TEST(Walk, SiblingDirectoriesComeInReverseListingOrder) {
  TempDir t;
  for (const char* d : {"p", "q", "r", "s"}) t.write(std::string(d) + "/f.c", "");
  WalkResult probe = walk_roots({t.path()}, {});
  ASSERT_EQ(probe.files.size(), 4u);
  // The walk must be the reverse of the directory's own listing order.
  {
    std::vector<std::string> names;
    for (const std::string& f : rel(t, probe.files)) names.push_back(f.substr(0, 1));
    std::vector<std::string> dirs;
    if (auto* d = opendir(t.path().c_str())) {
      while (auto* e = readdir(d))
        if (e->d_name[0] != '.') dirs.push_back(e->d_name);
      closedir(d);
    }
    std::reverse(dirs.begin(), dirs.end());
    EXPECT_EQ(names, dirs);
  }
}

TEST(Walk, SkipNamesNonSourceAndRoots) {
  TempDir t;
  t.write("src/main.rs", "");
  t.write("src/node_modules/pkg/index.js", "");
  t.write("node_modules/x.js", "");
  t.write("lib/node_modules", "a file named like a skipped directory");
  t.write(".env.production", "");
  t.write(".envrc", "");
  t.write(".github/workflows/ci.yml", "");
  t.write("venv/a.py", "");
  t.write("venv2/a.py", "");
  t.write(".venv/a.py", "");
  t.write("venvs/a.py", "");
  t.write("yarn.lock", "");
  t.write("poetry.lock", "");
  t.write("x.snap", "");
  t.write("package-lock.json", "");
  t.write("data.csv", "");
  t.write("pic.PNG", "");
  t.write("Makefile", "");
  WalkResult r = walk_roots({t.path()}, {});
  std::vector<std::string> f = rel(t, r.files);
  std::sort(f.begin(), f.end());
  EXPECT_EQ(f, (std::vector<std::string>{".github/workflows/ci.yml", "Makefile",
                                         "package-lock.json", "src/main.rs", "venvs/a.py"}));
  EXPECT_EQ(r.non_source_skipped, 2u);

  // A root is not subject to the skip-name test or the non-source table.
  WalkResult nm = walk_roots({t / "node_modules"}, {});
  EXPECT_EQ(nm.files, std::vector<std::string>{t / "node_modules/x.js"});
  WalkResult csv = walk_roots({t / "data.csv"}, {});
  EXPECT_EQ(csv.files, std::vector<std::string>{t / "data.csv"});
  EXPECT_EQ(csv.non_source_skipped, 0u);

  FileFilter all;
  all.include_all = true;
  WalkResult everything = walk_roots({t.path()}, all);
  EXPECT_TRUE(listed(everything.files, t / "data.csv"));
  EXPECT_EQ(everything.non_source_skipped, 0u);
}

TEST(Walk, PathsAreJoinedWithTheRootAsGiven) {
  TempDir t;
  t.write("a.rs", "");
  t.write("s/b.rs", "");
  WalkResult trailing = walk_roots({t.path() + "/"}, {});
  for (const std::string& f : trailing.files) EXPECT_EQ(f.find("//"), std::string::npos) << f;
  ASSERT_EQ(chdir(t.path().c_str()), 0);
  WalkResult dot = walk_roots({"."}, {});
  std::vector<std::string> f = dot.files;
  std::sort(f.begin(), f.end());
  EXPECT_EQ(f, (std::vector<std::string>{"./a.rs", "./s/b.rs"}));
  WalkResult sub = walk_roots({"s"}, {});
  EXPECT_EQ(sub.files, std::vector<std::string>{"s/b.rs"});
  ASSERT_EQ(chdir("/"), 0);
}

TEST(Walk, UserFilters) {
  TempDir t;
  t.write("src/a.test.tsx", "");
  t.write("src/a.tsx", "");
  t.write("src/gen/x.ts", "");
  t.write("src/b.TS", "");
  t.write("src/c.log", "");
  FileFilter name;
  name.names = {"*.test.tsx"};
  EXPECT_EQ(rel(t, walk_roots({t / "src"}, name).files),
            std::vector<std::string>{"src/a.test.tsx"});

  FileFilter ex;
  ex.excludes = {t.path() + "/src/gen/*"};
  ex.extensions = {"ts"};
  WalkResult r = walk_roots({t / "src"}, ex);
  EXPECT_EQ(rel(t, r.files), std::vector<std::string>{"src/b.TS"});

  FileFilter ext;
  ext.extensions = {"log"};
  WalkResult logs = walk_roots({t / "src"}, ext);
  EXPECT_TRUE(logs.files.empty());
  EXPECT_EQ(logs.non_source_skipped, 1u);
  ext.include_all = true;
  EXPECT_EQ(walk_roots({t / "src"}, ext).files.size(), 1u);

  // Filters apply to a file root too.
  FileFilter only_rs;
  only_rs.extensions = {"rs"};
  EXPECT_TRUE(walk_roots({t / "src/a.tsx"}, only_rs).files.empty());
}

TEST(Walk, LinksDepthAndUnreadableDirectories) {
  TempDir t;
  t.write("real/a.c", "");
  t.write("tree/b.c", "");
  ASSERT_EQ(symlink((t / "real").c_str(), (t / "tree/link").c_str()), 0);
  ASSERT_EQ(symlink((t / "real/a.c").c_str(), (t / "tree/flink.c").c_str()), 0);
  ASSERT_EQ(symlink((t / "real").c_str(), (t / "rootlink").c_str()), 0);
  EXPECT_EQ(walk_roots({t / "tree"}, {}).files, std::vector<std::string>{t / "tree/b.c"});
  EXPECT_EQ(walk_roots({t / "rootlink"}, {}).files, std::vector<std::string>{t / "rootlink/a.c"});

  // Depth: directories down to 255 below the root are read, deeper not.
  std::string deep = "d";
  for (int k = 1; k < 255; ++k) deep += "/d";  // 255 levels
  t.write("deep/" + deep + "/at255.c", "");
  t.write("deep/" + deep + "/d/at256.c", "");
  WalkResult dr = walk_roots({t / "deep"}, {});
  EXPECT_EQ(dr.files.size(), 1u);
  ASSERT_FALSE(dr.files.empty());
  EXPECT_NE(dr.files[0].find("at255.c"), std::string::npos);

  if (geteuid() != 0) {
    t.write("locked/inner/x.c", "");
    t.write("locked/y.c", "");
    ASSERT_EQ(chmod((t / "locked/inner").c_str(), 0), 0);
    WalkResult lr = walk_roots({t / "locked"}, {});
    EXPECT_EQ(lr.files, std::vector<std::string>{t / "locked/y.c"});
    chmod((t / "locked/inner").c_str(), 0755);
  }
}

TEST(ContentGate, SizeNulAndUtf8) {
  TempDir t;
  ReadBuffer buf;
  std::string big(3u << 20, 'x');
  t.write("big.txt", big);
  EXPECT_FALSE(content_gate(t / "big.txt", false, buf));
  EXPECT_TRUE(content_gate(t / "big.txt", true, buf));
  EXPECT_EQ(buf.view(), big);
  std::string edge(kMaxScanBytes, 'y');
  t.write("edge.txt", edge);
  EXPECT_TRUE(content_gate(t / "edge.txt", false, buf));
  t.write("edge1.txt", edge + "y");
  EXPECT_FALSE(content_gate(t / "edge1.txt", false, buf));

  std::string nul1023(2000, 'a');
  nul1023[1023] = '\0';
  t.write("n1023", nul1023);
  EXPECT_FALSE(content_gate(t / "n1023", true, buf));
  std::string nul1024(2000, 'a');
  nul1024[1024] = '\0';
  t.write("n1024", nul1024);
  EXPECT_TRUE(content_gate(t / "n1024", false, buf));
  EXPECT_EQ(buf.view(), nul1024);
  t.write("latin1", "caf\xe9\n");
  EXPECT_FALSE(content_gate(t / "latin1", false, buf));
  t.write("empty", "");
  EXPECT_TRUE(content_gate(t / "empty", false, buf));
  EXPECT_EQ(buf.len, 0u);
  EXPECT_FALSE(content_gate(t / "missing", false, buf));
  EXPECT_FALSE(content_gate(t.path(), false, buf));  // a directory cannot be read
}
