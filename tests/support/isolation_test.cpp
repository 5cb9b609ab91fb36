// The isolation every test relies on: a ZUB_* setting of the caller (or of
// the test process itself) never reaches a zub that a test starts unless the
// test asks for it, and zub's HOME, state home and temporary directory are
// the test process's private ones.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "base/process.h"
#include "support/run_zub.h"
#include "support/test_env.h"

using zub_test::RunOptions;
using zub_test::test_home;

TEST(TestIsolation, ZubStartsWithoutZubSettingsInThePrivateDirectories) {
  const zub_test::TestHome& home = test_home();
  ASSERT_FALSE(home.home.empty());
  EXPECT_EQ(std::string(std::getenv("HOME")), home.home);
  EXPECT_EQ(std::string(std::getenv("XDG_STATE_HOME")), home.state);
  EXPECT_EQ(std::string(std::getenv("TMPDIR")), home.tmp);
  EXPECT_TRUE(zub_test::zub_variable_names().empty());

  zub_test::TempDir t;
  const std::string file = t.write("a.txt", "one\n");
  ::setenv("ZUB_READ_NUM", "1", 1);
  const zub_test::Run leaked = zub_test::run_zub({"read", file});
  // Seen by the helpers that start zub another way too.
  const zub::ProcessResult env = zub::run_process(
      {"sh", "-c",
       "printf '%s|%s|%s|%s' \"$HOME\" \"$XDG_STATE_HOME\" \"$TMPDIR\" \"${ZUB_READ_NUM-unset}\""},
      zub_test::zub_process_options({}));
  ::unsetenv("ZUB_READ_NUM");
  EXPECT_EQ(leaked.out, "one\n");
  EXPECT_EQ(env.out, home.home + "|" + home.state + "|" + home.tmp + "|unset");

  RunOptions asked;
  asked.env_set = {"ZUB_READ_NUM=1", "HOME=" + t.path()};
  EXPECT_EQ(zub_test::run_zub({"read", file}, asked).out, "    1| one\n");
  RunOptions own_dirs;
  own_dirs.env_set = {"HOME=" + t.path()};
  own_dirs.env_unset = {"TMPDIR"};
  const zub::ProcessResult own =
      zub::run_process({"sh", "-c", "printf '%s|%s' \"$HOME\" \"${TMPDIR-unset}\""},
                       zub_test::zub_process_options(own_dirs));
  EXPECT_EQ(own.out, t.path() + "|unset");
}
