#include "base/dir_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string>

#include "support/temp_dir.h"

// One listing: files and directories with their UTF-8 names; ".", "..",
// skipped names, links and other kinds are left out; a name that is not
// UTF-8 comes with its lossy decoding beside the raw bytes.
TEST(DirReader, ListsFilesAndDirectoriesOnly) {
  zub_test::TempDir dir;
  dir.write("a.c", "int a;\n");
  dir.mkdir("sub");
  dir.mkdir("node_modules");
  dir.write("bad\xff.c", "x\n");
  ASSERT_EQ(symlink("a.c", (dir / "link.c").c_str()), 0);
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  std::map<std::string, std::string> seen;  // name -> "dir" or "file", raw
  zub::DirReader r(dir.path());
  ASSERT_TRUE(r.is_open());
  zub::DirEntry e;
  while (r.next(e)) {
    EXPECT_EQ(e.utf8, e.name == e.raw);
    seen[std::string(e.name)] = (e.dir ? "dir " : "file ") + std::string(e.raw);
  }
  const std::map<std::string, std::string> want = {
      {"a.c", "file a.c"}, {"sub", "dir sub"}, {"bad\xEF\xBF\xBD.c", "file bad\xff.c"}};
  EXPECT_EQ(seen, want);
  EXPECT_FALSE(zub::DirReader(dir / "missing").is_open());
}
