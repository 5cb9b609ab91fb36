// The install rule and the Debian package carry the binary, its man page,
// shell completion, copyright and changelog; `make uninstall` takes back
// what was installed; the package version is the one `zub --version`
// prints; the completion scripts offer what the option tables hold.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/process.h"
#include "support/run_zub.h"

namespace {

std::string build_dir() {
  std::string bin = ZUB_BINARY;
  return bin.substr(0, bin.rfind('/'));
}

// cpack installs into its staging directory through the build tree, which
// rewrites the tree's install_manifest.txt: the two tests that install from
// the tree take turns, as a user's `make install` and `make deb` do.
class BuildTreeTurn {
 public:
  BuildTreeTurn()
      : fd_(::open((build_dir() + "/.release-test.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC,
                   0600)) {
    if (fd_ >= 0) ::flock(fd_, LOCK_EX);
  }
  ~BuildTreeTurn() {
    if (fd_ >= 0) ::close(fd_);
  }
  BuildTreeTurn(const BuildTreeTurn&) = delete;
  BuildTreeTurn& operator=(const BuildTreeTurn&) = delete;

 private:
  int fd_;
};

bool exists(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0;
}

std::string version_of_binary(const std::string& bin) {
  zub::ProcessResult r = zub::run_process({bin, "--version"});
  // "zub 0.1.0 (release, ...)" -> "0.1.0"
  const size_t a = r.out.find(' ') + 1;
  return r.out.substr(a, r.out.find(' ', a) - a);
}

}  // namespace

// What `make install` and the package put in place, under the prefix.
const char* const kInstalled[] = {
    "bin/zub",
    "share/man/man1/zub.1.gz",
    "share/bash-completion/completions/zub",
    "share/zsh/vendor-completions/_zub",
    "share/fish/vendor_completions.d/zub.fish",
    "share/doc/zub/copyright",
    "share/doc/zub/changelog.gz",
};

TEST(Release, InstallPutsEverythingUnderThePrefixAndUninstallTakesItBack) {
  BuildTreeTurn turn;
  zub_test::TempDir prefix;
  const std::string kept = prefix.write("share/man/man1/other.1", "x");  // someone else's
  // `make install` without its build step (the tree is built).
  zub::ProcessResult r =
      zub::run_process({"cmake", "--install", build_dir(), "--prefix", prefix.path()});
  ASSERT_TRUE(r.exited && r.exit_code == 0) << r.out << r.err;
  r = zub::run_process(
      {"cp", build_dir() + "/install_manifest.txt", build_dir() + "/zub_installed.txt"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  for (const char* f : kInstalled) EXPECT_TRUE(exists(prefix / f)) << f;
  EXPECT_EQ(version_of_binary(prefix / "bin/zub"), version_of_binary(ZUB_BINARY));
  // The man page is gzip -9n: no name or time in the header.
  zub::ProcessResult gz = zub::run_process({"gzip", "-lv", prefix / "share/man/man1/zub.1.gz"});
  EXPECT_NE(gz.out.find("zub.1"), std::string::npos) << gz.out;
  const std::string head = zub_test::file_bytes(prefix / "share/man/man1/zub.1.gz").substr(0, 10);
  EXPECT_EQ(head.substr(3, 5), std::string("\0\0\0\0\0", 5)) << "flags and time stamp are zero";

  // A package made in between (`make deb`) leaves what uninstall takes back
  // as it was.
  zub_test::TempDir deb;
  r = zub::run_process(
      {"cpack", "-G", "DEB", "--config", build_dir() + "/CPackConfig.cmake", "-B", deb.path()});
  r = zub::run_process({"make", "-s", "-C", ZUB_SOURCE_DIR, "uninstall", "BUILD=" + build_dir()});
  ASSERT_TRUE(r.exited && r.exit_code == 0) << r.out << r.err;
  for (const char* f : kInstalled) EXPECT_FALSE(exists(prefix / f)) << f;
  EXPECT_FALSE(exists(prefix / "share/doc/zub"));
  EXPECT_TRUE(exists(kept));
  EXPECT_TRUE(exists(prefix / "bin"));  // a shared directory stays
}

// The scripts offer the subcommands and each one's options from its table;
// bash and fish are asked, as a shell asks when the user presses tab.
TEST(Release, CompletionOffersSubcommandsOptionsAndFiles) {
  zub_test::TempDir t;
  const std::string bash = t.write("zub.bash", zub_test::run_zub({"completion", "bash"}).out);
  auto ask_bash = [&](const std::string& words) {
    return zub::run_process({"bash", "-c",
                             "source '" + bash + "'; COMP_WORDS=(" + words +
                                 "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _zub; "
                                 "echo \"${COMPREPLY[*]}\""})
        .out;
  };
  EXPECT_EQ(ask_bash("zub gr"), "grep\n");
  EXPECT_EQ(ask_bash("zub init --no-p"), "--no-post\n");
  EXPECT_EQ(ask_bash("zub gain --"), "--help --reset --daily --json\n");
  EXPECT_EQ(ask_bash("zub help ou"), "outline\n");
  EXPECT_EQ(ask_bash("zub wrap --timeo"), "\n");  // a refused habit is not offered
  EXPECT_EQ(ask_bash("zub completion x"), "\n");  // no operands to offer

  if (zub::run_process({"fish", "--version"}).exit_code == 0) {
    const std::string fish = t.write("zub.fish", zub_test::run_zub({"completion", "fish"}).out);
    zub::ProcessResult f = zub::run_process(
        {"fish", "-c",
         "source '" + fish + "'; complete -C 'zub read --by'; complete -C 'zub ini'"});
    EXPECT_EQ(f.out, "--bytes\ninit\n") << f.err;
  }
  if (zub::run_process({"zsh", "--version"}).exit_code == 0) {
    const std::string zsh = t.write("_zub", zub_test::run_zub({"completion", "zsh"}).out);
    EXPECT_EQ(zub::run_process({"zsh", "-n", zsh}).exit_code, 0);
  }
  auto bad = zub_test::run_zub({"completion", "tcsh"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("zub completion bash|zsh|fish"), std::string::npos) << bad.err;
}

TEST(Release, DebianPackageVersionMatchesTheBinary) {
  if (zub::run_process({"dpkg-deb", "--version"}).exit_code != 0) GTEST_SKIP() << "no dpkg-deb";
  BuildTreeTurn turn;
  zub_test::TempDir out;
  zub::ProcessResult r = zub::run_process(
      {"cpack", "-G", "DEB", "--config", build_dir() + "/CPackConfig.cmake", "-B", out.path()});
  ASSERT_TRUE(r.exited && r.exit_code == 0) << r.out << r.err;
  zub::ProcessResult ls = zub::run_process({"sh", "-c", "ls '" + out.path() + "'/*.deb"});
  ASSERT_EQ(ls.exit_code, 0) << ls.err;
  const std::string deb = ls.out.substr(0, ls.out.find('\n'));
  zub::ProcessResult v = zub::run_process({"dpkg-deb", "-f", deb, "Version"});
  EXPECT_EQ(v.out, version_of_binary(ZUB_BINARY) + "\n");
  zub::ProcessResult files = zub::run_process({"dpkg-deb", "-c", deb});
  for (const char* f : kInstalled)
    EXPECT_NE(files.out.find("./usr/" + std::string(f)), std::string::npos) << f;
  zub::ProcessResult m = zub::run_process({"dpkg-deb", "-f", deb, "Maintainer"});
  EXPECT_EQ(m.out.find("localhost"), std::string::npos) << m.out;
  // The changelog names the version packaged.
  zub::ProcessResult c =
      zub::run_process({"sh", "-c", "gzip -dc '" + build_dir() + "/changelog.gz' | head -1"});
  EXPECT_EQ(c.out.rfind("zub (" + version_of_binary(ZUB_BINARY) + ") ", 0), 0u) << c.out;
}

// The README's checked samples are what this binary prints;
// tools/readme_samples.py --fix rewrites stale ones.
TEST(Release, ReadmeSamplesMatchTheBinary) {
  zub::ProcessResult r =
      zub::run_process({"python3", ZUB_SOURCE_DIR "/tools/readme_samples.py", "--zub", ZUB_BINARY});
  ASSERT_TRUE(r.exited) << r.err;
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_NE(r.out.find(" samples match"), std::string::npos) << r.out;
}

// The option lists of the README and the man page are what the option
// tables say; tools/doc_options.py --fix rewrites stale ones.
TEST(Release, OptionListsMatchTheTables) {
  zub::ProcessResult r =
      zub::run_process({"python3", ZUB_SOURCE_DIR "/tools/doc_options.py", "--zub", ZUB_BINARY});
  ASSERT_TRUE(r.exited) << r.err;
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_NE(r.out.find(" option lists match"), std::string::npos) << r.out;
}
