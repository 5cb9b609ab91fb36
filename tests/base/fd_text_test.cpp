#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <cerrno>
#include <string>

#include "base/file_io.h"
#include "base/process.h"
#include "support/run_zub.h"

TEST(FdText, MappedAndReadInputsStartAtTheDescriptorOffset) {
  zub_test::TempDir dir;
  std::string big;
  for (int i = 0; big.size() < (3u << 20); ++i) big += "line " + std::to_string(i) + "\n";
  const std::string small = "short\ntext\n";
  for (const std::string* content : {static_cast<const std::string*>(&big), &small}) {
    const std::string path = dir.write("in.txt", *content);
    for (off_t offset : {off_t{0}, off_t{5}, off_t{4096 + 7}}) {
      if (static_cast<size_t>(offset) > content->size()) continue;
      int fd = open(path.c_str(), O_RDONLY);
      ASSERT_GE(fd, 0);
      ASSERT_EQ(lseek(fd, offset, SEEK_SET), offset);
      zub::ReadResult t = zub::read_fd_text(fd);
      EXPECT_TRUE(t.ok);
      EXPECT_TRUE(t.text() == std::string_view(*content).substr(static_cast<size_t>(offset)))
          << "size " << content->size() << " offset " << offset;
      EXPECT_EQ(content == &big, t.mapped());
      // The descriptor ends where a reader that consumed everything leaves it.
      EXPECT_EQ(lseek(fd, 0, SEEK_CUR), static_cast<off_t>(content->size()));
      zub::ReadResult moved(std::move(t));
      EXPECT_EQ(moved.text().size(), content->size() - static_cast<size_t>(offset));
      close(fd);
    }
  }
}

TEST(FdText, PipesAreReadWhole) {
  int p[2];
  ASSERT_EQ(pipe(p), 0);
  ASSERT_EQ(write(p[1], "abc\n", 4), 4);
  close(p[1]);
  zub::ReadResult t = zub::read_fd_text(p[0]);
  close(p[0]);
  EXPECT_TRUE(t.ok);
  EXPECT_EQ(t.text(), "abc\n");
  EXPECT_FALSE(t.mapped());
}

TEST(FdText, FiltersReadLargeFileInputAfterAnOffset) {
  // A shell that consumed the first line before zub runs: the filter sees
  // only the rest, from a mapped file.
  zub_test::TempDir dir;
  std::string big = "first line\n";
  for (int i = 0; big.size() < (2u << 20); ++i) big += "same\n";
  const std::string path = dir.write("log.txt", big);
  auto direct =
      zub::run_process({"sh", "-c", "{ read -r skip; \"$0\" logs; } < \"$1\"", ZUB_BINARY, path});
  const uint64_t lines = (big.size() - 11) / 5;
  EXPECT_EQ(direct.out, "same  \u00d73000\n[" + std::to_string(lines) + " lines in -> 1 unique, " +
                            std::to_string(lines - 3000) + " older dropped]\n");
}

// A buffer fills over several writes, stops at what a non-blocking pipe
// holds now (EAGAIN, not an end), and ends without waiting once the bytes
// the caller expects have come, though the writer still holds the pipe.
TEST(FdText, FillFromFdStopsAtFullEndOrNothingMore) {
  int p[2];
  ASSERT_EQ(pipe(p), 0);
  ASSERT_EQ(fcntl(p[0], F_SETFL, O_NONBLOCK), 0);
  char buf[8];
  ASSERT_EQ(write(p[1], "abcdefghij", 10), 10);
  zub::FdFill f = zub::fill_from_fd(p[0], buf, sizeof buf);
  EXPECT_EQ(std::string(buf, f.bytes), "abcdefgh");
  EXPECT_FALSE(f.ended);
  EXPECT_EQ(f.err, 0);
  f = zub::fill_from_fd(p[0], buf, sizeof buf);
  EXPECT_EQ(std::string(buf, f.bytes), "ij");
  EXPECT_FALSE(f.ended);
  EXPECT_EQ(f.err, EAGAIN);
  ASSERT_EQ(write(p[1], "xyz", 3), 3);
  f = zub::fill_from_fd(p[0], buf, sizeof buf, 3);
  EXPECT_EQ(std::string(buf, f.bytes), "xyz");
  EXPECT_TRUE(f.ended);
  EXPECT_EQ(f.err, 0);
  close(p[1]);
  f = zub::fill_from_fd(p[0], buf, sizeof buf);
  EXPECT_EQ(f.bytes, 0u);
  EXPECT_TRUE(f.ended);
  close(p[0]);
}

// Standard input a grep without a root may be meant to read: pipes and
// files are; /dev/null, a directory and a closed descriptor are not.
TEST(FdText, WhichDescriptorsMayCarryInput) {
  zub_test::TempDir dir;
  int p[2];
  ASSERT_EQ(pipe(p), 0);
  EXPECT_TRUE(zub::fd_may_carry_input(p[0]));
  close(p[0]);
  close(p[1]);
  const int file = open(dir.write("f", "x").c_str(), O_RDONLY);
  const int null = open("/dev/null", O_RDONLY);
  const int folder = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
  EXPECT_TRUE(zub::fd_may_carry_input(file));
  EXPECT_FALSE(zub::fd_may_carry_input(null));
  EXPECT_FALSE(zub::fd_may_carry_input(folder));
  for (int fd : {file, null, folder}) close(fd);
  EXPECT_FALSE(zub::fd_may_carry_input(p[0]));  // closed by now
}
