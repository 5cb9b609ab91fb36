// The install rule and the Debian package carry the binary and its man page,
// and the package version is the one `zub --version` prints.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "base/process.h"
#include "support/run_zub.h"

namespace {

std::string build_dir() {
  std::string bin = ZUB_BINARY;
  return bin.substr(0, bin.rfind('/'));
}

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

TEST(Release, InstallPutsBinaryAndManPageUnderThePrefix) {
  zub_test::TempDir prefix;
  zub::ProcessResult r =
      zub::run_process({"cmake", "--install", build_dir(), "--prefix", prefix.path()});
  ASSERT_TRUE(r.exited && r.exit_code == 0) << r.out << r.err;
  EXPECT_TRUE(exists(prefix / "bin/zub"));
  EXPECT_TRUE(exists(prefix / "share/man/man1/zub.1"));
  EXPECT_EQ(version_of_binary(prefix / "bin/zub"), version_of_binary(ZUB_BINARY));
}

TEST(Release, DebianPackageVersionMatchesTheBinary) {
  if (zub::run_process({"dpkg-deb", "--version"}).exit_code != 0) GTEST_SKIP() << "no dpkg-deb";
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
  EXPECT_NE(files.out.find("./usr/bin/zub"), std::string::npos);
  EXPECT_NE(files.out.find("./usr/share/man/man1/zub.1"), std::string::npos);
}
