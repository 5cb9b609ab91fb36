#include "web/cache_cmd.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "web/cache_test_env.h"
#include "web/fetch_cache.h"

using namespace zub;
using zub_test::CacheSandbox;
using zub_test::run_zub;
using zub_test::RunOptions;

namespace {

const std::string kTtlLine =
    "TTL: 상태0 · 변동15분 · blog1시간 · 문서1일 · 안정문서7일 · 버전고정30일\n";
const std::string kOptionLine =
    "옵션: --no-cache | --refresh | --ttl <초> | ZUB_CACHE_TTL | ZUB_CACHE_DEBUG=1\n";

RunOptions with_home(const std::string& home, std::vector<std::string> more = {}) {
  RunOptions o;
  o.env_set = {"HOME=" + home};
  for (auto& m : more) o.env_set.push_back(m);
  o.env_unset = {"ZUB_CACHE_TTL", "ZUB_NO_CACHE", "ZUB_REFRESH", "ZUB_STALE"};
  return o;
}

}  // namespace

TEST(TtlDurationText, RoundsDownPerUnit) {
  // clang-format off
  struct Case {
    uint64_t s;
    const char* text;
  } cases[] = {{0, "안함"},       {1, "0분"},       {59, "0분"},        {60, "1분"},
               {900, "15분"},     {3599, "59분"},   {3600, "1시간"},    {86399, "23시간"},
               {86400, "1일"},    {604800, "7일"},  {2592000, "30일"},  {kNoLifetime, "213503982334601일"}};
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(ttl_duration_text(c.s), c.text) << c.s;
}

TEST(CacheCommand, StatusCountsBothFilesOfAnEntry) {
  CacheSandbox box;
  const std::string dir = box.cache_dir();
  auto fresh = run_zub({"cache"}, with_home(box.home));
  EXPECT_EQ(fresh.status, 0);
  EXPECT_EQ(fresh.out, "0 항목 / 0.0MB  " + dir + "\n" + kTtlLine + kOptionLine);

  box.tmp.write("home/.claude/cache/zub-fetch/0123456789abcdef", "0123456789");
  box.tmp.write("home/.claude/cache/zub-fetch/0123456789abcdef.m", std::string(40, 'm'));
  auto two = run_zub({"cache", "whatever", "else"}, with_home(box.home));
  EXPECT_EQ(two.out, "2 항목 / 0.0MB  " + dir + "\n" + kTtlLine + kOptionLine);

  box.tmp.write("home/.claude/cache/zub-fetch/big", std::string(1572864 - 50, 'x'));
  EXPECT_EQ(run_zub({"cache"}, with_home(box.home)).out,
            "3 항목 / 1.5MB  " + dir + "\n" + kTtlLine + kOptionLine);
}

TEST(CacheCommand, ClearRemovesTheDirectoryAndSaysSoEveryTime) {
  CacheSandbox box;
  CacheEntry("https://example.com/page", box.policy()).store("body", std::nullopt);
  ASSERT_TRUE(box.read(box.body_file("https://example.com/page")));
  // A link inside the cache is removed as a link; its target survives.
  const std::string outside = box.tmp.write("outside/keep", "keep me");
  ASSERT_EQ(::symlink((box.tmp.path() + "/outside").c_str(), (box.cache_dir() + "/link").c_str()),
            0);

  const std::string line = "캐시 삭제: " + box.cache_dir() + "\n";
  auto first = run_zub({"cache", "clear"}, with_home(box.home));
  EXPECT_EQ(first.status, 0);
  EXPECT_EQ(first.out, line);
  EXPECT_NE(::access(box.cache_dir().c_str(), F_OK), 0);
  EXPECT_EQ(box.read(outside), "keep me");
  EXPECT_EQ(run_zub({"cache", "clear"}, with_home(box.home)).out, line);
}

TEST(CacheCommand, TtlReportsSourceAndAlignedDuration) {
  CacheSandbox box;
  const std::string served = "https://example.com/served";
  CacheEntry(served, box.policy()).store("x", std::string("{\"cache-control\":[\"max-age=600\"]}"));
  const std::string batch = "https://example.com/docs/batch";
  CacheEntry(batch, box.policy()).store("x", std::nullopt);

  auto r = run_zub({"cache", "ttl", "https://example.com/docs/intro", served, batch,
                    "https://status.example.com/", "https://example.com/blog/x"},
                   with_home(box.home));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "    1일  [휴리스틱]  https://example.com/docs/intro\n"
            "   10분  [서버]  https://example.com/served\n"
            "    1일  [휴리스틱]  https://example.com/docs/batch\n"
            "    안함  [휴리스틱]  https://status.example.com/\n"
            "   1시간  [휴리스틱]  https://example.com/blog/x\n");

  auto forced = run_zub({"cache", "ttl", "https://example.com/docs/intro", served},
                        with_home(box.home, {"ZUB_CACHE_TTL=0"}));
  EXPECT_EQ(forced.out,
            "    안함  [휴리스틱]  https://example.com/docs/intro\n"
            "   10분  [서버]  https://example.com/served\n");

  EXPECT_EQ(run_zub({"cache", "ttl"}, with_home(box.home)).out, "");

  // A report creates nothing, not even the cache directory.
  zub_test::TempDir bare;
  EXPECT_EQ(run_zub({"cache", "ttl", served}, with_home(bare.path())).out,
            "   15분  [휴리스틱]  https://example.com/served\n");
  EXPECT_NE(::access((bare.path() + "/.claude").c_str(), F_OK), 0);
}

TEST(CacheCommand, WithoutHomeStatusAndClearPrintNothing) {
  RunOptions o;
  o.env_unset = {"HOME"};
  for (auto args : {std::vector<std::string>{"cache"}, {"cache", "clear"}}) {
    auto r = run_zub(args, o);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
  }
  // ttl still answers from the URL class.
  EXPECT_EQ(run_zub({"cache", "ttl", "https://arxiv.org/abs/1"}, o).out,
            "   30일  [휴리스틱]  https://arxiv.org/abs/1\n");
}
