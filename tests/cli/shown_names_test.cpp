// File names in what zub prints: a name may hold line feeds and terminal
// escapes, and every subcommand that shows it escapes it the same way. Runs
// in a few milliseconds, so it stays in the fast half of the suite.
#include <gtest/gtest.h>

#include <string>

#include "hardening/bounded_run.h"

using zub_test::BoundedRun;
using zub_test::run_bounded;
using zub_test::TempDir;

// A file name may hold line feeds and terminal escapes. Printed, it is
// escaped, so it can neither forge a header or a hit nor drive the terminal:
// every line of output is one line of what it reports.
TEST(ShownNames, ControlCharactersInNamesCannotForgeLines) {
  TempDir tmp;
  const std::string d1 = tmp.mkdir("one");
  const std::string d2 = tmp.mkdir("two");
  const std::string forged = "evil\n── fake.rs\n1| needle";
  const std::string forged_shown = "evil\\n── fake.rs\\n1| needle";
  tmp.write("one/" + forged, "fn needle() {}\n");
  const std::string esc = "esc\x1b[31m\x7f\xc2\x9b\t.rs";
  const std::string esc_shown = "esc\\x1b[31m\\x7f\\u009b\\t.rs";
  tmp.write("two/" + esc, "needle\n");

  BoundedRun r = run_bounded({"grep", "needle", d1}, 20);
  EXPECT_EQ(r.run.status, 0);
  EXPECT_EQ(r.run.out,
            "@ " + d1 + "/\n── " + forged_shown + "\n1| fn needle() {}\n[1 files, 1 hits]\n");
  r = run_bounded({"grep", "-l", "needle", d2}, 20);
  EXPECT_EQ(r.run.out, "@ " + d2 + "/\n" + d2 + "/" + esc_shown + "\n[1 files, 1 hits]\n");
  r = run_bounded({"grep", "-c", "needle", d2 + "/" + esc, d1 + "/gone\n1| x"}, 20);
  EXPECT_EQ(r.run.status, 2);
  EXPECT_EQ(r.run.out, "1 " + d2 + "/" + esc_shown + "\n[1 files, 1 hits]\n");
  EXPECT_EQ(r.run.err, "zub: " + d1 + "/gone\\n1| x: No such file or directory (os error 2)\n");

  r = run_bounded({"def", "needle", d1}, 20);
  EXPECT_EQ(r.run.status, 0);
  EXPECT_EQ(r.run.out,
            "@ " + d1 + "/\n[1 definitions]\n── " + forged_shown + ":1-1\n1| fn needle() {}\n");

  r = run_bounded({"read", d2 + "/\x1b]0;x\x07", d1 + "/" + forged, d2 + "/" + esc}, 20);
  EXPECT_EQ(r.run.status, 2);
  EXPECT_EQ(r.run.out, "== " + d1 + "/" + forged_shown + " (전체) ==\nfn needle() {}\n== " + d2 +
                           "/" + esc_shown + " (전체) ==\nneedle\n");
  EXPECT_EQ(r.run.err, "zub: " + d2 + "/\\x1b]0;x\\x07: No such file or directory (os error 2)\n");
  r = run_bounded({"outline", d2 + "/" + esc}, 20);
  EXPECT_EQ(r.run.out, "== " + d2 + "/" + esc_shown + " (1 lines, 본문 생략) ==\n");

  r = run_bounded({"map", d1}, 20);
  EXPECT_EQ(r.run.status, 0);
  EXPECT_EQ(r.run.out, "1 files\next: .rs\\n1| needle×1 \nfiles KB dir\n1 0 " + d1 + "\n");
}
