// Hostile directory trees met end to end: depth beyond the walk limit,
// symbolic-link loops, a hundred thousand files in one directory, FIFOs and
// sockets, files that vanish or shrink while they are walked, and files the
// user may not read. Every run has a hard time limit.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <climits>
#include <string>
#include <thread>

#include "base/process.h"
#include "base/text.h"
#include "hardening/bounded_run.h"

using zub_test::BoundedRun;
using zub_test::kSanitized;
using zub_test::run_bounded;
using zub_test::run_bounded_via;
using zub_test::TempDir;

namespace {

void touch(const std::string& path, const std::string& content = "") {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0) << path;
  if (!content.empty()) {
    ASSERT_EQ(::write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
  }
  ::close(fd);
}

// "{root}/d/d/.../d" with `depth` components below the root.
std::string nested(const std::string& root, int depth) {
  std::string p = root;
  for (int i = 0; i < depth; ++i) p += "/d";
  return p;
}

// Builds a chain of 300 directories with one source file at every level;
// the files at depths 255 and 256 define `bottom`.
std::string deep_tree(const TempDir& tmp) {
  const std::string root = tmp.mkdir("deep");
  tmp.mkdir(nested("deep", 300));
  for (int k = 0; k <= 300; ++k)
    touch(nested(root, k) + "/f.c", k == 255 || k == 256 ? "fn bottom() {}\n" : "fn f() {}\n");
  return root;
}

bool is_report(const std::string& out) {
  size_t i = 0;
  while (i < out.size() && out[i] >= '0' && out[i] <= '9') ++i;
  return i > 0 && out.compare(i, 7, " files\n") == 0;
}

}  // namespace

TEST(HardeningTrees, MapStopsAtTheDepthLimitOfADeepTree) {
  TempDir tmp;
  const std::string root = deep_tree(tmp);
  BoundedRun r = run_bounded({"map", root, "-n", "1"}, 30);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0);
  // Levels 0 to 255 are read, the directory at 256 is reported, not read.
  EXPECT_EQ(r.run.out.substr(0, r.run.out.find("files KB dir")), "256 files\next: .c×256 \n");
  EXPECT_EQ(r.run.err, "zub: " + nested(root, 256) + ": 깊이 256 초과로 중단\n");
}

TEST(HardeningTrees, GrepAndDefStopAtTheDepthLimitOfADeepTree) {
  TempDir tmp;
  const std::string root = deep_tree(tmp);
  const std::string at255 = nested("", 255).substr(1) + "/f.c";
  BoundedRun r = run_bounded({"grep", "-l", "bottom", root}, 30);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(r.run.out, "@ " + root + "/\n" + root + "/" + at255 + "\n[1 files, 1 hits]\n");
  r = run_bounded({"grep", "-c", "fn ", root}, 30);
  ASSERT_FALSE(r.timed_out);
  EXPECT_TRUE(zub::ends_with(r.run.out, "\n[256 files, 256 hits]\n"))
      << r.run.out.substr(r.run.out.size() - 100);

  r = run_bounded({"def", "bottom", root}, 30);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(r.run.out,
            "@ " + root + "/\n[1 definitions]\n── " + at255 + ":1-1\n1| fn bottom() {}\n");
  EXPECT_EQ(r.run.err, "");
}

TEST(HardeningTrees, SymbolicLinkLoopsAreNeverFollowed) {
  TempDir tmp;
  const std::string root = tmp.mkdir("loop");
  tmp.write("loop/a/f.c", "fn f() {}\n");
  ASSERT_EQ(::symlink("..", (root + "/a/up").c_str()), 0);
  ASSERT_EQ(::symlink(".", (root + "/self").c_str()), 0);
  ASSERT_EQ(::symlink(root.c_str(), (root + "/a/abs").c_str()), 0);
  ASSERT_EQ(::symlink("a/f.c", (root + "/g.c").c_str()), 0);
  ASSERT_EQ(::symlink("ring2", (root + "/ring1").c_str()), 0);
  ASSERT_EQ(::symlink("ring1", (root + "/ring2").c_str()), 0);
  BoundedRun r = run_bounded({"grep", "-c", "f", root}, 30);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(r.run.out, "@ " + root + "/\n1 a/f.c\n[1 files, 1 hits]\n");
  r = run_bounded({"def", "f", root}, 30);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(r.run.out, "@ " + root + "/\n[1 definitions]\n── a/f.c:1-1\n1| fn f() {}\n");
  r = run_bounded({"map", root}, 30);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(r.run.out, "1 files\next: .c×1 \nfiles KB dir\n1 0 " + root + "\n1 0 a\n");
  EXPECT_EQ(r.run.err, "");
}

TEST(HardeningTrees, HundredThousandFilesInOneDirectory) {
  TempDir tmp(TempDir::memory_parent());
  const std::string root = tmp.mkdir("wide");
  const int n = kSanitized ? 20000 : 100000;
  // Every 50th file holds the needle (7 bytes); the rest are empty.
  for (int i = 0; i < n; ++i)
    touch(root + "/f" + std::to_string(i) + ".c", i % 50 ? "" : "needle\n");
  const int hits = n / 50;
  BoundedRun r = run_bounded({"map", root}, 60);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  const std::string count = std::to_string(n);
  EXPECT_EQ(r.run.out, count + " files\next: .c×" + count + " \nfiles KB dir\n" + count + " " +
                           std::to_string(hits * 7 / 1024) + " " + root + "\n");

  r = run_bounded({"grep", "-l", "needle", root}, 60);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  // -l lists up to 1000 files and says how many more there were.
  const int listed = hits < 1000 ? hits : 1000;
  std::string tail;
  if (hits > 1000) {
    tail += "[… ";  // appended piecewise: g++ 12 misreads "[" + to_string as overlapping
    tail += std::to_string(hits - 1000) + " 파일 더 있음: 범위를 좁히거나 --max-files 를 올려라]\n";
  }
  tail += "[";
  tail += std::to_string(hits) + " files, " + std::to_string(hits) + " hits]\n";
  ASSERT_TRUE(zub::ends_with(r.run.out, tail)) << r.run.out.substr(r.run.out.size() - 200);
  const std::string list = r.run.out.substr(0, r.run.out.size() - tail.size());
  EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), listed + 1);  // and the "@" line
}

TEST(HardeningTrees, FifosAndSocketsAreNeverOpened) {
  TempDir tmp;
  const std::string root = tmp.mkdir("special");
  tmp.write("special/a.c", "fn a() {}\n");
  const std::string fifo = root + "/pipe.c";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  zub_test::make_socket_file(root + "/sock.c");

  BoundedRun r = run_bounded({"map", root}, 20);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(r.run.out, "1 files\next: .c×1 \nfiles KB dir\n1 0 " + root + "\n");
  r = run_bounded({"grep", "-c", "a", root}, 20);
  ASSERT_FALSE(r.timed_out) << "grep opened a FIFO in the tree";
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(r.run.out, "@ " + root + "/\n1 a.c\n[1 files, 1 hits]\n");
  r = run_bounded({"def", "a", root}, 20);
  ASSERT_FALSE(r.timed_out) << "def opened a FIFO in the tree";
  EXPECT_EQ(r.run.out, "@ " + root + "/\n[1 definitions]\n── a.c:1-1\n1| fn a() {}\n");

  // Named directly, a FIFO without a writer reads as an empty file instead
  // of blocking the run in open().
  r = run_bounded({"read", fifo}, 20);
  ASSERT_FALSE(r.timed_out) << "read blocked on a FIFO";
  EXPECT_EQ(r.run.status, 2);
  EXPECT_EQ(r.run.err, "zub: " + fifo + ": 1-끝 범위에 내용이 없다(파일이 그보다 짧다)\n");
  r = run_bounded({"read", "-c", "10", fifo}, 20);
  ASSERT_FALSE(r.timed_out) << "read -c blocked on a FIFO";
  EXPECT_EQ(r.run.status, 0);
  EXPECT_EQ(r.run.out, "");
  r = run_bounded({"outline", fifo, root + "/a.c"}, 20);
  ASSERT_FALSE(r.timed_out) << "outline blocked on a FIFO";
  EXPECT_EQ(r.run.status, 0);
  EXPECT_EQ(r.run.out, "== " + fifo + " (0 lines, 본문 생략) ==\n== " + root +
                           "/a.c (1 lines, 본문 생략) ==\n1| fn a() {}\n");
  r = run_bounded({"grep", "a", fifo, root + "/a.c"}, 20);
  ASSERT_FALSE(r.timed_out) << "grep blocked on a FIFO root";
  EXPECT_EQ(r.run.status, 0);
  EXPECT_EQ(r.run.out, "── " + root + "/a.c\n1| fn a() {}\n[1 files, 1 hits]\n");
  r = run_bounded({"def", "a", fifo}, 20);
  ASSERT_FALSE(r.timed_out) << "def blocked on a FIFO root";
  EXPECT_EQ(r.run.status, 1);  // nothing found in it
  r = run_bounded({"map", fifo}, 20);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 2);
  EXPECT_EQ(r.run.err, "zub map: " + fifo + ": 디렉터리도 파일도 아니다\n");
}

TEST(HardeningTrees, FilesVanishingOrShrinkingDuringTheWalk) {
  TempDir tmp;
  const std::string root = tmp.mkdir("churn");
  for (int d = 0; d < 8; ++d) tmp.mkdir("churn/d" + std::to_string(d));
  const std::string big = root + "/big.c";
  const std::string big_text(1 << 20, 'x');
  touch(big, big_text);

  std::atomic<bool> stop{false};
  std::thread churn([&] {
    // Deletes, recreates and truncates files and directories as fast as it
    // can; the mapped file keeps shrinking to nothing and growing back.
    for (unsigned i = 0; !stop; ++i) {
      const std::string dir = root + "/d" + std::to_string(i % 8);
      for (int f = 0; f < 20; ++f) {
        const std::string p = dir + "/f" + std::to_string(f) + ".c";
        if (i % 2) {
          ::unlink(p.c_str());
        } else {
          int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
          if (fd >= 0) ::close(fd);
        }
      }
      if (i % 16 == 0) {
        const std::string sub = dir + "/sub";
        if (::mkdir(sub.c_str(), 0755) != 0) ::rmdir(sub.c_str());
      }
      if (::truncate(big.c_str(), i % 2 ? 0 : static_cast<off_t>(big_text.size())) != 0) break;
    }
  });
  const int rounds = kSanitized ? 10 : 30;
  for (int i = 0; i < rounds; ++i) {
    BoundedRun r = run_bounded({"map", root}, 30);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.run.status, 0) << r.run.err;
    EXPECT_EQ(r.run.err, "");
    EXPECT_TRUE(is_report(r.run.out)) << r.run.out;
    // A file truncated while mapped must not kill the reader (SIGBUS).
    r = run_bounded({"read", big, "1-1"}, 30);
    ASSERT_FALSE(r.timed_out);
    EXPECT_TRUE(r.run.status == 0 || r.run.status == 2) << r.run.status << r.run.err;
    r = run_bounded({"outline", big}, 30);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.run.status, 0) << r.run.err;
    r = run_bounded({"grep", "-c", "x", root}, 30);
    ASSERT_FALSE(r.timed_out);
    EXPECT_TRUE(r.run.status == 0 || r.run.status == 1) << r.run.status << r.run.err;
    EXPECT_EQ(r.run.err, "");
    r = run_bounded({"def", "x", root}, 30);
    ASSERT_FALSE(r.timed_out);
    EXPECT_TRUE(r.run.status == 0 || r.run.status == 1) << r.run.status << r.run.err;
    EXPECT_EQ(r.run.err, "");
  }
  stop = true;
  churn.join();
}

TEST(HardeningTrees, UnreadableFilesAndDirectories) {
  if (::geteuid() == 0) {
    BoundedRun probe = run_bounded_via(
        {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"}, {"version"}, 20);
    if (probe.run.status != 0)
      GTEST_SKIP() << "running as root and cannot drop to nobody with setpriv: "
                      "permissions would not apply";
  }
  TempDir tmp;
  ASSERT_EQ(::chmod(tmp.path().c_str(), 0755), 0);
  const std::string root = tmp.mkdir("perm");
  const std::string open_file = tmp.write("perm/a.c", "fn a() {}\n");
  const std::string closed_file = tmp.write("perm/b.c", "fn b() {}\n");
  const std::string hidden = tmp.write("perm/secret/c.c", "fn c() {}\n");
  ASSERT_EQ(::chmod(closed_file.c_str(), 0), 0);
  ASSERT_EQ(::chmod((root + "/secret").c_str(), 0), 0);
  std::vector<std::string> as_nobody;
  if (::geteuid() == 0) as_nobody = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
  // A private temporary directory above ours (TMPDIR made by mktemp -d)
  // keeps nobody out of the whole tree; then nothing here can be checked.
  if (run_bounded_via(as_nobody, {"outline", open_file}, 20).run.status != 0)
    GTEST_SKIP() << "the temporary directory is not reachable for the unprivileged user";

  // The unreadable directory is passed over; the unreadable file still has
  // a size and is counted.
  BoundedRun r = run_bounded_via(as_nobody, {"map", root}, 20);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0);
  EXPECT_EQ(r.run.err, "");
  EXPECT_EQ(r.run.out, "2 files\next: .c×2 \nfiles KB dir\n2 0 " + root + "\n");

  const std::string denied = "Permission denied (os error 13)";
  // A file named and not readable is a failure (status 2); the others are
  // still shown.
  r = run_bounded_via(as_nobody, {"read", closed_file, open_file}, 20);
  EXPECT_EQ(r.run.status, 2) << r.run.err;
  EXPECT_EQ(r.run.out,
            closed_file + ": " + denied + "\n== " + open_file + " (전체) ==\nfn a() {}\n");
  r = run_bounded_via(as_nobody, {"outline", closed_file}, 20);
  EXPECT_EQ(r.run.status, 2) << r.run.err;
  EXPECT_EQ(r.run.out, closed_file + ": " + denied + "\n");
  r = run_bounded_via(as_nobody, {"grep", "fn", root}, 20);
  EXPECT_EQ(r.run.status, 0);
  EXPECT_EQ(r.run.err, "");
  EXPECT_EQ(r.run.out, "@ " + root + "/\n── a.c\n1| fn a() {}\n[1 files, 1 hits]\n");
  r = run_bounded_via(as_nobody, {"def", "b", root}, 20);
  EXPECT_EQ(r.run.status, 1);
  EXPECT_EQ(r.run.err, "");
  EXPECT_EQ(
      r.run.out,
      "@ " + root + "/\n[`b` 의 정의를 못 찾았다: 참조까지 보려면 `zub grep -w b " + root + "`]\n");
  r = run_bounded_via(as_nobody, {"read", hidden}, 20);
  EXPECT_EQ(r.run.status, 2);
  EXPECT_EQ(r.run.err, "zub: " + hidden + ": " + denied + "\n");
}

// A tree whose paths grow past PATH_MAX: no open() takes such a path, so
// the walk passes those directories and files over, and says how many,
// like its other skips.
TEST(HardeningTrees, PathsLongerThanPathMaxAreCountedNotSilentlyLost) {
  TempDir tmp;
  const std::string root = tmp.mkdir("long");
  const std::string seg(100, 'a');
  const std::string last(200, 'b');  // so long that any path ending in it is too long
  // Levels made relative to the one above: their full paths outgrow PATH_MAX.
  int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  std::string path = root;
  for (; path.size() + 1 + seg.size() < PATH_MAX - 60;) {
    ASSERT_EQ(::mkdirat(fd, seg.c_str(), 0755), 0);
    const int next = ::openat(fd, seg.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::close(fd);
    ASSERT_GE(next, 0);
    fd = next;
    path += "/" + seg;
  }
  // The deepest directory that can be opened holds a file whose own path
  // is too long, and one more directory whose path is too long.
  const std::string file_name = last + ".c";
  const int file = ::openat(fd, file_name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(file, 0);
  const std::string body = "void needle(void) {}\n";
  ASSERT_EQ(::write(file, body.data(), body.size()), static_cast<ssize_t>(body.size()));
  ::close(file);
  ASSERT_EQ(::mkdirat(fd, last.c_str(), 0755), 0);
  ::close(fd);
  ASSERT_LT(path.size(), static_cast<size_t>(PATH_MAX));
  ASSERT_GE(path.size() + 1 + last.size(), static_cast<size_t>(PATH_MAX));
  touch(root + "/near.c", body);

  BoundedRun r = run_bounded({"grep", "needle", root}, 30);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_TRUE(zub::ends_with(r.run.out, "[1 files, 1 hits, 2 paths over PATH_MAX skipped]\n"))
      << r.run.out;
  r = run_bounded({"def", "needle", root}, 30);
  EXPECT_NE(r.run.out.find("[1 definitions]\n[2 paths over PATH_MAX skipped]\n"), std::string::npos)
      << r.run.out;
  // map reads file sizes relative to their directory: only the directory
  // that cannot be opened is lost.
  r = run_bounded({"map", root}, 30);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_TRUE(zub::ends_with(r.run.out, "[1 paths over PATH_MAX skipped]\n")) << r.run.out;
  EXPECT_EQ(r.run.out.rfind("2 files\n", 0), 0u) << r.run.out;
  // The test's own clean-up works by path; rm walks by descriptor.
  zub::run_process({"rm", "-rf", root});
}
