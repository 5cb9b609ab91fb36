// The kept raw output, end to end: what a shortened run leaves in the state
// directory, the bounds of the ring, and a state directory that cannot be
// written.
#include "compress/raw_keep.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_zub.h"

namespace fs = std::filesystem;
using zub_test::file_bytes;
using zub_test::file_names_in;
using zub_test::kept_path;
using zub_test::run_zub;
using zub_test::RunOptions;
using zub_test::TempDir;

namespace {

RunOptions with_state(const std::string& state, const std::string& input = "",
                      bool has_stdin = false) {
  RunOptions o;
  o.env_set = {"XDG_STATE_HOME=" + state};
  o.env_unset = {"ZUB_NO_RAW", "ZUB_NO_GAIN"};
  o.stdin_data = input;
  o.has_stdin = has_stdin;
  return o;
}

// Many repeated lines: every filter prints far fewer bytes than it reads.
std::string repetitive(size_t lines) {
  std::string s;
  for (size_t i = 0; i < lines; ++i) s += "compiling module with the same message\n";
  return s;
}

}  // namespace

TEST(RawKeep, FailingShortenedWrapLeavesTheExactOutput) {
  TempDir t;
  const std::string state = t / "state";
  // Output with an invalid byte and a last line without a line feed: the
  // file holds the bytes as the command wrote them, not the decoded text.
  const std::vector<std::string> cmd = {
      "wrap", "--", "sh", "-c",
      "i=0; while [ $i -lt 400 ]; do echo 'same line again'; i=$((i+1)); done;"
      " printf 'bad \\377 byte\\nlast'; exit 5"};
  std::string expected;
  for (int i = 0; i < 400; ++i) expected += "same line again\n";
  expected += "bad \xff byte\nlast";

  RunOptions off = with_state(state);
  off.env_set.push_back("ZUB_NO_RAW=1");
  const zub_test::Run plain = run_zub(cmd, off);
  ASSERT_EQ(plain.status, 5);
  EXPECT_LT(plain.out.size(), expected.size());
  EXPECT_TRUE(file_names_in(state + "/zub/raw").empty());

  const zub_test::Run r = run_zub(cmd, with_state(state));
  EXPECT_EQ(r.status, 5);
  EXPECT_EQ(r.out, plain.out);
  const std::string path = kept_path(r.err);
  ASSERT_FALSE(path.empty()) << r.err;
  EXPECT_EQ(r.err, plain.err + "[zub: 원문 보관 (402 lines) · zub read " + path + " 1-402]\n");
  EXPECT_EQ(file_bytes(path), expected);
  EXPECT_EQ(fs::path(path).parent_path().string(), state + "/zub/raw");
  EXPECT_NE(path.find("-wrap-exit5.log"), std::string::npos) << path;
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(stat((state + "/zub/raw").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ASSERT_EQ(stat((state + "/zub").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  // Output that is printed whole is not kept.
  const zub_test::Run whole =
      run_zub({"wrap", "--raw", "--", "sh", "-c", "echo short; exit 2"}, with_state(state));
  EXPECT_EQ(whole.err, "[zub wrap: exit 2]\n");
  EXPECT_EQ(file_names_in(state + "/zub/raw").size(), 1u);

  // A line dropped is kept even when the note makes the output no shorter
  // than what the command printed.
  const zub_test::Run one_dup =
      run_zub({"wrap", "--", "sh", "-c", "seq 1000; echo 1"}, with_state(state));
  EXPECT_GE(one_dup.out.size(), 3895u);
  EXPECT_NE(one_dup.out.find(" 1 dup lines collapsed"), std::string::npos);
  EXPECT_EQ(file_bytes(kept_path(one_dup.err)).size(), 3895u) << one_dup.err;
}

// The size bound, with inputs of tens of megabytes, is a hardening test
// (tests/hardening/raw_keep_bound_test.cpp).
TEST(RawKeep, RingKeepsTheNewestRuns) {
  TempDir t;
  const std::string state = t / "state";
  const std::string raw = state + "/zub/raw";
  const std::string input = repetitive(200);
  std::vector<std::string> kept;
  for (size_t i = 0; i < zub::kRawKeepRuns + 3; ++i) {
    const zub_test::Run r = run_zub({i % 2 ? "logs" : "trim"}, with_state(state, input, true));
    ASSERT_EQ(r.status, 0);
    kept.push_back(fs::path(kept_path(r.err)).filename().string());
    ASSERT_FALSE(kept.back().empty()) << r.err;
  }
  // Names sort by time, so the ring is the last twenty in order.
  const std::vector<std::string> newest(kept.end() - zub::kRawKeepRuns, kept.end());
  EXPECT_EQ(file_names_in(raw), newest);
}

TEST(RawKeep, UnwritableStateChangesNothingButOneNote) {
  TempDir t;
  // The state home is a file, so no directory can be made below it: the
  // same failure as a read-only or full home, and it holds even for root.
  const std::string blocked = t.write("home-is-a-file", "");
  const std::string input = repetitive(300);
  for (const char* sub : {"trim", "diag", "logs"}) {
    RunOptions quiet = with_state(t / "unused", input, true);
    quiet.env_set.push_back("ZUB_NO_RAW=1");
    quiet.env_set.push_back("ZUB_NO_GAIN=1");
    const zub_test::Run ref = run_zub({sub}, quiet);
    const zub_test::Run r = run_zub({sub}, with_state(blocked, input, true));
    EXPECT_EQ(r.status, ref.status) << sub;
    EXPECT_EQ(r.out, ref.out) << sub;
    const std::string note =
        "[zub: 원문 보관 실패: " + blocked + "/zub: Not a directory (os error 20)]\n";
    EXPECT_EQ(r.err, ref.err + note) << sub;
  }
  const zub_test::Run w =
      run_zub({"wrap", "--", "sh", "-c",
               "i=0; while [ $i -lt 300 ]; do echo 'again and again'; i=$((i+1)); done; exit 7"},
              with_state(blocked));
  EXPECT_EQ(w.status, 7);
  EXPECT_EQ(w.out,
            "again and again\n[zub trim: 299 dup lines collapsed, 0 chars over 200-col cut, 0 "
            "blank lines]\n");
  EXPECT_EQ(w.err, "[zub wrap: exit 7]\n[zub: 원문 보관 실패: " + blocked +
                       "/zub: Not a directory (os error 20)]\n");
}
