// Many zub processes at once on shared state: sixteen `fetch` runs on the
// same URLs writing one cache directory, and sixteen `hook` runs of one
// session updating one probe file. Neither may leave a torn file behind.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <atomic>
#include <chrono>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/file_io.h"
#include "base/number.h"
#include "base/text.h"
#include "cli/gain_ledger.h"
#include "hardening/bounded_run.h"
#include "support/http_server.h"
#include "web/fetch_cache.h"
#include "web/wire_format.h"

using zub_test::BoundedRun;
using zub_test::HttpServer;
using zub_test::run_bounded;
using zub_test::ScriptedResponse;
using zub_test::TempDir;

namespace {

constexpr int kProcesses = 16;

std::vector<std::string> names_in(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (dirent* e = ::readdir(d)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    ::closedir(d);
  }
  return names;
}

// A page whose size depends on its version, so that a body mixed from two
// writers or cut short can never equal a served one.
std::string page(const std::string& title, int version) {
  std::string s = "<html><body><article><h1>" + title + "</h1>";
  for (int i = 0; i < 200 + 150 * version; ++i)
    s += "<p>Line " + std::to_string(i) + " of " + title + " in version " +
         std::to_string(version) + " of the concurrent fetch test.</p>\n";
  return s + "</article></body></html>";
}

// What fetch prints for page(title, version) under its section heading: the
// page's heading a level lower, and one line per paragraph.
std::string page_markdown(const std::string& title, int version) {
  std::string s = "### " + title + "\n";
  for (int i = 0; i < 200 + 150 * version; ++i)
    s += "Line " + std::to_string(i) + " of " + title + " in version " + std::to_string(version) +
         " of the concurrent fetch test.\n";
  return s;
}

// Runs `runs` at once, one thread each, and returns their results.
std::vector<BoundedRun> all_at_once(const std::vector<std::vector<std::string>>& runs,
                                    const zub_test::RunOptions& opts) {
  std::vector<BoundedRun> results(runs.size());
  std::vector<std::thread> threads;
  for (size_t i = 0; i < runs.size(); ++i)
    threads.emplace_back([&, i] { results[i] = run_bounded(runs[i], 120, opts); });
  for (auto& t : threads) t.join();
  return results;
}

}  // namespace

TEST(HardeningConcurrency, SixteenFetchesOfTheSameUrlsNeverTearTheCache) {
  TempDir tmp;
  HttpServer server{{"127.0.0.1", "127.0.0.2", "127.0.0.3"}};
  zub_test::RunOptions opts;
  const std::string home = tmp.mkdir("home");
  const std::string tmpdir = tmp.mkdir("tmp");
  opts.env_set = {"HOME=" + home, "TMPDIR=" + tmpdir, "no_proxy=*", "NO_PROXY=*"};
  opts.env_unset = {"ZUB_NO_CACHE",    "ZUB_REFRESH", "ZUB_CACHE_TTL", "ZUB_STALE",
                    "ZUB_CACHE_DEBUG", "http_proxy",  "HTTP_PROXY",    "https_proxy",
                    "HTTPS_PROXY",     "ALL_PROXY",   "all_proxy"};

  // Three URLs on three hosts are fetched on threads with their headers
  // (stored with a record); four on two hosts go through one curl batch
  // (stored without headers; 127.0.0.1 is never cached that way).
  const std::vector<std::string> threaded = {server.url("/t1", "127.0.0.1"),
                                             server.url("/t2", "127.0.0.2"),
                                             server.url("/t3", "127.0.0.3")};
  const std::vector<std::string> batched = {
      server.url("/b1", "127.0.0.2"), server.url("/b2", "127.0.0.2"),
      server.url("/b3", "127.0.0.3"), server.url("/b4", "127.0.0.3")};
  std::map<std::string, std::set<std::string>> served;  // URL -> every body it had
  std::map<std::string, std::set<std::string>> markdown;

  // Each round serves two versions of every page, switched back and forth
  // while the processes run, so that concurrent writers store different
  // bodies under one name.
  auto version = [](const std::string& target, int v) {
    ScriptedResponse r;
    r.body = page(target, v);
    r.headers = {{"Cache-Control", "max-age=600"},
                 {"ETag", "\"" + target + std::to_string(v) + "\""}};
    return r;
  };
  for (int round = 0; round < 3; ++round) {
    std::vector<std::string> targets;
    for (const auto* list : {&threaded, &batched}) {
      for (const std::string& url : *list) {
        const std::string target = url.substr(url.find('/', 7));
        targets.push_back(target);
        for (int v : {2 * round, 2 * round + 1}) {
          served[url].insert(page(target, v));
          markdown[url].insert(page_markdown(target, v));
        }
        server.route(target, version(target, 2 * round));
      }
    }
    std::atomic<bool> done{false};
    std::thread flipper([&] {
      for (int i = 0; !done; ++i) {
        for (const std::string& t : targets) server.route(t, version(t, 2 * round + i % 2));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    });
    std::vector<std::vector<std::string>> runs;
    for (int p = 0; p < kProcesses; ++p) {
      std::vector<std::string> args = {"fetch", "-n", "1000000"};
      const auto& list = p % 2 ? batched : threaded;
      args.insert(args.end(), list.begin(), list.end());
      // Half of them bypass the cache and write, the rest may read it.
      if (p % 4 < 2) args.push_back("--refresh");
      runs.push_back(args);
    }
    std::vector<BoundedRun> results = all_at_once(runs, opts);
    done = true;
    flipper.join();

    for (size_t p = 0; p < results.size(); ++p) {
      const BoundedRun& r = results[p];
      ASSERT_FALSE(r.timed_out);
      ASSERT_EQ(r.run.status, 0) << r.run.err;
      EXPECT_EQ(r.run.err, "");
      // Every section is the markdown of a body that was served whole.
      const auto& list = p % 2 ? batched : threaded;
      std::string out = r.run.out;
      ASSERT_TRUE(zub::ends_with(out, "%]\n"))
          << out.substr(out.size() > 200 ? out.size() - 200 : 0);
      out.erase(out.rfind("[zub: "));
      for (size_t i = list.size(); i-- > 0;) {
        const std::string& url = list[i];
        const std::string heading = "## " + url.substr(7, url.find('/', 7) - 7) + "\n";
        const size_t at = out.rfind(heading);
        ASSERT_NE(at, std::string::npos) << heading;
        std::string section = out.substr(at + heading.size());
        out.erase(at);
        bool known = false;
        for (const std::string& md : markdown[url]) known |= section == md;
        EXPECT_TRUE(known) << "process " << p << ", " << url << ": " << section.substr(0, 200);
      }
    }
  }

  const std::string dir = home + "/.claude/cache/zub-fetch";
  std::map<std::string, std::string> url_of;
  for (const auto* list : {&threaded, &batched})
    for (const std::string& url : *list) url_of[zub::cache_file_name(url)] = url;
  size_t bodies = 0;
  for (const std::string& name : names_in(dir)) {
    const std::string key = name.substr(0, 16);
    ASSERT_TRUE(url_of.count(key)) << "stray file in the cache: " << name;
    zub::ReadResult file = zub::read_file(dir + "/" + name);
    ASSERT_TRUE(file.ok) << name;
    if (name.size() == 16) {
      ++bodies;
      EXPECT_TRUE(served[url_of[key]].count(file.data))
          << name << " is not a whole served body (" << file.data.size() << " bytes)";
    } else {
      ASSERT_EQ(name, key + ".m");
      // Four lines, the fifth that names the body and the sixth its URL.
      std::vector<std::string_view> lines = zub::split_lines(file.data);
      auto rec = zub::parse_cache_record(file.data);
      EXPECT_TRUE(zub::ends_with(file.data, "\n") && lines.size() == 6 && rec && rec->body &&
                  rec->url == url_of[key])
          << name << ": " << file.data;
    }
  }
  // Every page was stored: the threaded ones with their headers, the
  // batched ones (none on 127.0.0.1, whose class is never cached) without.
  EXPECT_EQ(bodies, threaded.size() + batched.size());
  EXPECT_TRUE(names_in(tmpdir).empty()) << "a batch directory was left behind";
}

TEST(HardeningConcurrency, SixteenHookRunsOfOneSessionKeepTheProbeFileANumber) {
  TempDir tmp;
  zub_test::RunOptions opts;
  opts.env_set = {"TMPDIR=" + tmp.path()};
  opts.has_stdin = true;
  opts.stdin_data =
      R"({"session_id":"sess-42","tool_name":"Bash","tool_input":{"command":"ls -la src"}})";
  const std::string nudge_start =
      "{\"hookSpecificOutput\":{\"hookEventName\":\"PreToolUse\",\"additionalContext\":\"직전 3개 "
      "요청이";
  std::vector<std::vector<std::string>> runs(kProcesses, std::vector<std::string>{"hook"});

  for (int round = 0; round < 5; ++round) {
    std::vector<BoundedRun> results = all_at_once(runs, opts);
    for (const BoundedRun& r : results) {
      ASSERT_FALSE(r.timed_out);
      EXPECT_EQ(r.run.status, 0);
      EXPECT_EQ(r.run.err, "");
      EXPECT_TRUE(r.run.out.empty() ||
                  (r.run.out.rfind(nudge_start, 0) == 0 && zub::ends_with(r.run.out, "\"}}\n") &&
                   r.run.out.find('\n') == r.run.out.size() - 1))
          << r.run.out;
    }
    // Only the probe file itself: no temporary file of an update is left.
    EXPECT_EQ(names_in(tmp.path()), std::vector<std::string>{"zub-probe-sess-42"});
    zub::ReadResult probe = zub::read_file(tmp / "zub-probe-sess-42");
    ASSERT_TRUE(probe.ok);
    auto count = zub::parse_u32(probe.data);
    ASSERT_TRUE(count.has_value()) << "probe file holds '" << probe.data << "'";
    EXPECT_LT(*count, 3u);
  }
}

// Two dozen runs at once, each recording one call, meet a ledger at its
// rotation bound: it is set aside whole once, and the runs that saw it full
// too leave the fresh one alone. Across the two files every record stays,
// round after round (a rotation that renamed a fresh successor over the
// full one once lost tens of thousands of them).
TEST(HardeningConcurrency, TwoDozenRunsAcrossAGainLedgerRotationLoseNoRecord) {
  TempDir tmp;
  const std::string state = tmp.mkdir("state");
  const std::string dir = tmp.mkdir("state/zub");
  const std::string small = tmp.write("a.py", "def f():\n    pass\n");
  const std::string line = zub::format_gain_record({1, "grep", 10, 5, 1, 0});
  std::string full;
  while (full.size() < zub::kGainLedgerRotateBytes) full += line;
  const size_t full_records = full.size() / line.size();
  auto records_in = [](const std::string& path) {
    const std::string text = zub::read_file(path).data;
    size_t n = 0;
    for (const std::string_view l : zub::split_lines(text))
      n += zub::parse_gain_record(l).has_value();
    return n;
  };
  zub_test::RunOptions o;
  o.env_set = {"XDG_STATE_HOME=" + state};
  o.env_unset = {"ZUB_NO_GAIN"};
  for (int round = 0; round < 6; ++round) {
    ::unlink((dir + "/gain.log.1").c_str());
    ::unlink((dir + "/gain.log").c_str());
    {
      const int fd = ::open((dir + "/gain.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ASSERT_GE(fd, 0);
      ASSERT_EQ(::write(fd, full.data(), full.size()), static_cast<ssize_t>(full.size()));
      ::close(fd);
    }
    std::vector<std::thread> runs;
    std::atomic<int> ok{0};
    for (int i = 0; i < 24; ++i)
      runs.emplace_back([&] { ok += run_bounded({"outline", small}, 60, o).run.status == 0; });
    for (std::thread& t : runs) t.join();
    ASSERT_EQ(ok.load(), 24);
    const std::string rotated = zub::read_file(dir + "/gain.log.1").data;
    EXPECT_EQ(rotated.substr(0, full.size()), full) << "round " << round;
    EXPECT_EQ(records_in(dir + "/gain.log.1") + records_in(dir + "/gain.log"), full_records + 24)
        << "round " << round;
  }
}
