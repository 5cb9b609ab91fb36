// Test scaffolding for the fetch cache: a private HOME, the cache switches
// cleared, proxies bypassed for loopback, everything restored afterwards.
// The policy is read from the environment at each use, the way the front
// end reads it once per command, so a test can change a switch between calls.
#pragma once

#include <sys/stat.h>
#include <sys/time.h>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "base/output.h"
#include "support/run_zub.h"
#include "web/fetch_cache.h"
#include "web/fetch_policy.h"
#include "web/wire_format.h"

namespace zub_test {

class ScopedEnv {
 public:
  ScopedEnv() = default;
  ~ScopedEnv() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second) {
        setenv(it->first.c_str(), it->second->c_str(), 1);
      } else {
        unsetenv(it->first.c_str());
      }
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

  void set(const std::string& name, const std::string& value) {
    save(name);
    setenv(name.c_str(), value.c_str(), 1);
  }
  void unset(const std::string& name) {
    save(name);
    unsetenv(name.c_str());
  }

 private:
  void save(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// HOME points into a fresh temp dir; every cache switch starts unset.
struct CacheSandbox {
  TempDir tmp;
  ScopedEnv env;
  std::string home;
  zub::Output out;  // captures the debug notes of fetches

  CacheSandbox() {
    home = tmp.mkdir("home");
    out.capture = true;
    env.set("HOME", home);
    for (const char* v :
         {"ZUB_NO_CACHE", "ZUB_REFRESH", "ZUB_CACHE_TTL", "ZUB_STALE", "ZUB_CACHE_DEBUG",
          "http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"})
      env.unset(v);
    env.set("no_proxy", "*");
    env.set("NO_PROXY", "*");
  }

  std::string cache_dir() const { return home + "/" + std::string(zub::kCacheSubdir); }

  std::string body_file(const std::string& url) const {
    return cache_dir() + "/" + zub::cache_file_name(url);
  }
  std::string record_file(const std::string& url) const {
    return body_file(url) + std::string(zub::kRecordSuffix);
  }

  static zub::FetchPolicy policy() { return zub::fetch_policy_from_env(); }
  std::optional<zub::CacheRecord> record(const std::string& url) const {
    return zub::CacheEntry(url, policy()).record();
  }

  std::optional<std::string> read(const std::string& path) const {
    zub::ReadResult r = zub::read_file(path);
    if (!r.ok) return std::nullopt;
    return r.data;
  }

  // Moves the body file's modification time `seconds` into the past.
  void age_body(const std::string& url, long seconds) const {
    struct timeval tv[2];
    gettimeofday(&tv[0], nullptr);
    tv[0].tv_sec -= seconds;
    tv[1] = tv[0];
    utimes(body_file(url).c_str(), tv);
  }
};

}  // namespace zub_test
