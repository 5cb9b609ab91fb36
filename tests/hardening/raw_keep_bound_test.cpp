// The size bound of the kept raw output, met with inputs of tens of
// megabytes: a full ring makes room for big runs, and one run above the
// bound keeps only its last whole lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "compress/raw_keep.h"
#include "support/run_zub.h"

namespace fs = std::filesystem;
using zub_test::file_bytes;
using zub_test::file_names_in;
using zub_test::kept_path;
using zub_test::run_zub;
using zub_test::RunOptions;
using zub_test::TempDir;

namespace {

RunOptions with_state(const std::string& state, const std::string& input) {
  RunOptions o;
  o.env_set = {"XDG_STATE_HOME=" + state};
  o.stdin_data = input;
  o.has_stdin = true;
  return o;
}

}  // namespace

TEST(HardeningRawKeep, BigRunsStayWithinTheSizeBound) {
  TempDir t;
  const std::string state = t / "state";
  const std::string raw = state + "/zub/raw";
  std::string small;
  for (int i = 0; i < 200; ++i) small += "compiling module with the same message\n";
  for (size_t i = 0; i < zub::kRawKeepRuns; ++i)
    ASSERT_FALSE(kept_path(run_zub({"trim"}, with_state(state, small)).err).empty());

  // Two runs of 30 MiB fit beside the small ones; one of 65 MiB keeps only
  // its last 64 MiB and pushes every older file out.
  const std::string line = "x" + std::string(62, 'y') + "\n";
  std::string big;
  while (big.size() < (size_t{30} << 20)) big += line;
  for (int i = 0; i < 2; ++i)
    ASSERT_FALSE(kept_path(run_zub({"trim"}, with_state(state, big)).err).empty());
  EXPECT_EQ(file_names_in(raw).size(), zub::kRawKeepRuns);
  uint64_t total = 0;
  for (const std::string& name : file_names_in(raw)) total += fs::file_size(raw + "/" + name);
  EXPECT_GT(total, uint64_t{60} << 20);
  EXPECT_LE(total, zub::kRawKeepBytes);
  while (big.size() < (size_t{65} << 20)) big += line;
  big += "the end\n";
  const zub_test::Run r = run_zub({"logs"}, with_state(state, big));
  const std::string path = kept_path(r.err);
  ASSERT_FALSE(path.empty()) << r.err;
  EXPECT_EQ(file_names_in(raw), std::vector<std::string>{fs::path(path).filename().string()});
  // The whole lines of the last 64 MiB.
  const std::string content = file_bytes(path);
  const uint64_t dropped = big.size() - content.size();
  EXPECT_LE(content.size(), zub::kRawKeepBytes);
  EXPECT_GT(content.size(), zub::kRawKeepBytes - line.size());
  EXPECT_EQ(big[dropped - 1], '\n');
  EXPECT_TRUE(std::string_view(big).substr(dropped) == content);
  EXPECT_NE(r.err.find("마지막 64 MiB 만: 앞 " + std::to_string(dropped) + " bytes 버림"),
            std::string::npos)
      << r.err;
}
