// `fetch` against hostile servers and a hostile HOME: a server that never
// answers, one that sends a 200 MB body, and a cache directory on a full or
// read-only file system. A loopback server of the test serves every page.
#include <gtest/gtest.h>

#include <dirent.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "base/file_io.h"
#include "base/process.h"
#include "base/text.h"
#include "base/unicode.h"
#include "hardening/bounded_run.h"
#include "support/http_server.h"

extern char** environ;

using zub_test::BoundedRun;
using zub_test::HttpServer;
using zub_test::kSanitized;
using zub_test::run_bounded;
using zub_test::run_bounded_via;
using zub_test::ScriptedResponse;
using zub_test::TempDir;

namespace {

zub_test::RunOptions fetch_env(const std::string& home) {
  zub_test::RunOptions o;
  o.env_set = {"HOME=" + home, "no_proxy=*", "NO_PROXY=*"};
  o.env_unset = {"ZUB_NO_CACHE",    "ZUB_REFRESH",   "ZUB_CACHE_TTL", "ZUB_STALE",
                 "ZUB_CACHE_DEBUG", "ZUB_FETCH_MAX", "http_proxy",    "HTTP_PROXY",
                 "https_proxy",     "HTTPS_PROXY",   "ALL_PROXY",     "all_proxy"};
  return o;
}

std::string page(const std::string& topic, size_t paragraphs) {
  std::string s = "<html><body><article><h1>" + topic + "</h1>";
  for (size_t i = 0; i < paragraphs; ++i)
    s += "<p>Paragraph " + std::to_string(i) + " about " + topic +
         " has enough words in it to count as the main content.</p>\n";
  return s + "</article></body></html>";
}

// The markdown of page(topic, n): the paragraphs `from` to `to` - 1, one
// line each. (A page long enough keeps its heading, "# {topic}\n", above.)
std::string paragraphs(const std::string& topic, size_t from, size_t to) {
  std::string s;
  for (size_t i = from; i < to; ++i)
    s += "Paragraph " + std::to_string(i) + " about " + topic +
         " has enough words in it to count as the main content.\n";
  return s;
}

// A file system mounted over a directory for the length of a test; `ok` is
// false when this process may not mount (then the test is skipped).
struct Mounted {
  std::string dir;
  bool ok = false;
  ~Mounted() {
    if (ok) ::umount2(dir.c_str(), MNT_DETACH);
  }
};

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

}  // namespace

// curl's own limit ends the wait for a server that never answers. So that
// the test need not sit out the 25 seconds, the curl on PATH is a wrapper
// that records the limit zub asked for and hands the real curl half a
// second instead, for the silent URL only.
TEST(HardeningFetch, ServerThatNeverAnswersCostsOneTimeoutAndSparesTheOthers) {
  TempDir tmp;
  HttpServer server{{"127.0.0.1", "127.0.0.2"}};
  ScriptedResponse ok;
  ok.body = page("alpha", 5);
  server.route("/fast", ok);
  ScriptedResponse silent;
  silent.body = page("never", 1);
  silent.delay_ms = 120000;
  server.route("/silent", silent);

  const std::string real_curl(zub::trim_ws(zub::run_process({"sh", "-c", "command -v curl"}).out));
  ASSERT_FALSE(real_curl.empty());
  const std::string limits = tmp / "limits";
  tmp.write("bin/curl",
            "#!/bin/sh\n"
            "limit= prev= url=\n"
            "for a do\n"
            "  [ \"$prev\" = -m ] && limit=$a\n"
            "  prev=$a url=$a\n"
            "done\n"
            "echo \"$limit\" >> '" +
                limits +
                "'\n"
                "case $url in */silent) ;; *) exec '" +
                real_curl +
                "' \"$@\" ;; esac\n"
                "prev=\n"
                "for a do\n"
                "  shift\n"
                "  [ \"$prev\" = -m ] && a=0.5\n"
                "  prev=$a\n"
                "  set -- \"$@\" \"$a\"\n"
                "done\n"
                "exec '" +
                real_curl + "' \"$@\"\n");
  ASSERT_EQ(::chmod((tmp / "bin/curl").c_str(), 0755), 0);
  auto env = fetch_env(tmp.mkdir("home"));
  env.env_set.push_back("PATH=" + (tmp / "bin") + ":" + std::getenv("PATH"));

  BoundedRun r = run_bounded(
      {"fetch", server.url("/fast", "127.0.0.1"), server.url("/silent", "127.0.0.2")}, 90, env);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  const std::string port = std::to_string(server.port());
  EXPECT_EQ(r.run.out, "## 127.0.0.1:" + port + "\n" + paragraphs("alpha", 0, 5) +
                           "## 127.0.0.2:" + port +
                           "\n[fetch 실패: curl 28: 시간 안에 끝나지 않았다]\n"
                           "[zub: 479B→444B -8%]\n");
  EXPECT_EQ(zub::read_file(limits).data, "25\n25\n")
      << "both transfers asked for a 25 second limit";
  EXPECT_GE(r.seconds, 0.5);
  EXPECT_LT(r.seconds, 20.0);
  // And the curl that waited was ended and reaped with its zub.
  int lingering = 0;
  for (const auto& e : std::filesystem::directory_iterator("/proc")) {
    zub::ReadResult cmd = zub::read_file(e.path().string() + "/cmdline");
    lingering += cmd.ok && cmd.data.find(server.url("/silent", "127.0.0.2")) != std::string::npos;
  }
  EXPECT_EQ(lingering, 0);
}

TEST(HardeningFetch, TwoHundredMegabyteBodyIsConvertedAndCutWhenAllowed) {
  TempDir tmp;
  HttpServer server;
  const size_t paragraphs = kSanitized ? 300'000 : 2'600'000;  // ~23 MB / ~200 MB
  ScriptedResponse big;
  big.body = page("huge", paragraphs);
  const size_t raw = big.body.size();
  server.route("/huge", std::move(big));

  // Above the default cap on one body, which the environment raises.
  auto env = fetch_env(tmp.mkdir("home"));
  env.env_set.push_back("ZUB_FETCH_MAX=" + std::to_string(raw + 1));
  BoundedRun r = run_bounded({"fetch", server.url("/huge"), "-n", "300"}, 120, env);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(r.run.out.rfind("# huge\n", 0), 0u) << r.run.out.substr(0, 200);
  const size_t cut = r.run.out.find("\n…[cut]\n");
  ASSERT_NE(cut, std::string::npos);
  // What follows the cut is the note, with the full size of the page.
  const std::string note = r.run.out.substr(cut + std::string("\n…[cut]\n").size());
  EXPECT_EQ(note.rfind(kSanitized ? "[zub: 25672KB→" : "[zub: 224891KB→", 0), 0u) << note;
  EXPECT_LT(r.run.out.size(), 4096u);
}

TEST(HardeningFetch, FullCacheFileSystemActsAsAbsent) {
  TempDir tmp;
  Mounted home;
  home.dir = tmp.mkdir("home");
  home.ok = ::mount("tmpfs", home.dir.c_str(), "tmpfs", 0, "size=64k") == 0;
  if (!home.ok) GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";

  HttpServer server;
  ScriptedResponse small, large;
  small.body = page("small", 20);    // a couple of KB: fits
  large.body = page("large", 1000);  // ~84 KB: more than the whole file system
  small.headers = large.headers = {{"Cache-Control", "max-age=600"}};
  server.route("/small", small);
  server.route("/large", large);
  const auto env = fetch_env(home.dir);

  for (int round = 0; round < 2; ++round) {
    for (const char* target : {"/small", "/large"}) {
      BoundedRun r = run_bounded({"fetch", server.url(target), "-n", "1000000"}, 60, env);
      ASSERT_FALSE(r.timed_out);
      EXPECT_EQ(r.run.status, 0);
      EXPECT_EQ(r.run.err, "") << "a cache that cannot be written must stay silent";
      const std::string want =
          target == std::string("/small")
              ? "# small\n" + paragraphs("small", 0, 20) + "[zub: 1KB→1KB -11%]\n"
              : "# large\n" + paragraphs("large", 0, 1000) + "[zub: 83KB→77KB -9%]\n";
      EXPECT_TRUE(r.run.out == want) << target << ": " << r.run.out.substr(0, 300);
    }
  }
  // The small page was stored and then served from the cache; the large
  // one never fit and was fetched both times.
  EXPECT_EQ(server.hits("/small"), 1);
  EXPECT_EQ(server.hits("/large"), 2);
  const std::string dir = home.dir + "/.claude/cache/zub-fetch";
  std::vector<std::string> names = names_in(dir);
  EXPECT_EQ(names.size(), 2u) << "only the small page's body and record, no temporary leftovers";
  for (const std::string& n : names) {
    if (n.size() == 16) {
      zub::ReadResult body = zub::read_file(dir + "/" + n);
      EXPECT_EQ(body.data, small.body) << "a stored body is whole";
    }
  }
}

TEST(HardeningFetch, FullTemporaryFileSystemNeverYieldsCutBodies) {
  TempDir tmp;
  Mounted tmpdir;
  tmpdir.dir = tmp.mkdir("tmp");
  tmpdir.ok = ::mount("tmpfs", tmpdir.dir.c_str(), "tmpfs", 0, "size=64k") == 0;
  if (!tmpdir.ok) GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";

  // Two pages on one host go through one curl batch, whose body files in
  // the temporary directory cannot be written whole.
  HttpServer server{{"127.0.0.2"}};
  ScriptedResponse a, b;
  a.body = page("first", 1000);
  b.body = page("second", 1000);
  server.route("/a", a);
  server.route("/b", b);
  const std::string home = tmp.mkdir("home");
  auto env = fetch_env(home);
  env.env_set.push_back("TMPDIR=" + tmpdir.dir);
  BoundedRun r =
      run_bounded({"fetch", server.url("/a"), server.url("/b"), "-n", "1000000"}, 60, env);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  const std::string host = "## 127.0.0.2:" + std::to_string(server.port()) + "\n";
  EXPECT_TRUE(r.run.out == host + "### first\n" + paragraphs("first", 0, 1000) + host +
                               "### second\n" + paragraphs("second", 0, 1000) +
                               "[zub: 168KB→155KB -9%]\n")
      << r.run.out.substr(0, 300);
  // Whatever was cached is whole.
  const std::string dir = home + "/.claude/cache/zub-fetch";
  for (const std::string& n : names_in(dir)) {
    if (n.size() != 16) continue;
    const std::string body = zub::read_file(dir + "/" + n).data;
    EXPECT_TRUE(body == a.body || body == b.body) << n << ": " << body.size() << " bytes";
  }
  EXPECT_TRUE(names_in(tmpdir.dir).empty());
}

TEST(HardeningFetch, ReadOnlyHomeActsAsAbsentCache) {
  TempDir tmp;
  const std::string src = tmp.mkdir("src");
  Mounted home;
  home.dir = tmp.mkdir("home");
  home.ok = ::mount(src.c_str(), home.dir.c_str(), nullptr, MS_BIND, nullptr) == 0;
  if (!home.ok) GTEST_SKIP() << "cannot bind-mount here (needs root)";
  if (::mount(nullptr, home.dir.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
    GTEST_SKIP() << "cannot remount read-only here";

  HttpServer server;
  ScriptedResponse p;
  p.body = page("ro", 5);
  p.headers = {{"Cache-Control", "max-age=600"}, {"ETag", "\"v1\""}};
  server.route("/p", p);
  const auto env = fetch_env(home.dir);
  for (int i = 0; i < 2; ++i) {
    BoundedRun r = run_bounded({"fetch", server.url("/p")}, 60, env);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.run.status, 0);
    EXPECT_EQ(r.run.err, "");
    EXPECT_EQ(r.run.out, paragraphs("ro", 0, 5) + "[zub: 461B→370B -20%]\n");
  }
  EXPECT_EQ(server.hits("/p"), 2) << "nothing could have been cached";
  EXPECT_EQ(server.not_modified("/p"), 0);
  EXPECT_TRUE(names_in(home.dir).empty());

  // The cache subcommands neither fail nor complain either.
  BoundedRun r = run_bounded({"cache", "clear"}, 20, env);
  EXPECT_EQ(r.run.status, 0);
  EXPECT_EQ(r.run.err, "");
  r = run_bounded({"cache"}, 20, env);
  EXPECT_EQ(r.run.status, 0);
  EXPECT_EQ(r.run.err, "");
}

namespace {

// `n` bytes of zeros, gzip-compressed by the real gzip: a few hundred KB on
// the wire that inflate to `n`.
std::string gzip_of_zeros(uint64_t n) {
  zub::ProcessResult r =
      zub::run_process({"sh", "-c", "head -c " + std::to_string(n) + " /dev/zero | gzip -c"});
  return r.out;
}

}  // namespace

// A body that never ends and a gzip bomb stop at the cap (32 MiB unless
// ZUB_FETCH_MAX says otherwise) in a single fetch and in a batch, each with
// a failure line of its own; nothing of them is cached, and memory stays
// far below what the bodies would take.
TEST(HardeningFetch, EndlessAndInflatingBodiesStopAtTheCap) {
  TempDir tmp;
  HttpServer server{{"127.0.0.2"}};
  ScriptedResponse endless;
  endless.endless = true;
  endless.headers = {{"Cache-Control", "max-age=600"}};
  server.route("/endless", endless);
  ScriptedResponse bomb;
  bomb.body = gzip_of_zeros(uint64_t{96} << 20);
  ASSERT_GT(bomb.body.size(), 1000u);
  ASSERT_LT(bomb.body.size(), uint64_t{1} << 20);
  bomb.headers = {{"Content-Encoding", "gzip"}, {"Cache-Control", "max-age=600"}};
  server.route("/bomb", bomb);
  ScriptedResponse small;
  small.body = page("small", 20);
  small.headers = {{"Cache-Control", "max-age=600"}};
  server.route("/small", small);

  const std::string home = tmp.mkdir("home");
  const auto env = fetch_env(home);
  std::vector<std::string> prefix;
  if (!kSanitized) prefix = {"sh", "-c", "ulimit -v 400000 && exec \"$@\"", "sh"};
  const std::string too_big = "[fetch 실패: 본문이 33554432바이트 상한(ZUB_FETCH_MAX)을 넘었다]\n";

  for (const char* target : {"/endless", "/bomb"}) {
    BoundedRun r = run_bounded_via(prefix, {"fetch", server.url(target)}, 60, env);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.run.status, 0) << target << ": " << r.run.err;
    EXPECT_EQ(r.run.out, too_big) << target;
  }

  // Three URLs on one host: one batch, where only the two giants fail.
  BoundedRun r = run_bounded_via(
      prefix, {"fetch", server.url("/bomb"), server.url("/small"), server.url("/endless")}, 60,
      env);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  const std::string host = "## 127.0.0.2:" + std::to_string(server.port()) + "\n";
  EXPECT_EQ(r.run.out, host + too_big + host + "### small\n" + paragraphs("small", 0, 20) + host +
                           too_big + "[zub: 1KB→1KB -2%]\n");
  EXPECT_EQ(names_in(home + "/.claude/cache/zub-fetch").size(), 2u) << "only the small page";

  // The cap comes from the environment.
  auto low = env;
  low.env_set.push_back("ZUB_FETCH_MAX=1000");
  r = run_bounded({"fetch", "--refresh", server.url("/small")}, 60, low);
  EXPECT_EQ(r.run.out, "[fetch 실패: 본문이 1000바이트 상한(ZUB_FETCH_MAX)을 넘었다]\n");
  EXPECT_EQ(server.hits("/small"), 2);
}

// A batch killed by a signal while bodies stream in leaves nothing in the
// temporary directory.
TEST(HardeningFetch, BatchKilledBySignalLeavesNothingBehind) {
  TempDir tmp;
  HttpServer server;
  ScriptedResponse endless;
  endless.endless = true;
  server.route("/e1", endless);
  server.route("/e2", endless);
  const std::string tmpdir = tmp.mkdir("t");
  std::vector<std::string> env_text;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    if (name != "TMPDIR" && name != "HOME" && name != "ZUB_FETCH_MAX" && name != "ZUB_NO_CACHE" &&
        name.find("proxy") == std::string::npos && name.find("PROXY") == std::string::npos)
      env_text.push_back(entry);
  }
  for (const std::string& extra :
       {"TMPDIR=" + tmpdir, "HOME=" + tmp.mkdir("home"), std::string("ZUB_FETCH_MAX=100000000000"),
        std::string("NO_PROXY=*"), std::string("no_proxy=*")})
    env_text.push_back(extra);
  std::vector<char*> envp;
  for (auto& e : env_text) envp.push_back(e.data());
  envp.push_back(nullptr);

  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    std::vector<std::string> args = {ZUB_BINARY, "fetch", server.url("/e1"), server.url("/e2")};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    const uint64_t before = server.body_bytes_sent();
    // The signals at their defaults even when this test runs under nohup
    // or in the background of a shell: zub keeps a signal ignored that its
    // caller ignores.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&defaults, s);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, ZUB_BINARY, &fa, &attr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&attr);
    // Wait until several megabytes have gone out, so the batch is mid-way.
    for (int i = 0; i < 3000 && server.body_bytes_sent() < before + (uint64_t{8} << 20); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GE(server.body_bytes_sent(), before + (uint64_t{8} << 20));
    ::kill(pid, sig);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) || WIFEXITED(status));
    EXPECT_TRUE(names_in(tmpdir).empty()) << "signal " << sig << " left " << names_in(tmpdir).size()
                                          << " entries, first " << names_in(tmpdir)[0];
  }
}

// Cache files replaced by links to devices, a FIFO or an oversized body are
// passed over: every fetch still answers, and nothing hangs or aborts.
TEST(HardeningFetch, PlantedCacheFilesAreNeitherFollowedNorReadWhole) {
  TempDir tmp;
  HttpServer server{{"127.0.0.2"}};
  ScriptedResponse p;
  p.body = page("planted", 20);
  p.headers = {{"Cache-Control", "max-age=600"}};
  server.route("/p", p);
  const std::string url = server.url("/p");
  const std::string home = tmp.mkdir("home");
  const auto env = fetch_env(home);
  const std::string want = "# planted\n" + paragraphs("planted", 0, 20) + "[zub: 1KB→1KB -11%]\n";
  auto fetch = [&](const zub_test::RunOptions& o) {
    BoundedRun r = run_bounded({"fetch", url}, 30, o);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.run.status, 0) << r.run.err;
    return r.run.out;
  };
  EXPECT_EQ(fetch(env), want);
  const std::string dir = home + "/.claude/cache/zub-fetch";
  std::string body_file;
  for (const std::string& n : names_in(dir))
    if (n.size() == 16) body_file = dir + "/" + n;
  ASSERT_FALSE(body_file.empty());
  const std::string record_file = body_file + ".m";

  // The record a link to an endless device: read as no record, so the body
  // is served under its URL class.
  ASSERT_EQ(::unlink(record_file.c_str()), 0);
  ASSERT_EQ(::symlink("/dev/zero", record_file.c_str()), 0);
  EXPECT_EQ(fetch(env), want);
  EXPECT_EQ(server.hits("/p"), 1);
  BoundedRun ttl = run_bounded({"cache", "ttl", url}, 30, env);
  EXPECT_FALSE(ttl.timed_out);
  EXPECT_EQ(ttl.run.out, "   15분  [휴리스틱]  " + url + "\n");

  // The body a link to the device, then a FIFO: a miss, fetched again.
  ASSERT_EQ(::unlink(body_file.c_str()), 0);
  ASSERT_EQ(::symlink("/dev/zero", body_file.c_str()), 0);
  EXPECT_EQ(fetch(env), want);
  EXPECT_EQ(server.hits("/p"), 2);
  ASSERT_EQ(::unlink(body_file.c_str()), 0);
  ASSERT_EQ(::mkfifo(body_file.c_str(), 0600), 0);
  EXPECT_EQ(fetch(env), want);
  EXPECT_EQ(server.hits("/p"), 3);

  // A stored body above the cap is not served either.
  auto low = env;
  low.env_set.push_back("ZUB_FETCH_MAX=1000");
  EXPECT_EQ(fetch(low), "[fetch 실패: 본문이 1000바이트 상한(ZUB_FETCH_MAX)을 넘었다]\n");
  EXPECT_EQ(server.hits("/p"), 4);
}

// Cache edge cases an operator meets: the largest ZUB_FETCH_MAX is no cap
// (it once made every cached body read back empty); the cache is private to
// the user; an entry belongs to the URL its record names; and a record that
// cannot be written whole (a full disk, here a file-size limit) leaves no
// body to be served.
TEST(HardeningFetch, CacheUnderAnUnlimitedCapAFullDiskAndAForeignUmask) {
  TempDir tmp;
  HttpServer server{{"127.0.0.2"}};
  ScriptedResponse p;
  p.body = page("kept", 3);
  p.headers = {{"Cache-Control", "max-age=600"}};
  server.route("/p", p);
  const std::string home = tmp.mkdir("home");
  auto env = fetch_env(home);
  env.env_set.push_back("ZUB_FETCH_MAX=18446744073709551615");
  env.env_set.push_back("ZUB_CACHE_DEBUG=1");
  const std::string want = paragraphs("kept", 0, 3) + "[zub: 307B→228B -26%]\n";
  // A umask that lets everyone read new files.
  const std::vector<std::string> open_umask = {"sh", "-c", "umask 022; exec \"$@\"", "sh"};
  for (int i = 0; i < 2; ++i) {
    BoundedRun r = run_bounded_via(open_umask, {"fetch", server.url("/p")}, 30, env);
    EXPECT_EQ(r.run.out, want);
    EXPECT_EQ(r.run.err.find("[cache hit") != std::string::npos, i == 1) << r.run.err;
  }
  EXPECT_EQ(server.hits("/p"), 1);
  const std::string dir = home + "/.claude/cache/zub-fetch";
  struct stat st;
  ASSERT_EQ(::stat(dir.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  for (const std::string& n : names_in(dir)) {
    ASSERT_EQ(::stat((dir + "/" + n).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << n;
  }
  // The record names its URL: files claimed by another URL (one crafted to
  // hash to the same name) are a miss.
  std::string record_file;
  for (const std::string& n : names_in(dir))
    if (n.size() == 18) record_file = dir + "/" + n;
  ASSERT_FALSE(record_file.empty());
  // The lines are views into the text read: it must outlive them.
  const zub::ReadResult record = zub::read_file(record_file);
  std::vector<std::string_view> lines = zub::split_lines(record.data);
  ASSERT_GE(lines.size(), 5u);
  std::string forged;
  for (size_t i = 0; i < 5; ++i) forged += std::string(lines[i]) + "\n";
  forged += "https://evil.example/collides\n";
  ASSERT_TRUE(zub::write_file_atomic(record_file, forged, 0600));
  EXPECT_EQ(run_bounded({"fetch", server.url("/p")}, 30, env).run.out, want);
  EXPECT_EQ(server.hits("/p"), 2) << "a record of another URL is not this URL's";

  // A directory an older version left open is closed on the next write.
  ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);
  ScriptedResponse q = p;
  server.route("/q", q);
  EXPECT_EQ(run_bounded_via(open_umask, {"fetch", server.url("/q")}, 30, env).run.status, 0);
  ASSERT_EQ(::stat(dir.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  // A page the server says to revalidate every time, with a long ETag: the
  // body fits under a 512-byte file-size limit, its record does not.
  ScriptedResponse nc;
  nc.body = page("nc", 2);
  nc.headers = {{"Cache-Control", "no-cache"}, {"ETag", "\"" + std::string(700, 'e') + "\""}};
  ASSERT_LT(nc.body.size(), 512u);
  server.route("/nc", nc);
  const std::vector<std::string> full_disk = {"sh", "-c", "trap '' XFSZ; ulimit -f 1; exec \"$@\"",
                                              "sh"};
  BoundedRun r = run_bounded_via(full_disk, {"fetch", server.url("/nc")}, 30, env);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  r = run_bounded({"fetch", server.url("/nc")}, 30, env);
  EXPECT_EQ(r.run.err.find("[cache hit"), std::string::npos) << r.run.err;
  EXPECT_EQ(server.hits("/nc"), 2) << "the second fetch asked the server";
}

namespace {

// A `curl` first on PATH that logs each run (one line) and then runs the
// real curl with `extra` arguments after zub's (so that they win).
std::string curl_wrapper(const TempDir& tmp, const std::string& extra, const std::string& log) {
  const std::string real(zub::trim_ws(zub::run_process({"sh", "-c", "command -v curl"}).out));
  tmp.write("bin/curl",
            "#!/bin/sh\necho run >> '" + log + "'\nexec '" + real + "' \"$@\" " + extra + "\n");
  ::chmod((tmp / "bin/curl").c_str(), 0755);
  return tmp / "bin";
}

size_t lines_in(const std::string& path) {
  const std::string text = zub::read_file(path).data;
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

ScriptedResponse redirect_to(const std::string& location) {
  ScriptedResponse r;
  r.status = 302;
  r.headers = {{"Location", location}};
  return r;
}

}  // namespace

// A page may redirect a fetch anywhere. From a public host it may not lead
// into the machine's own addresses, the local network or the link (cloud
// metadata): literal addresses in every spelling and localhost are refused
// before the hop, a name is refused by the address curl reached, and its
// answer is dropped. Loopback to loopback stays allowed, file:// refused.
// The test's servers are all on loopback; ZUB_TEST_PUBLIC_ADDRS lets two of
// them stand for public hosts.
TEST(HardeningFetch, RedirectsIntoTheMachinesOwnAddressesAreRefused) {
  TempDir tmp;
  HttpServer server{{"127.0.0.2", "127.0.0.1", "127.0.0.3", "127.0.0.4"}};
  const std::string port = std::to_string(server.port());
  ScriptedResponse secret;
  secret.body = page("secret", 5);
  server.route("/secret", secret);
  ScriptedResponse ok;
  ok.body = page("fine", 5);
  server.route("/page", ok);
  const std::vector<std::pair<std::string, std::string>> hops = {
      {"/loopback", "http://127.0.0.1:" + port + "/secret"},
      {"/short", "http://127.1:" + port + "/secret"},
      {"/decimal", "http://2130706433:" + port + "/secret"},
      {"/localhost", "http://LocalHost.:" + port + "/secret"},
      {"/v6", "http://[::1]:" + port + "/secret"},
      {"/mapped", "http://[::ffff:127.0.0.1]:" + port + "/secret"},
      {"/metadata", "http://169.254.169.254/latest/meta-data/iam/"},
      {"/private", "http://10.1.2.3/admin"},
      {"/file", "file:///etc/passwd"},
      {"/public", "http://127.0.0.3:" + port + "/page"},
      {"/name", "http://internal.test:" + port + "/secret"},
  };
  std::vector<std::string> urls;
  for (const auto& [from, to] : hops) {
    server.route(from, redirect_to(to));
    urls.push_back(server.url(from, "127.0.0.2"));
  }
  // The name resolves to loopback, as only curl can tell.
  const std::string log = tmp / "curl.log";
  auto env = fetch_env(tmp.mkdir("home"));
  env.env_set.push_back(
      "PATH=" + curl_wrapper(tmp, "--resolve internal.test:" + port + ":127.0.0.1", log) + ":" +
      std::getenv("PATH"));
  env.env_set.push_back("ZUB_TEST_PUBLIC_ADDRS=127.0.0.2,127.0.0.3");

  // Eleven URLs on one host: one batch, which follows no redirect; each
  // redirected one is then fetched alone, hop by hop.
  std::vector<std::string> args = {"fetch", "--no-cache"};
  args.insert(args.end(), urls.begin(), urls.end());
  BoundedRun r = run_bounded(args, 60, env);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_LT(r.seconds, 20.0) << "no connection to an unreachable address was tried";
  const std::string head = "## 127.0.0.2:" + port + "\n";
  std::string want;
  for (const auto& [from, to] : hops) {
    want += head;
    if (from == "/public") {
      want += paragraphs("fine", 0, 5);
      continue;
    }
    if (from == "/file") {
      want += "[fetch 실패: 리다이렉트 거부: http·https 가 아닌 주소: file:///etc/passwd]\n";
      continue;
    }
    const std::string kind = from == "/metadata"  ? "링크 로컬"
                             : from == "/private" ? "사설"
                                                  : "루프백";
    // curl writes the short forms of an IPv4 address out in full.
    const bool spelled_out = from == "/short" || from == "/decimal";
    want += "[fetch 실패: 리다이렉트 거부: 공개 주소에서 " + kind +
            " 주소로: " + (spelled_out ? "http://127.0.0.1:" + port + "/secret" : to) + "]\n";
  }
  // The failure lines outgrow the pages (the share counts the port's five
  // digits in each line).
  EXPECT_EQ(r.run.out, want + "[zub: 473B→1KB +214%]\n");
  EXPECT_EQ(r.run.out.find("about secret"), std::string::npos) << "no secret page printed";
  // Only the name reached the secret page; its answer went unused.
  EXPECT_EQ(server.hits("/secret"), 1);

  // Loopback to loopback: the machine's own service may send the agent on.
  server.route("/hop", redirect_to("http://127.0.0.4:" + port + "/page"));
  r = run_bounded({"fetch", "--no-cache", server.url("/hop", "127.0.0.1")}, 30, env);
  EXPECT_EQ(r.run.out, paragraphs("fine", 0, 5) + "[zub: 473B→380B -20%]\n");
}

// A host spelled in Unicode is read as curl will read it (IDNA): fullwidth
// digits, ideographic and fullwidth full stops and circled letters that
// spell the machine's own addresses are refused before the hop, so the
// local service is never asked. So is the machine's own host name when its
// hosts file gives it a loopback address.
TEST(HardeningFetch, UnicodeSpelledAndHostsFileNamesAreJudgedBeforeTheHop) {
  TempDir tmp;
  HttpServer server{{"127.0.0.2", "127.0.0.1"}};
  const std::string port = std::to_string(server.port());
  ScriptedResponse secret;
  secret.body = page("secret", 5);
  server.route("/secret", secret);
  std::vector<std::string> targets = {
      "http://\uFF11\uFF12\uFF17.\uFF10.\uFF10.\uFF11:" + port + "/secret",  // fullwidth digits
      "http://127\u30020\u30020\u30021:" + port + "/secret",                 // ideographic stops
      "http://127\uFF0E0\uFF0E0\uFF0E1:" + port + "/secret",                 // fullwidth stops
      "http://\u24DB\u24DE\u24D2\u24D0\u24DB\u24D7\u24DE\u24E2\u24E3:" + port +
          "/secret",                                      // circled
      "http://\u24C1OCAL\u00ADHOST:" + port + "/secret",  // capitals, a soft hyphen
  };
  char name[256] = {};
  bool own_name = false;
  if (::gethostname(name, sizeof name - 1) == 0 && name[0] != '\0') {
    const std::string hosts = zub::read_file("/etc/hosts").data;
    for (std::string_view line : zub::split_lines(hosts)) {
      const std::string l(line);
      own_name =
          own_name || (zub::starts_with(l, "127.") &&
                       (" " + l + " ").find(" " + std::string(name) + " ") != std::string::npos);
    }
  }
  if (own_name) targets.push_back("http://" + std::string(name) + ":" + port + "/secret");
  auto env = fetch_env(tmp.mkdir("home"));
  env.env_set.push_back("ZUB_TEST_PUBLIC_ADDRS=127.0.0.2");
  for (size_t i = 0; i < targets.size(); ++i) {
    const std::string from = "/hop" + std::to_string(i);
    ScriptedResponse hop;
    hop.status = 302;
    hop.headers = {{"Location", targets[i]}};
    server.route(from, hop);
    BoundedRun r = run_bounded({"fetch", "--no-cache", server.url(from, "127.0.0.2")}, 30, env);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.run.out.rfind("[fetch 실패: 리다이렉트 거부: 공개 주소에서 루프백 주소로: ", 0), 0u)
        << targets[i] << "\n"
        << r.run.out;
  }
  EXPECT_EQ(server.hits("/secret"), 0) << "the local service was never asked";
  if (!own_name) GTEST_SKIP() << "the hosts file gives this machine's name no loopback address";
}

// A server that sends its pages a byte at a time runs each transfer of a
// batch into its time limit. Such a transfer is not fetched again: that
// would only take as long a second time. (The wrapped curl gets a limit of
// two seconds instead of 25, so the test need not wait.)
TEST(HardeningFetch, TransfersEndedByTheTimeLimitAreNotRetried) {
  TempDir tmp;
  HttpServer server{{"127.0.0.2"}};
  ScriptedResponse slow;
  slow.body = page("slow", 3);
  slow.trickle_ms = 100;
  server.route("/a", slow);
  server.route("/b", slow);
  // A quick page first: once its answer shows the connection cannot carry
  // several transfers at once, curl opens more for the slow two.
  ScriptedResponse quick;
  quick.body = page("quick", 3);
  server.route("/quick", quick);
  const std::string log = tmp / "curl.log";
  auto env = fetch_env(tmp.mkdir("home"));
  env.env_set.push_back("PATH=" + curl_wrapper(tmp, "-m 2", log) + ":" + std::getenv("PATH"));
  BoundedRun r =
      run_bounded({"fetch", server.url("/quick"), server.url("/a"), server.url("/b")}, 60, env);
  ASSERT_FALSE(r.timed_out);
  const std::string head = "## 127.0.0.2:" + std::to_string(server.port()) + "\n";
  EXPECT_EQ(r.run.out,
            head + paragraphs("quick", 0, 3) + head +
                "[fetch 실패: curl 28: 시간 안에 끝나지 않았다]\n" + head +
                "[fetch 실패: curl 28: 시간 안에 끝나지 않았다]\n[zub: 311B→349B +12%]\n");
  EXPECT_EQ(lines_in(log), 1u) << "one batch run, no retries";
}

// Bodies held at once do not grow with the number of URLs: pages are
// fetched and converted a batch at a time and only their cut markdown
// kept. Peak memory for 48 pages of 1 MB stays near that for 16.
TEST(HardeningFetch, ManyLargePagesKeepPeakMemoryFlat) {
  if (::access("/usr/bin/time", X_OK) != 0) GTEST_SKIP() << "no /usr/bin/time";
  TempDir tmp;
  HttpServer server{{"127.0.0.2"}};
  ScriptedResponse big;
  big.body = page("large", kSanitized ? 4000 : 12000);
  for (int i = 0; i < 48; ++i) server.route("/p" + std::to_string(i), big);
  const auto env = fetch_env(tmp.mkdir("home"));
  auto peak_kb = [&](int n) {
    std::vector<std::string> args = {"fetch", "--no-cache", "-n", "100"};
    for (int i = 0; i < n; ++i) args.push_back(server.url("/p" + std::to_string(i)));
    const std::string peak = tmp / "peak";
    BoundedRun r = run_bounded_via({"/usr/bin/time", "-o", peak, "-f", "%M"}, args, 120, env);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.run.status, 0) << r.run.err;
    size_t headings = 0;
    for (size_t at = r.run.out.find("## 127.0.0.2:"); at != std::string::npos;
         at = r.run.out.find("## 127.0.0.2:", at + 1))
      ++headings;
    EXPECT_EQ(headings, static_cast<size_t>(n));
    return std::stoull(zub::read_file(peak).data);
  };
  const uint64_t sixteen = peak_kb(16);
  const uint64_t forty_eight = peak_kb(48);
  // AddressSanitizer holds freed memory back in its quarantine (256 MB), so
  // under it the peak grows with what was ever allocated: only the output
  // is checked there.
  if (kSanitized) return;
  EXPECT_LT(forty_eight, sixteen * 3 / 2) << sixteen << " KB for 16 pages";
}
