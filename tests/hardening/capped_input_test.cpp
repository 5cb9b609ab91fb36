// Standard input of any size: the filters, `grep PAT -`, `md` and the hook
// read within a cap, and `wrap` captures its command's output the same way.
// Past the cap the head and the tail are kept with a note of what was left
// out between them; nothing aborts and `wrap` keeps its command's status.
// An address-space limit far below the input size shows that memory
// follows the cap, not the input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "hardening/bounded_run.h"

using zub_test::BoundedRun;
using zub_test::kSanitized;
using zub_test::run_bounded_via;

namespace {

constexpr uint64_t kCap = uint64_t{4} << 20;
constexpr const char* kInput = "200000000";  // bytes piped in

// `zub args...` reading `producer`'s output, under an address-space limit
// well below the input (off under the sanitizers, which reserve far more).
BoundedRun piped(const std::string& producer, const std::vector<std::string>& args) {
  const std::string limit = kSanitized ? "" : "ulimit -v 120000; ";
  zub_test::RunOptions o;
  o.env_set = {"ZUB_FILTER_MAX=" + std::to_string(kCap), "ZUB_NO_RAW=1"};
  return run_bounded_via({"sh", "-c", producer + " | (" + limit + "exec \"$@\")", "sh"}, args, 120,
                         o);
}

std::string note(const std::string& sub, const std::string& what, uint64_t total) {
  return "[zub " + sub + ": " + what + " " + std::to_string(total) + " bytes 가 상한 " +
         std::to_string(kCap) + " bytes(ZUB_FILTER_MAX)를 넘어 앞뒤만 보고 가운데 ";
}

}  // namespace

TEST(HardeningCappedInput, FiltersKeepHeadAndTailOfAnInputFarBeyondTheCap) {
  const std::string log =
      "yes 'INFO 2026-01-01 request served in 12ms' | head -c " + std::string(kInput);
  const uint64_t total = 200000000;
  for (const char* sub : {"trim", "logs", "diag", "md"}) {
    BoundedRun r = piped(log, {sub});
    ASSERT_FALSE(r.timed_out) << sub;
    EXPECT_EQ(r.run.status, 0) << sub << ": " << r.run.err;
    EXPECT_EQ(r.run.err, "") << sub;
    EXPECT_NE(r.run.out.find(note(sub, "입력", total)), std::string::npos)
        << sub << ": " << r.run.out.substr(0, 400);
    EXPECT_TRUE(zub::ends_with(r.run.out, " bytes 는 건너뛰었다]\n")) << sub;
  }
  // trim shows where the gap is: the head's line, the gap line, the tail.
  BoundedRun r = piped(log, {"trim"});
  EXPECT_EQ(
      r.run.out.rfind(
          "INFO 2026-01-01 request served in 12ms\n[zub: 상한 4194304 bytes 를 넘어 여기서 ", 0),
      0u)
      << r.run.out.substr(0, 300);

  // grep searches both ends and never reports the gap line as a hit.
  r = piped("{ echo first-needle; yes 'filler line' | head -c " + std::string(kInput) +
                "; echo; echo last-needle; }",
            {"grep", "needle|상한", "-E", "-"});
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(r.run.out.rfind("first-needle\nlast-needle\n" + note("grep", "입력", total + 26), 0),
            0u)
      << r.run.out;
}

TEST(HardeningCappedInput, WrapKeepsItsCommandsStatusAndTheHookIgnoresAHugeEvent) {
  BoundedRun r = piped("true", {"wrap", "--", "sh", "-c",
                                std::string("yes 'compiling module' | head -c ") + kInput +
                                    "; echo; echo 'error: the last line'; exit 3"});
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 3) << r.run.err;
  EXPECT_EQ(r.run.err, "[zub wrap: exit 3]\n");
  EXPECT_NE(r.run.out.find("error: the last line\n"), std::string::npos);
  EXPECT_NE(r.run.out.find(note("wrap", "출력", 200000000 + 22)), std::string::npos) << r.run.out;

  // A hook event beyond the hook's cap (64 MiB) is no event
  // at all: no answer, status 0, and it is not read to its end.
  r = piped(
      std::string("{ printf '{\"tool_name\":\"Bash\",\"tool_input\":{\"command\":\"sleep 5\"},"
                  "\"pad\":\"'; yes x | head -c ") +
          kInput + "; printf '\"}'; }",
      {"hook"});
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(r.run.out, "");
}

// `read -` holds at most 32 MiB of a pipe. Past that, the lines asked for
// (the last one, the last few) were never seen: that is a failure with a
// non-zero status, never a message with status 0. Lines or a byte prefix
// within what was kept are still served.
TEST(HardeningCappedInput, ReadOfAPipePastItsCapFailsUnlessThePrefixWasKept) {
  const std::string seq = "seq 1 6000000";  // 47 MB
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"read", "-", "$"}, {"read", "--tail", "1", "-"}, {"read", "-", "5999999-"}}) {
    const BoundedRun r = run_bounded_via({"sh", "-c", seq + " | exec \"$@\"", "sh"}, args, 60);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.run.status, 2) << args[1] << " " << args[2];
    EXPECT_NE(r.run.out.find("32 MiB 를 넘어 읽기를 멈췄다"), std::string::npos) << r.run.out;
    EXPECT_EQ(r.run.out.find("6000000"), std::string::npos);
  }
  BoundedRun r = run_bounded_via({"sh", "-c", seq + " | exec \"$@\"", "sh"},
                                 {"read", "--bytes", "6", "-"}, 60);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(r.run.out, "1\n2\n3\n[zub read: 앞 6 bytes 만]\n");
  r = run_bounded_via({"sh", "-c", seq + " | exec \"$@\"", "sh"}, {"read", "-", "2-3"}, 60);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(r.run.out, "2\n3\n");
}

// md holds a page several times over while converting it, so it converts at
// most 32 MiB (the most a fetched page may be): 300 MB of standard input at
// the default caps converts within 300 MB of address space (with the 256
// MiB of the other filters it needed well over a gigabyte and aborted).
TEST(HardeningCappedInput, MdConvertsAtMostItsOwnCapWithinBoundedMemory) {
  const std::string limit = kSanitized ? "" : "ulimit -v 300000; ";
  zub_test::RunOptions o;
  o.env_unset = {"ZUB_FILTER_MAX"};
  const BoundedRun r =
      run_bounded_via({"sh", "-c",
                       "yes 'INFO 2026-01-01 request served in 12ms' | head -c 300000000 | (" +
                           limit + "exec \"$@\")",
                       "sh"},
                      {"md"}, 120, o);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(r.run.err, "");
  EXPECT_TRUE(zub::ends_with(r.run.out,
                             "[zub md: 입력 300000000 bytes 가 상한 33554432 "
                             "bytes(ZUB_FILTER_MAX)를 넘어 앞뒤만 보고 가운데 "
                             "266445582 bytes 는 건너뛰었다]\n"))
      << r.run.out.substr(r.run.out.size() > 300 ? r.run.out.size() - 300 : 0);
}

// The pages that cost most per byte of input: blocks of one letter, link
// lists, code blocks. Each, at the full cap, converts within some six times
// the cap of address space (binary included); a record per block made the
// first two need over a gigabyte. Past the most blocks a page is cut into,
// a note says how much of it was not converted.
TEST(HardeningCappedInput, MdPagesOfManySmallBlocksStayWithinBoundedMemory) {
  const std::string limit = kSanitized ? "" : "ulimit -v 200000; ";
  zub_test::RunOptions o;
  o.env_unset = {"ZUB_FILTER_MAX"};
  struct Shape {
    const char* page;  // a shell command that prints the page
    bool cut;          // more blocks than a page is cut into
  };
  for (const Shape& shape :
       {Shape{"yes '<p>x'", true}, Shape{"yes '<li><a href=/x>a link text</a>'", true},
        Shape{"(echo '<pre>'; yes 'int x = f(y);')", false}}) {
    const BoundedRun r = run_bounded_via(
        {"sh", "-c", std::string(shape.page) + " | head -c 50000000 | (" + limit + "exec \"$@\")",
         "sh"},
        {"md"}, 120, o);
    ASSERT_FALSE(r.timed_out) << shape.page;
    EXPECT_EQ(r.run.status, 0) << shape.page << ": " << r.run.err;
    EXPECT_EQ(r.run.err, "") << shape.page;
    EXPECT_EQ(r.run.out.find("[zub: 페이지가 블록 262144개를 넘어 뒤쪽 ") != std::string::npos,
              shape.cut)
        << shape.page;
  }
}
