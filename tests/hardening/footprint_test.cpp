// What a run leaves behind: every subcommand, run in a working tree with a
// private HOME and temporary directory, writes nothing but its fetch cache
// and the hook's probe file, and leaves no child process running.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>
#include <map>
#include <string>

#include "base/file_io.h"
#include "hardening/bounded_run.h"
#include "support/http_server.h"

using zub_test::BoundedRun;
using zub_test::HttpServer;
using zub_test::run_bounded;
using zub_test::ScriptedResponse;
using zub_test::TempDir;

namespace {

// Every entry below `root`, by path relative to it, with the file contents
// (directories map to "/").
std::map<std::string, std::string> snapshot(const std::string& root) {
  std::map<std::string, std::string> entries;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
    const std::string rel = std::filesystem::relative(e.path(), root).string();
    entries[rel] = e.is_directory() ? "/" : zub::read_file(e.path().string()).data;
  }
  return entries;
}

// Processes whose command line mentions `needle`.
int processes_mentioning(const std::string& needle) {
  int n = 0;
  for (const auto& e : std::filesystem::directory_iterator("/proc")) {
    const std::string name = e.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    zub::ReadResult cmd = zub::read_file(e.path().string() + "/cmdline");
    n += cmd.ok && cmd.data.find(needle) != std::string::npos;
  }
  return n;
}

}  // namespace

TEST(HardeningFootprint, EverySubcommandWritesOnlyItsCacheAndProbeFiles) {
  TempDir tmp;
  const std::string work = tmp.mkdir("work");
  tmp.write("work/src/a.rs", "use std::io;\nfn foo() {\n    bar();\n}\n");
  tmp.write("work/notes.txt", "foo and bar\n");
  const std::string home = tmp.mkdir("home");
  const std::string tmpdir = tmp.mkdir("tmp");
  HttpServer server;
  ScriptedResponse page;
  page.body =
      "<html><body><article><h1>Page</h1><p>Some words of text in a "
      "paragraph.</p></article></body></html>";
  page.headers = {{"Cache-Control", "max-age=600"}};
  server.route("/p", page);
  server.route("/q", page);

  zub_test::RunOptions opts;
  opts.cwd = work;
  opts.env_set = {"HOME=" + home, "TMPDIR=" + tmpdir, "no_proxy=*", "NO_PROXY=*"};
  opts.env_unset = {"ZUB_NO_CACHE", "ZUB_REFRESH", "ZUB_CACHE_TTL", "ZUB_STALE",
                    "http_proxy",   "HTTP_PROXY",  "ALL_PROXY",     "all_proxy"};
  const auto before = snapshot(work);

  const std::vector<std::vector<std::string>> runs = {
      {"read", "src/a.rs", "1-2", "notes.txt"},
      {"read", "-c", "5", "src/a.rs"},
      {"outline", "src/a.rs"},
      {"map", "."},
      {"brief", "."},
      {"grep", "-C", "1", "foo", "."},
      {"def", "foo", "."},
      {"wrap", "--", "true"},
      {"wrap", "--diag", "--", "echo", "error: x"},
      {"fetch", server.url("/p")},
      {"fetch", server.url("/p"), server.url("/q")},  // one host: a curl batch
      {"cache"},
      {"cache", "ttl", server.url("/p")},
      {"help"},
  };
  for (const auto& args : runs) {
    BoundedRun r = run_bounded(args, 60, opts);
    ASSERT_FALSE(r.timed_out) << args[0];
    EXPECT_LT(r.run.status, 3) << args[0] << ": " << r.run.err;
  }
  zub_test::RunOptions with_input = opts;
  with_input.has_stdin = true;
  for (const char* filter : {"trim", "logs", "diag", "md"}) {
    with_input.stdin_data = "<p>line one</p>\nline two\nline two\n";
    BoundedRun r = run_bounded({filter}, 60, with_input);
    ASSERT_FALSE(r.timed_out) << filter;
    EXPECT_EQ(r.run.status, 0) << filter;
  }
  with_input.stdin_data = R"({"session_id":"s1","tool_name":"Bash","tool_input":{"command":"ls"}})";
  ASSERT_EQ(run_bounded({"hook"}, 60, with_input).run.status, 0);

  EXPECT_EQ(snapshot(work), before) << "the working tree was changed";
  std::vector<std::string> temp;
  for (const auto& [rel, content] : snapshot(tmpdir)) temp.push_back(rel);
  EXPECT_EQ(temp, std::vector<std::string>{"zub-probe-s1"}) << "only the probe file may stay";
  std::vector<std::string> cached;
  for (const auto& [rel, content] : snapshot(home)) cached.push_back(rel);
  ASSERT_EQ(cached.size(), 7u) << "the cache directories, two bodies and two records";
  EXPECT_EQ(cached[0], ".claude");
  EXPECT_EQ(cached[1], ".claude/cache");
  EXPECT_EQ(cached[2], ".claude/cache/zub-fetch");
  for (size_t i = 3; i < cached.size(); ++i)
    EXPECT_EQ(cached[i].rfind(".claude/cache/zub-fetch/", 0), 0u) << cached[i];
  EXPECT_EQ(processes_mentioning(server.url("/")), 0) << "a curl outlived its zub";

  // Clearing removes the cache directory and nothing else.
  ASSERT_EQ(run_bounded({"cache", "clear"}, 60, opts).run.status, 0);
  cached.clear();
  for (const auto& [rel, content] : snapshot(home)) cached.push_back(rel);
  EXPECT_EQ(cached, (std::vector<std::string>{".claude", ".claude/cache"}));
}

TEST(HardeningFootprint, CacheClearRemovesALinkedCacheDirectoryOnlyAsALink) {
  TempDir tmp;
  const std::string home = tmp.mkdir("home");
  tmp.mkdir("home/.claude/cache");
  const std::string elsewhere = tmp.mkdir("elsewhere");
  tmp.write("elsewhere/keep.txt", "precious\n");
  ASSERT_EQ(::symlink(elsewhere.c_str(), (home + "/.claude/cache/zub-fetch").c_str()), 0);
  zub_test::RunOptions opts;
  opts.env_set = {"HOME=" + home};
  BoundedRun r = run_bounded({"cache", "clear"}, 20, opts);
  EXPECT_EQ(r.run.status, 0);
  EXPECT_EQ(zub::read_file(elsewhere + "/keep.txt").data, "precious\n");
  struct stat st;
  EXPECT_NE(::lstat((home + "/.claude/cache/zub-fetch").c_str(), &st), 0) << "the link itself goes";
}
