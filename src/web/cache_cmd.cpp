#include "web/cache_cmd.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <cstdio>

#include "base/dir_tree.h"
#include "base/utf8.h"
#include "web/fetch_cache.h"
#include "web/fetch_policy.h"
#include "web/url_ttl.h"

namespace zub {

namespace {

constexpr size_t kDurationWidth = 6;

std::string status_report(const std::string& dir) {
  uint64_t count = 0, total = 0;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string_view name = e->d_name;
      if (name == "." || name == "..") continue;
      struct stat st;
      if (fstatat(dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      ++count;
      total += static_cast<uint64_t>(st.st_size);
    }
    closedir(d);
  }
  char mb[64];
  std::snprintf(mb, sizeof mb, "%.1f", static_cast<double>(total) / 1048576.0);
  return std::to_string(count) + " 항목 / " + mb + "MB  " + dir + "\n" +
         "TTL: 상태0 · 변동15분 · blog1시간 · 문서1일 · 안정문서7일 · 버전고정30일\n"
         "옵션: --no-cache | --refresh | --ttl <초> | ZUB_CACHE_TTL | ZUB_CACHE_DEBUG=1\n";
}

std::string ttl_report(const std::vector<std::string>& urls, const FetchPolicy& policy) {
  std::string text;
  for (const auto& url : urls) {
    auto rec = CacheEntry(url, policy).record();
    bool from_server = rec && rec->lifetime != kNoLifetime;
    uint64_t lifetime = from_server ? rec->lifetime : url_ttl(url, policy.ttl);
    std::string d = ttl_duration_text(lifetime);
    size_t chars = char_count(d);
    if (chars < kDurationWidth) text.append(kDurationWidth - chars, ' ');
    text += d;
    text += from_server ? "  [서버]  " : "  [휴리스틱]  ";
    text += url;
    text += '\n';
  }
  return text;
}

}  // namespace

std::string ttl_duration_text(uint64_t s) {
  if (s == 0) return "안함";
  if (s < 3600) return std::to_string(s / 60) + "분";
  if (s < 86400) return std::to_string(s / 3600) + "시간";
  return std::to_string(s / 86400) + "일";
}

int cmd_cache(const CacheOptions& opts, Output& out) {
  // `cache` takes no switches of its own: only the environment's apply.
  const FetchPolicy policy = fetch_policy_from_env();
  if (opts.action == CacheAction::kTtl) {
    std::string text = ttl_report(opts.urls, policy);
    if (!text.empty()) out.write_out(text);
    return 0;
  }
  const std::optional<std::string>& dir = policy.cache_dir;
  if (!dir) return 0;
  if (opts.action == CacheAction::kClear) {
    remove_tree(*dir);
    out.write_out("캐시 삭제: " + *dir + "\n");
    return 0;
  }
  out.write_out(status_report(*dir));
  return 0;
}

}  // namespace zub
