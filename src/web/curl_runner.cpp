#include "web/curl_runner.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "base/env.h"
#include "base/file_io.h"
#include "base/number.h"
#include "base/output.h"
#include "base/os_error.h"
#include "base/process.h"
#include "base/text.h"
#include "base/unix_time.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "web/cache_env.h"
#include "web/fetch_cache.h"
#include "web/header_json.h"
#include "web/url_host.h"

namespace zub {

namespace {

constexpr std::string_view kUserAgent =
    "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/133.0.0.0 Safari/537.36";
constexpr std::string_view kRequestHeaders[] = {
    "Accept: text/html,application/xhtml+xml,*/*;q=0.8",
    "Accept-Language: en-US,en;q=0.9,ko;q=0.8",
    "Sec-Fetch-Dest: document",
    "Sec-Fetch-Mode: navigate",
    "Sec-Fetch-Site: none",
};
constexpr std::string_view kSingleTrailer = "\n<<<ZUBHTTP:%{http_code}\n<<<ZUBHDR:%{header_json}";
// Header JSON spans lines that start with "{", "\"" or "}", so marker lines
// cannot occur inside it.
constexpr std::string_view kBatchTrailer =
    "<<<ZUBB:%{urlnum} %{exitcode} %{http_code}\n%{header_json}\n<<<ZUBE\n";
constexpr std::string_view kBatchBegin = "<<<ZUBB:";
constexpr std::string_view kBatchEnd = "<<<ZUBE";
constexpr std::string_view kStatusMarker = "<<<ZUBHTTP:";
constexpr std::string_view kHeaderMarker = "\n<<<ZUBHDR:";
constexpr size_t kMaxWorkers = 8;
constexpr std::string_view kMaxParallel = "8";
constexpr size_t kMaxBatchUrls = 64;
// Room for the trailer after a body of the largest allowed size: the status
// and the header JSON, which curl itself keeps far below this.
constexpr size_t kTrailerRoom = size_t{1} << 20;

FetchResult ok_result(std::string body) {
  FetchResult r;
  r.ok = true;
  r.body = std::move(body);
  return r;
}

FetchResult error_result(std::string error) {
  FetchResult r;
  r.error = std::move(error);
  return r;
}

// The arguments every request starts with, single or batch. "-q" only
// works as the very first argument: it keeps a user's curlrc from adding
// options (an "output" line there would swallow every page). "--globoff"
// keeps brackets and braces in a URL literal: as globs, "[1-100000000]"
// would be a storm of requests and "?filter[name]=x" an error.
std::vector<std::string> common_prefix(std::string_view timeout) {
  std::vector<std::string> argv = {"curl", "-q", "--globoff", "-sL", "--compressed",
                                   "-m", std::string(timeout), "-A", std::string(kUserAgent)};
  for (auto h : kRequestHeaders) {
    argv.emplace_back("-H");
    argv.emplace_back(h);
  }
  return argv;
}

// The URL goes last, unchanged; one that starts with "-" is introduced by
// "--url" so that curl can never read it as an option (such as "-K file",
// which would let a URL choose output files).
void append_url(std::vector<std::string>& argv, const std::string& url) {
  if (!url.empty() && url[0] == '-') argv.emplace_back("--url");
  argv.push_back(url);
}

std::string exit_text(const ProcessResult& p) {
  if (p.exited) return "curl exit Some(" + std::to_string(p.exit_code) + ")";
  return "curl exit None";
}

// A 304: serve the stored body (read when the request was made
// conditional) and restart its age clock.
FetchResult revalidated(std::string_view url, const CurlOutput& out,
                        std::optional<std::string> stored) {
  auto path = cache_body_path(url);
  if (!stored || !path) return error_result("HTTP " + std::to_string(out.status));

  if (auto rec = read_meta(url)) {
    rec->fetch_time = unix_now();
    if (!out.header_json.empty()) {
      Freshness f = freshness_from_headers(out.header_json);
      if (f.may_store) rec->lifetime = f.lifetime;
    }
    write_meta(url, *rec);
  }
  // The age clock is the body file's modification time; setting it to now
  // is the same as rewriting the unchanged bytes, without a window in which
  // a concurrent store could be overwritten by the older text.
  ::utimensat(AT_FDCWD, path->c_str(), nullptr, AT_SYMLINK_NOFOLLOW);
  if (cache_debug()) write_all_or_exit(2, "[304 revalidated, 본문 전송 0] " + std::string(url) + "\n");
  return ok_result(std::move(*stored));
}

FetchResult too_big_result() {
  return error_result("본문이 " + std::to_string(fetch_max_bytes()) + "바이트 상한(ZUB_FETCH_MAX)을 넘었다");
}

// One pipe per batch transfer: curl writes the body into the write end
// (named to it as /dev/fd/N), we read the other end.
struct BodyPipe {
  int read_fd = -1;
  int write_fd = -1;
  std::string body;
  bool over = false;  // the body passed the cap; reading stopped there
};

void close_fd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// A descriptor at 3 or above, so that the child's standard streams, set up
// on 0 to 2, cannot cover it (zub may have been started with one closed).
bool lift_fd(int& fd) {
  if (fd > 2) return true;
  int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
  ::close(fd);
  fd = moved;
  return fd >= 0;
}

bool open_body_pipes(std::vector<BodyPipe>& pipes) {
  for (auto& bp : pipes) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    bp.read_fd = fds[0];
    bp.write_fd = fds[1];
    if (!lift_fd(bp.read_fd) || !lift_fd(bp.write_fd)) return false;
    ::fcntl(bp.read_fd, F_SETFL, O_NONBLOCK);
  }
  return true;
}

// Reads every pipe until all have ended. A body that passes `cap` is cut
// off by closing its pipe: curl's next write to it fails, which ends that
// transfer alone, so neither memory nor disk ever holds more than the cap.
void read_body_pipes(std::vector<BodyPipe>& pipes, uint64_t cap) {
  std::vector<char> buf(65536);
  for (;;) {
    std::vector<pollfd> fds;
    std::vector<size_t> which;
    for (size_t i = 0; i < pipes.size(); ++i) {
      if (pipes[i].read_fd < 0) continue;
      fds.push_back({pipes[i].read_fd, POLLIN, 0});
      which.push_back(i);
    }
    if (fds.empty()) return;
    if (::poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      for (auto& bp : pipes) close_fd(bp.read_fd);
      return;
    }
    for (size_t k = 0; k < fds.size(); ++k) {
      if (!(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      BodyPipe& bp = pipes[which[k]];
      ssize_t n = ::read(bp.read_fd, buf.data(), buf.size());
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (n <= 0) {
        close_fd(bp.read_fd);
      } else if (bp.body.size() + static_cast<size_t>(n) > cap) {
        bp.over = true;
        std::string().swap(bp.body);
        close_fd(bp.read_fd);
      } else {
        bp.body.append(buf.data(), static_cast<size_t>(n));
      }
    }
  }
}

std::vector<FetchResult> fetch_sequential(const std::vector<std::string>& urls) {
  std::vector<FetchResult> out;
  out.reserve(urls.size());
  for (const auto& u : urls) out.push_back(fetch_one(u, kFetchAllTimeout));
  return out;
}

std::vector<FetchResult> fetch_threaded(const std::vector<std::string>& urls);

std::vector<FetchResult> fetch_batch(const std::vector<std::string>& urls) {
  // Two descriptors per URL stay open for the whole run; a long list goes
  // in several runs so that it never runs out of them.
  if (urls.size() > kMaxBatchUrls) {
    std::vector<FetchResult> results;
    results.reserve(urls.size());
    for (size_t at = 0; at < urls.size(); at += kMaxBatchUrls) {
      const size_t end = std::min(urls.size(), at + kMaxBatchUrls);
      std::vector<FetchResult> part =
          fetch_batch(std::vector<std::string>(urls.begin() + static_cast<std::ptrdiff_t>(at),
                                               urls.begin() + static_cast<std::ptrdiff_t>(end)));
      for (auto& r : part) results.push_back(std::move(r));
    }
    return results;
  }
  const size_t n = urls.size();
  // Bodies travel through pipes, never through files: nothing is left on
  // disk whichever way zub ends, and the cap holds for each transfer.
  std::vector<BodyPipe> pipes(n);
  if (!open_body_pipes(pipes)) {
    for (auto& bp : pipes) {
      close_fd(bp.read_fd);
      close_fd(bp.write_fd);
    }
    return fetch_sequential(urls);
  }

  std::vector<std::string> argv = common_prefix(kFetchAllTimeout);
  for (auto a : {"--parallel", "--parallel-max"}) argv.emplace_back(a);
  argv.emplace_back(kMaxParallel);
  argv.emplace_back("-w");
  argv.emplace_back(kBatchTrailer);
  ProcessOptions opts;
  for (size_t i = 0; i < n; ++i) {
    argv.emplace_back("-o");
    argv.push_back("/dev/fd/" + std::to_string(pipes[i].write_fd));
    append_url(argv, urls[i]);
    opts.pass_fds.push_back(pipes[i].write_fd);
  }

  const uint64_t cap = fetch_max_bytes();
  ProcessResult p;
  {
    // Our copies of the write ends keep every pipe open until curl is done;
    // closing them then lets the reader see each pipe end.
    std::thread reader([&] { read_body_pipes(pipes, cap); });
    p = run_process(argv, opts);
    for (auto& bp : pipes) close_fd(bp.write_fd);
    reader.join();
  }
  std::vector<BatchTransfer> report(n);
  if (p.started) report = parse_batch_writeout(decode_lossy(p.out), n);
  // A transfer can fail after its 2xx status line, leaving a body cut
  // short (a dropped connection, a timeout mid-body). Only such transfers
  // are fetched again, one by one, which checks each on its own.
  std::vector<size_t> again;

  std::vector<FetchResult> results;
  results.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    const BatchTransfer& t = report[i];
    const bool success = t.status >= 200 && t.status <= 299;
    if (pipes[i].over) {
      results.push_back(too_big_result());
    } else if (success && t.exit_code != 0) {
      again.push_back(i);
      results.emplace_back();
    } else if (success) {
      std::string body = decode_lossy(pipes[i].body);
      std::string().swap(pipes[i].body);
      if (t.header_json.empty()) {
        cache_store(urls[i], body, std::nullopt);
      } else {
        cache_store(urls[i], body, std::string_view(t.header_json));
      }
      results.push_back(ok_result(std::move(body)));
    } else if (t.status == 0) {
      results.push_back(error_result("연결 실패"));
    } else {
      results.push_back(error_result("HTTP " + std::to_string(t.status)));
    }
  }
  if (!again.empty()) {
    std::vector<std::string> retry;
    for (size_t i : again) retry.push_back(urls[i]);
    std::vector<FetchResult> fetched = fetch_threaded(retry);
    for (size_t k = 0; k < again.size(); ++k) results[again[k]] = std::move(fetched[k]);
  }
  return results;
}

std::vector<FetchResult> fetch_threaded(const std::vector<std::string>& urls) {
  const size_t n = urls.size();
  std::vector<FetchResult> results(n);
  std::mutex mu;
  std::atomic<size_t> next{0};
  {
    std::vector<std::jthread> workers;
    for (size_t t = 0; t < std::min(n, kMaxWorkers); ++t) {
      workers.emplace_back([&] {
        for (size_t i = next.fetch_add(1); i < n; i = next.fetch_add(1)) {
          FetchResult r = fetch_one(urls[i], kFetchAllTimeout);
          std::lock_guard<std::mutex> lock(mu);
          results[i] = std::move(r);
        }
      });
    }
  }
  return results;
}

}  // namespace

CurlOutput split_curl_output(std::string_view text) {
  CurlOutput out;
  std::string_view head = text;
  size_t h = rfind_bytes(text, kHeaderMarker);
  if (h != std::string_view::npos) {
    out.header_json = std::string(text.substr(h + kHeaderMarker.size()));
    head = text.substr(0, h);
  }
  size_t s = rfind_bytes(head, kStatusMarker);
  if (s == std::string_view::npos) {
    out.body = std::string(head);
    out.status = 200;
    return out;
  }
  out.body = std::string(trim_ws_end(head.substr(0, s)));
  out.status = parse_u16(trim_ws(head.substr(s + kStatusMarker.size()))).value_or(0);
  return out;
}

std::vector<BatchTransfer> parse_batch_writeout(std::string_view text, size_t n) {
  std::vector<BatchTransfer> out(n);
  std::optional<size_t> open;  // the index whose header lines are being read
  std::string json;
  BatchTransfer cur;
  for_each_line(text, [&](std::string_view line) {
    if (starts_with(line, kBatchBegin)) {
      open.reset();
      std::string_view tok[3];
      size_t count = 0, pos = kBatchBegin.size();
      while (count < 3) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        if (pos >= line.size()) break;
        size_t end = pos;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
        tok[count++] = line.substr(pos, end - pos);
        pos = end;
      }
      if (count < 3) return;
      auto index = parse_u64(tok[0]);
      auto code = parse_u32(tok[1]);
      auto status = parse_u16(tok[2]);
      if (!index || !code || !status || *index >= n) return;
      cur = BatchTransfer();
      cur.reported = true;
      cur.exit_code = static_cast<int>(*code);
      cur.status = *status;
      json.clear();
      open = static_cast<size_t>(*index);
      return;
    }
    if (!open) return;
    if (line == kBatchEnd) {
      cur.header_json = json == "{}" ? std::string() : json;
      out[*open] = std::move(cur);
      open.reset();
      return;
    }
    if (!json.empty()) json += '\n';
    json.append(line);
  });
  return out;
}

bool prefers_batch(const std::vector<std::string>& urls) {
  std::vector<std::string> hosts;
  hosts.reserve(urls.size());
  for (const auto& u : urls) hosts.push_back(url_host(u));
  std::sort(hosts.begin(), hosts.end());
  size_t k = static_cast<size_t>(std::unique(hosts.begin(), hosts.end()) - hosts.begin());
  return urls.size() >= 2 * k;
}

FetchResult fetch_one(std::string_view url, std::string_view timeout) {
  if (auto hit = cache_lookup(url)) return ok_result(std::move(*hit));

  // Validators only vouch for a stored body that is there, readable and the
  // one the record was written with.
  std::optional<CacheRecord> validators;
  std::optional<std::string> stored;
  if (!cache_disabled() && !cache_refresh()) {
    auto rec = read_meta(url);
    if (rec && (!rec->etag.empty() || !rec->last_modified.empty())) {
      stored = cache_stored_body(url);
      if (stored) validators = std::move(rec);
    }
  }

  std::vector<std::string> argv = common_prefix(timeout);
  if (validators) {
    if (!validators->etag.empty()) {
      argv.emplace_back("-H");
      argv.push_back("If-None-Match: " + validators->etag);
    }
    if (!validators->last_modified.empty()) {
      argv.emplace_back("-H");
      argv.push_back("If-Modified-Since: " + validators->last_modified);
    }
  }
  argv.emplace_back("-w");
  argv.emplace_back(kSingleTrailer);
  append_url(argv, std::string(url));

  const uint64_t cap = fetch_max_bytes();
  ProcessOptions opts;
  opts.max_out = static_cast<size_t>(std::min<uint64_t>(cap, SIZE_MAX - kTrailerRoom)) + kTrailerRoom;
  ProcessResult p = run_process(argv, opts);
  if (!p.started) return error_result("curl: " + os_error_text(p.start_error));
  if (p.out_truncated) return too_big_result();
  if (!p.exited || p.exit_code != 0) return error_result(exit_text(p));

  // Split before decoding, so that the cap counts the bytes curl delivered.
  CurlOutput out = split_curl_output(p.out);
  if (out.body.size() > cap) return too_big_result();
  std::string().swap(p.out);
  out.body = decode_lossy(out.body);
  out.header_json = decode_lossy(out.header_json);
  if (out.status == 304) return revalidated(url, out, std::move(stored));
  if (out.status >= 200 && out.status <= 299) {
    if (out.header_json.empty()) {
      cache_store(url, out.body, std::nullopt);
    } else {
      cache_store(url, out.body, std::string_view(out.header_json));
    }
    return ok_result(std::move(out.body));
  }
  return error_result("HTTP " + std::to_string(out.status));
}

std::vector<FetchResult> fetch_all(const std::vector<std::string>& urls) {
  if (urls.empty()) return {};
  if (urls.size() == 1) return {fetch_one(urls[0], kFetchAllTimeout)};

  std::vector<std::optional<std::string>> cached(urls.size());
  std::vector<std::string> missing;
  for (size_t i = 0; i < urls.size(); ++i) {
    cached[i] = cache_lookup(urls[i]);
    if (!cached[i]) missing.push_back(urls[i]);
  }
  if (missing.size() < urls.size()) {
    std::vector<FetchResult> fetched;
    if (!missing.empty()) fetched = fetch_all(missing);
    std::vector<FetchResult> results;
    results.reserve(urls.size());
    size_t next = 0;
    for (auto& c : cached) {
      if (c) {
        results.push_back(ok_result(std::move(*c)));
      } else {
        results.push_back(std::move(fetched[next++]));
      }
    }
    return results;
  }
  return prefers_batch(urls) ? fetch_batch(urls) : fetch_threaded(urls);
}

}  // namespace zub
