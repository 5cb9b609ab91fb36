// The shapes the PostToolUse hook folds: path lists, search hits, long
// diffs, progress. Each keeps what the agent acts on: every path, every hit's
// line number, each file's raw lines.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "compress/diff_digest.h"
#include "compress/hits.h"
#include "compress/ls_listing.h"
#include "compress/path_list.h"
#include "compress/progress.h"

namespace {

TEST(HookShapes, PathListsKeepEveryPath) {
  std::string list;
  std::set<std::string> paths;
  for (int d = 0; d < 20; ++d)
    for (int f = 0; f < 30; ++f) {
      const std::string p =
          "drivers/net/dir" + std::to_string(d) + "/file_" + std::to_string(f) + ".h";
      list += p + "\n";
      paths.insert(p);
    }
  list += "find: 'x': Permission denied\n";
  const auto folded = zub::fold_path_list(list);
  ASSERT_TRUE(folded);
  EXPECT_LT(folded->size(), list.size() / 2);
  // Reading it back: a directory, then names, on each line.
  std::set<std::string> back;
  std::istringstream lines(*folded);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string dir, name;
    words >> dir;
    if (dir.back() != '/') continue;
    while (words >> name) back.insert(dir + name);
  }
  EXPECT_EQ(back, paths);
  EXPECT_NE(folded->find("find: 'x': Permission denied\n"), std::string::npos);
  EXPECT_FALSE(zub::fold_path_list("a sentence with words\nanother one\nsrc/a.c\n"));
}

// ls -laR: the repeated columns go, every entry stays, and two directories
// holding a file of the same size and date keep both lines.
TEST(HookShapes, LongListingsKeepEveryEntry) {
  std::string ls;
  for (const char* dir : {"src", "tests"}) {
    ls += std::string(dir) + ":\ntotal 96\n";
    ls +=
        "drwxr-xr-x  4 me staff  4096 Dec  9 15:30 .\ndrwxr-xr-x 11 me staff  4096 Dec  9 15:49 "
        "..\n";
    for (int f = 0; f < 12; ++f)
      ls += "-rw-r--r--  1 me staff  " + std::to_string(1000 + f) + " Dec  9 15:26 f" +
            std::to_string(f) + ".cpp\n";
    ls += "lrwxrwxrwx  1 me staff    12 Jan 30  2025 my file -> target\n\n";
  }
  const auto folded = zub::fold_long_listing(ls);
  ASSERT_TRUE(folded);
  EXPECT_EQ(folded->rfind("[ls -l: 모든 항목의 소유자 me, 그룹 staff", 0), 0u) << *folded;
  EXPECT_NE(folded->find("src:\n-rw-r--r-- 1000 Dec  9 15:26 f0.cpp\n"), std::string::npos);
  EXPECT_NE(folded->find("tests:\n-rw-r--r-- 1000 Dec  9 15:26 f0.cpp\n"), std::string::npos);
  EXPECT_NE(folded->find("lrwxrwxrwx 12 Jan 30  2025 my file -> target\n"), std::string::npos);
  EXPECT_EQ(folded->find(" ..\n"), std::string::npos);
  EXPECT_EQ(folded->find("total 96"), std::string::npos);
  // Owners that differ stay on their lines.
  const auto mixed =
      zub::fold_long_listing(ls + "-rw-r--r--  1 root root  7 Dec  9 15:26 theirs\n");
  ASSERT_TRUE(mixed);
  EXPECT_NE(mixed->find("-rw-r--r-- root root 7 Dec  9 15:26 theirs\n"), std::string::npos);
  EXPECT_FALSE(zub::fold_long_listing("a sentence\n" + ls.substr(0, 300)));
}

TEST(HookShapes, LongDiffsAndSearchesNameTheirRawLines) {
  std::string diff;
  for (int c = 0; c < 3; ++c) {
    diff += "commit " + std::string(40, static_cast<char>('a' + c)) +
            "\nAuthor: A <a@x>\n\n    change " + std::to_string(c) + "\n\n";
    for (int f = 0; f < 2; ++f)
      diff += "diff --git a/src/f" + std::to_string(f) + ".c b/src/f" + std::to_string(f) +
              ".c\nindex 1..2 100644\n--- a/src/f" + std::to_string(f) + ".c\n+++ b/src/f" +
              std::to_string(f) + ".c\n@@ -1,3 +1,3 @@\n-old\n+new\n+more\n ctx\n";
  }
  const auto map = zub::diff_digest(diff, "RAW");
  ASSERT_TRUE(map);
  // 23 lines per commit, 9 per file; the ranges meet without overlapping.
  EXPECT_NE(map->find("commit bbbbbbbbbbbb change 1 (24-46)\n  src/f0.c  +2 -1, 1 hunk (29-37)\n"
                      "  src/f1.c  +2 -1, 1 hunk (38-46)\ncommit cccccccccccc change 2 (47-69)\n"),
            std::string::npos)
      << *map;

  std::string hits;
  for (int f = 0; f < 60; ++f)
    for (int k = 1; k <= 5; ++k)
      hits += "src/m" + std::to_string(f) + ".c:" + std::to_string(k * 10) + ":x = y(" +
              std::to_string(k) + ");\n";
  const auto g = zub::group_hits(hits, "RAW", 1500);
  ASSERT_TRUE(g);
  EXPECT_EQ(g->hits, 300u);
  // Listed files give every number; the rest are one raw range.
  EXPECT_NE(g->text.find("10| x = y(1);\n  \xE2\x80\xA6 +4 more at 20,30,40,50\n"),
            std::string::npos)
      << g->text;
  const size_t rest = g->text.find(" more files, ");
  ASSERT_NE(rest, std::string::npos) << g->text;
  EXPECT_NE(g->text.find("-300)", rest), std::string::npos) << g->text.substr(rest);
}

TEST(HookShapes, ProgressRunsFoldAroundWhatFailed) {
  std::string log;
  for (int i = 0; i < 50; ++i) log += "   Compiling crate" + std::to_string(i) + " v0.1.0\n";
  log += "error[E0308]: mismatched types\n";
  for (int i = 0; i < 2; ++i)
    log += "[ RUN      ] T.t" + std::to_string(i) + "\n[       OK ] T.t" + std::to_string(i) +
           " (0 ms)\n";
  const zub::ProgressFold f = zub::fold_progress(log);
  EXPECT_EQ(f.text,
            "   Compiling crate0 v0.1.0\n  \xE2\x80\xA6 (+49 more progress lines: "
            "Compiling\xE2\x80\xA6)\n"
            "error[E0308]: mismatched types\n[ RUN      ] T.t0\n"
            "  \xE2\x80\xA6 (+3 more progress lines: [ RUN      ]\xE2\x80\xA6)\n");
  EXPECT_EQ(f.folded, 52u);
}

}  // namespace
