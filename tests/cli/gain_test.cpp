// The gain ledger and report, end to end: concurrent calls, rotation, the
// switches, and the arithmetic of `zub gain` on a known ledger.
#include "cli/gain_ledger.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/run_zub.h"

namespace fs = std::filesystem;
using zub_test::file_bytes;
using zub_test::run_zub;
using zub_test::RunOptions;
using zub_test::TempDir;

namespace {

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

RunOptions with_state(const std::string& state) {
  RunOptions o;
  o.env_set = {"XDG_STATE_HOME=" + state};
  o.env_unset = {"ZUB_NO_RAW", "ZUB_NO_GAIN"};
  return o;
}

}  // namespace

TEST(Gain, ConcurrentCallsLeaveWholeRecords) {
  TempDir t;
  const std::string state = t / "state";
  std::string input;
  for (int i = 0; i < 500; ++i) input += "warning: the same thing again\n";
  std::vector<std::thread> threads;
  std::vector<zub_test::Run> runs(16);
  for (size_t i = 0; i < runs.size(); ++i)
    threads.emplace_back([&, i] {
      RunOptions o = with_state(state);
      o.has_stdin = true;
      o.stdin_data = input;
      runs[i] = run_zub({"trim"}, o);
    });
  for (std::thread& th : threads) th.join();
  const std::vector<std::string> lines = lines_of(file_bytes(state + "/zub/gain.log"));
  ASSERT_EQ(lines.size(), 16u);
  // The records come in the order the runs ended, and each run's note on
  // its kept output names a path of its own (pids differ in length): the
  // sizes agree as a set.
  std::vector<uint64_t> recorded, printed;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::optional<zub::GainRecord> r = zub::parse_gain_record(lines[i]);
    ASSERT_TRUE(r) << lines[i];
    EXPECT_EQ(r->sub, "trim");
    EXPECT_EQ(r->baseline, input.size());
    EXPECT_EQ(r->status, 0u);
    recorded.push_back(r->printed);
    printed.push_back(runs[i].out.size() + runs[i].err.size());
  }
  std::sort(recorded.begin(), recorded.end());
  std::sort(printed.begin(), printed.end());
  EXPECT_EQ(recorded, printed);
}

TEST(Gain, SwitchesUnrecordedCallsAndRotation) {
  TempDir t;
  const std::string state = t / "state";
  const std::string ledger = state + "/zub/gain.log";
  RunOptions off = with_state(state);
  off.env_set.push_back("ZUB_NO_GAIN=1");
  EXPECT_EQ(run_zub({"outline", ZUB_SOURCE_DIR "/src/cli/gain.cpp"}, off).status, 0);
  EXPECT_EQ(run_zub({"--version"}, with_state(state)).status, 0);
  EXPECT_EQ(run_zub({"help"}, with_state(state)).status, 0);
  EXPECT_FALSE(fs::exists(ledger));

  // A ledger at its bound is set aside whole as the old one; the next call
  // starts a fresh one.
  fs::create_directories(state + "/zub");
  std::string full;
  const std::string old_line = zub::format_gain_record({1, "grep", 10, 5, 1, 0});
  while (full.size() < zub::kGainLedgerRotateBytes) full += old_line;
  std::ofstream(ledger, std::ios::binary) << full;
  std::ofstream(state + "/zub/gain.log.1", std::ios::binary) << "older\n";
  const std::string file = ZUB_SOURCE_DIR "/src/cli/gain.cpp";
  ASSERT_EQ(run_zub({"outline", file}, with_state(state)).status, 0);
  const std::string rotated = file_bytes(state + "/zub/gain.log.1");
  EXPECT_EQ(rotated.substr(0, full.size()), full);
  EXPECT_FALSE(fs::exists(ledger));
  ASSERT_EQ(run_zub({"outline", file}, with_state(state)).status, 0);
  const std::vector<std::string> fresh = lines_of(file_bytes(ledger));
  ASSERT_EQ(fresh.size(), 1u);
  const std::optional<zub::GainRecord> r = zub::parse_gain_record(fresh[0]);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->sub, "outline");
  EXPECT_EQ(r->baseline, fs::file_size(file));

  const zub_test::Run reset = run_zub({"gain", "--reset"}, with_state(state));
  EXPECT_EQ(reset.out, "[zub gain: 기록을 비웠다]\n");
  EXPECT_FALSE(fs::exists(ledger));
  EXPECT_FALSE(fs::exists(state + "/zub/gain.log.1"));
  EXPECT_EQ(run_zub({"gain", "--bogus"}, with_state(state)).status, 2);
}

// Two calls find the ledger full at once. While the first holds the name
// checked and has not yet renamed it, the second tries its own rotation and
// a third call would start a fresh ledger. The full ledger must end up as
// the old one: the second may not rotate it meanwhile, or the first would
// rename the fresh successor over it.
TEST(Gain, RotationsThatOverlapKeepTheFullLedger) {
  TempDir tmp;
  const std::string dir = tmp.path();
  const int dir_fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(dir_fd, 0);
  std::string full;
  while (full.size() < zub::kGainLedgerRotateBytes)
    full += zub::format_gain_record({1, "grep", 10, 5, 1, 0});
  std::ofstream(dir + "/gain.log", std::ios::binary) << full;
  const int first = ::open((dir + "/gain.log").c_str(), O_RDWR | O_APPEND);
  const int second = ::open((dir + "/gain.log").c_str(), O_RDWR | O_APPEND);
  ASSERT_GE(first, 0);
  ASSERT_GE(second, 0);
  std::thread other;
  zub::rotate_gain_ledger(dir_fd, first, [&] {
    other = std::thread([&] { zub::rotate_gain_ledger(dir_fd, second); });
    // Room for the second rotation to finish, were it not held back.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    // The third call creates a ledger only where the name is free.
    const int fresh =
        ::open((dir + "/gain.log").c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND, 0600);
    if (fresh >= 0) {
      EXPECT_EQ(::write(fresh, "fresh\n", 6), 6);
      ::close(fresh);
    }
  });
  other.join();
  const std::string old = file_bytes(dir + "/gain.log.1");
  EXPECT_TRUE(old == full) << "the old ledger holds " << old.size()
                           << " bytes: " << old.substr(0, 40);
  ::close(first);
  ::close(second);
  ::close(dir_fd);
}

TEST(Gain, ReportArithmeticOnAKnownLedger) {
  TempDir t;
  const std::string state = t / "state";
  fs::create_directories(state + "/zub");
  const uint64_t now = static_cast<uint64_t>(std::time(nullptr));
  std::string text;
  text += zub::format_gain_record({now - 3 * 86400, "trim", 5000, 1000, 5, 0});
  std::ofstream(state + "/zub/gain.log.1", std::ios::binary) << text;
  text = zub::format_gain_record({now - 100, "grep", 1000, 250, 10, 0});
  text += zub::format_gain_record({now - 200, "grep", 3000, 750, 20, 1});
  text += "not a record\n";
  text += zub::format_gain_record({now - 50, "read", 400, 400, 1, 0});
  text += "1\ttrim\t5";  // a record cut short
  std::ofstream(state + "/zub/gain.log", std::ios::binary) << text;

  RunOptions o = with_state(state);
  o.env_set.push_back("ZUB_NO_GAIN=1");
  const zub_test::Run r = run_zub({"gain"}, o);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string head = "sub        calls       baseline        printed    saved         ms\n";
  const std::string expected =
      "== zub gain: 전체 ==\n" + head +
      "read           1            400            400     0.0%          1\n"
      "grep           2           4000           1000    75.0%         30\n"
      "trim           1           5000           1000    80.0%          5\n"
      "total          4           9400           2400    74.5%         36\n"
      "== zub gain: 최근 24시간 ==\n" +
      head +
      "read           1            400            400     0.0%          1\n"
      "grep           2           4000           1000    75.0%         30\n"
      "total          3           4400           1400    68.2%         31\n";
  EXPECT_EQ(r.out.substr(0, expected.size()), expected);
  EXPECT_NE(r.out.find("grep                    같은 패턴의 `grep -r`"), std::string::npos);
  EXPECT_NE(r.out.find("-l 은 `grep -rl` 의"), std::string::npos);

  // The same figures for programs, and per UTC day.
  const zub_test::Run json = run_zub({"gain", "--json"}, o);
  EXPECT_EQ(json.out.substr(0, 90),
            "{\"all\":{\"rows\":[{\"sub\":\"read\",\"calls\":1,\"baseline\":400,\"printed\":400,"
            "\"ms\":1},{\"sub\":\"grep\"");
  EXPECT_NE(
      json.out.find("\"total\":{\"sub\":\"total\",\"calls\":3,\"baseline\":4400,"
                    "\"printed\":1400,\"ms\":31}},\"inline_limit\":30000,\"skipped_lines\":2}\n"),
      std::string::npos)
      << json.out;
  auto day = [](uint64_t when) {
    const std::time_t tt = static_cast<std::time_t>(when);
    char buf[16];
    std::strftime(buf, sizeof buf, "%Y-%m-%d", std::gmtime(&tt));
    return std::string(buf);
  };
  const zub_test::Run daily = run_zub({"gain", "--daily"}, o);
  EXPECT_EQ(daily.out.rfind("== zub gain: 날마다 (UTC) ==\nday          calls", 0), 0u)
      << daily.out;
  EXPECT_NE(
      daily.out.find(day(now - 3 * 86400) + "       1           5000           1000    80.0%"),
      std::string::npos)
      << daily.out;
  EXPECT_NE(daily.out.find("total            4           9400           2400    74.5%"),
            std::string::npos)
      << daily.out;
  EXPECT_EQ(run_zub({"gain", "--daily", "--json"}, o)
                .out.rfind("{\"daily\":{\"rows\":[{\"day\":\"" + day(now - 3 * 86400) + "\"", 0),
            0u);
  for (std::vector<std::string> bad : {std::vector<std::string>{"gain", "--reset", "--json"},
                                       {"gain", "--daily", "--daily"},
                                       {"gain", "x"}})
    EXPECT_EQ(run_zub(bad, o).status, 2) << bad[1];
  EXPECT_NE(r.out.find("[zub gain: 기록이 아닌 줄 2개는 건너뛰었다]\n"), std::string::npos);
  EXPECT_EQ(
      run_zub({"gain"}, with_state(t / "empty")).out.substr(0, 40),
      std::string("== zub gain: 전체 ==\n(기록 없음)\n== zub gain: 최근 24시간 ==\n(기록 없음)\n")
          .substr(0, 40));
}

// Each handler hands its own baseline to the record of its call, and one
// call's figure never leaks into another's.
TEST(Gain, EachSubcommandRecordsItsOwnBaseline) {
  TempDir t;
  const std::string state = t / "state";
  const std::string dir = t / "src";
  t.write("src/a.c", "int foo;\nint bar;\nfoo();\n");
  auto last_record = [&] {
    const std::vector<std::string> lines = lines_of(file_bytes(state + "/zub/gain.log"));
    const std::optional<zub::GainRecord> r =
        lines.empty() ? std::nullopt : zub::parse_gain_record(lines.back());
    return r.value_or(zub::GainRecord{});
  };
  RunOptions o = with_state(state);
  ASSERT_EQ(run_zub({"grep", "foo", dir}, o).status, 0);
  // What `grep -rn foo DIR` prints: "{path}:{number}:{line}\n" per line.
  const std::string path = dir + "/a.c";
  EXPECT_EQ(last_record().baseline, (path + ":1:int foo;\n" + path + ":3:foo();\n").size());

  ASSERT_EQ(run_zub({"wrap", "--raw", "--", "printf", "abcdef"}, o).status, 0);
  EXPECT_EQ(last_record().baseline, 6u);
  EXPECT_EQ(run_zub({"wrap", "--raw", "--", "sh", "-c", "printf xy; exit 3"}, o).status, 3);
  EXPECT_EQ(last_record().baseline, 2u);
  EXPECT_EQ(last_record().status, 3u);

  // The other questions: what `grep -rl`, `grep -rc` (without its zero
  // lines), `grep -rno` and `grep -rq` print.
  t.write("src/b.c", "nothing here\n");
  const struct {
    std::vector<std::string> args;
    std::string plain;
  } questions[] = {
      {{"grep", "-l", "foo", dir}, path + "\n"},
      {{"grep", "-c", "foo", dir}, path + ":2\n"},
      {{"grep", "-o", "-E", "o+[;(]", dir}, path + ":1:oo;\n" + path + ":3:oo(\n"},
      {{"grep", "-q", "foo", dir}, ""},
      {{"grep", "-L", "foo", dir}, dir + "/b.c\n"},
  };
  for (const auto& q : questions) {
    ASSERT_EQ(run_zub(q.args, o).status, 0) << q.args[1];
    EXPECT_EQ(last_record().baseline, q.plain.size()) << q.args[1];
  }
  // No baseline is more than the host shows of one shell output inline.
  std::string big;
  for (int i = 0; i < 4000; ++i) big += "int f" + std::to_string(i) + "(void);\n";
  const std::string big_file = t.write("big.h", big);
  ASSERT_EQ(run_zub({"outline", big_file}, o).status, 0);
  EXPECT_EQ(last_record().baseline, 30000u);
  o.env_set.push_back("ZUB_HOST_INLINE_CHARS=5000");
  ASSERT_EQ(run_zub({"outline", big_file}, o).status, 0);
  EXPECT_EQ(last_record().baseline, 5000u);
  o.env_set.pop_back();

  o.has_stdin = true;
  o.stdin_data = "<html><body><article>";
  for (int i = 1; i <= 5; ++i)
    o.stdin_data += "<p>This is paragraph " + std::to_string(i) +
                    " of the page, and it is long enough to be kept as it is.</p>";
  const zub_test::Run md = run_zub({"md"}, o);
  ASSERT_NE(md.out.find("paragraph 5"), std::string::npos);
  EXPECT_EQ(last_record().baseline, md.out.size());
  // The baseline is the converted page even when it is not printed.
  o.env_set.push_back("ZUB_BENCH_QUIET=1");
  EXPECT_EQ(run_zub({"md"}, o).out, "");
  EXPECT_EQ(last_record().baseline, md.out.size());
  o.env_set.pop_back();

  o.stdin_data = "x\n";
  ASSERT_EQ(run_zub({"logs"}, o).status, 0);
  EXPECT_EQ(last_record().baseline, 2u);
  // read claims nothing: its baseline is what it printed.
  const zub_test::Run read = run_zub({"read", path}, with_state(state));
  EXPECT_EQ(last_record().sub, "read");
  EXPECT_EQ(last_record().baseline, read.out.size() + read.err.size());
}

// A full disk can cut an append short. The next record starts on a line of
// its own instead of fusing with the torn one into a line that parses (with
// a time in the far future), and a reader skips such a fused line.
TEST(Gain, TornAppendNeitherFusesNorCounts) {
  TempDir t;
  const std::string state = t / "state";
  fs::create_directories(state + "/zub");
  const uint64_t now = static_cast<uint64_t>(std::time(nullptr));
  const std::string whole = zub::format_gain_record({now - 10, "grep", 100, 10, 1, 0});
  const std::string torn = std::to_string(now).substr(0, 7);  // cut inside the time
  std::ofstream(state + "/zub/gain.log", std::ios::binary) << whole << torn;
  const std::string file = ZUB_SOURCE_DIR "/src/cli/gain.cpp";
  ASSERT_EQ(run_zub({"outline", file}, with_state(state)).status, 0);
  const std::vector<std::string> lines = lines_of(file_bytes(state + "/zub/gain.log"));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], torn);
  const std::optional<zub::GainRecord> r = zub::parse_gain_record(lines[2]);
  ASSERT_TRUE(r) << lines[2];
  EXPECT_EQ(r->sub, "outline");

  // A ledger that already holds a fused line: it is skipped, not counted.
  std::ofstream(state + "/zub/gain.log", std::ios::binary)
      << whole << torn << zub::format_gain_record({now - 5, "read", 400, 40, 1, 0});
  RunOptions o = with_state(state);
  o.env_set.push_back("ZUB_NO_GAIN=1");
  const zub_test::Run report = run_zub({"gain"}, o);
  EXPECT_EQ(report.status, 0) << report.err;
  EXPECT_NE(report.out.find("total          1            100             10    90.0%          1\n"),
            std::string::npos)
      << report.out;
  EXPECT_NE(report.out.find("[zub gain: 기록이 아닌 줄 1개는 건너뛰었다]\n"), std::string::npos)
      << report.out;
}
