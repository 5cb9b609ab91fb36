#include "web/curl_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <thread>

#include "base/control_text.h"
#include "base/file_io.h"
#include "base/number.h"
#include "base/os_error.h"
#include "base/process.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "web/curl_exit.h"
#include "web/hosts_file.h"
#include "web/wire_format.h"

namespace zub {

namespace {

constexpr std::string_view kMaxParallel = "8";
// Room for the trailer after a body of the largest allowed size: the status
// and the header JSON, which curl itself keeps far below this.
constexpr size_t kTrailerRoom = size_t{1} << 20;

// The arguments every request starts with, single or batch. "-q" only
// works as the very first argument: it keeps a user's curlrc from adding
// options (an "output" line there would swallow every page). "--globoff"
// keeps brackets and braces in a URL literal: as globs, "[1-100000000]"
// would be a storm of requests and "?filter[name]=x" an error.
std::vector<std::string> common_prefix(std::string_view timeout) {
  // No "-L": redirects are followed here, one hop at a time, so that each
  // target can be checked before it is asked.
  std::vector<std::string> argv = {"curl",
                                   "-q",
                                   "--globoff",
                                   "-s",
                                   "--compressed",
                                   "-m",
                                   std::string(timeout),
                                   "-A",
                                   std::string(kUserAgent)};
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
  return curl_exit_text(p.exited ? std::optional<int>(p.exit_code) : std::nullopt);
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
    // Reading one pipe must never wait while curl waits on another.
    if (::fcntl(bp.read_fd, F_SETFL, O_NONBLOCK) != 0) return false;
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
      // The pipe does not block: this takes what is there now.
      const FdFill got = fill_from_fd(bp.read_fd, buf.data(), buf.size());
      if (bp.body.size() + got.bytes > cap) {
        bp.over = true;
        std::string().swap(bp.body);
        close_fd(bp.read_fd);
        continue;
      }
      bp.body.append(buf.data(), got.bytes);
      if (got.ended || (got.err != 0 && got.err != EAGAIN)) close_fd(bp.read_fd);
    }
  }
}

}  // namespace

std::string too_big_text(uint64_t cap) {
  return "본문이 " + std::to_string(cap) + "바이트 상한(ZUB_FETCH_MAX)을 넘었다";
}

std::optional<std::vector<BatchReply>> curl_batch(const std::vector<std::string>& urls,
                                                  uint64_t cap) {
  const size_t n = urls.size();
  // Bodies travel through pipes, never through files: nothing is left on
  // disk whichever way zub ends, and the cap holds for each transfer.
  std::vector<BodyPipe> pipes(n);
  if (!open_body_pipes(pipes)) {
    for (auto& bp : pipes) {
      close_fd(bp.read_fd);
      close_fd(bp.write_fd);
    }
    return std::nullopt;
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
  std::vector<BatchReply> replies(n);
  for (size_t i = 0; i < n; ++i) {
    replies[i].transfer = std::move(report[i]);
    replies[i].body = std::move(pipes[i].body);
    replies[i].over = pipes[i].over;
  }
  return replies;
}

namespace {

// One hop of a single fetch: `url` with `timeout` seconds.
CurlReply curl_hop(std::string_view url, std::string_view timeout,
                   const RequestValidators* validators, uint64_t cap) {
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

  CurlReply reply;
  ProcessOptions opts;
  opts.max_out =
      static_cast<size_t>(std::min<uint64_t>(cap, SIZE_MAX - kTrailerRoom)) + kTrailerRoom;
  ProcessResult p = run_process(argv, opts);
  if (!p.started) {
    reply.failure = "curl: " + os_error_text(p.start_error);
  } else if (p.out_truncated) {
    reply.failure = too_big_text(cap);
  } else if (!p.exited || p.exit_code != 0) {
    reply.failure = exit_text(p);
  }
  if (!reply.failure.empty()) return reply;

  // Split before decoding, so that the cap counts the bytes curl delivered.
  CurlOutput out = split_curl_output(p.out);
  if (out.body.size() > cap) {
    reply.failure = too_big_text(cap);
    return reply;
  }
  std::string().swap(p.out);
  out.body = decode_lossy(out.body);
  out.header_json = decode_lossy(out.header_json);
  out.redirect_url = decode_lossy(out.redirect_url);
  reply.response = std::move(out);
  return reply;
}

// Seconds as curl's -m reads them, to the millisecond.
std::string seconds_text(double s) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3f", s);
  return buf;
}

// The kind of the host a hop reached: told by its name when a name tells
// it (so a proxy in between does not count), else by the address curl
// connected to; public when neither tells.
AddressKind reached_kind(std::string_view host, std::string_view remote_ip,
                         const PublicStandIns& stand_ins) {
  if (auto k = kind_before_request(host, stand_ins)) return *k;
  return ip_kind(remote_ip, stand_ins).value_or(AddressKind::kPublic);
}

std::string refused_text(AddressKind from, AddressKind to, std::string_view target) {
  return "리다이렉트 거부: " + std::string(address_kind_name(from)) + " 주소에서 " +
         std::string(address_kind_name(to)) + " 주소로: " + printable_url(target);
}

}  // namespace

CurlReply curl_single(std::string_view url, std::string_view timeout,
                      const RequestValidators* validators, uint64_t cap,
                      const PublicStandIns& stand_ins) {
  const auto start = std::chrono::steady_clock::now();
  const double limit = std::strtod(std::string(timeout).c_str(), nullptr);
  std::string current(url);
  std::optional<AddressKind> from;  // the kind of the host that redirected here
  for (size_t hop = 0;; ++hop) {
    std::string hop_timeout(timeout);
    if (hop > 0) {
      const double left =
          limit - std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      if (left <= 0) return CurlReply{curl_exit_text(kCurlTimedOut), {}};
      hop_timeout = seconds_text(left);
    }
    CurlReply reply = curl_hop(current, hop_timeout, validators, cap);
    if (!reply.failure.empty()) return reply;
    CurlOutput& res = reply.response;
    const AddressKind here = reached_kind(url_target(current).host, res.remote_ip, stand_ins);
    // A name that told nothing before the hop: its answer is not used.
    if (from && !redirect_allowed(*from, here))
      return CurlReply{refused_text(*from, here, current), {}};
    if (res.status < 300 || res.status > 399 || res.status == 304 || res.redirect_url.empty())
      return reply;
    const UrlTarget next = url_target(res.redirect_url);
    if (next.scheme != "http" && next.scheme != "https")
      return CurlReply{
          "리다이렉트 거부: http·https 가 아닌 주소: " + printable_url(res.redirect_url), {}};
    // Judged before the hop: a literal address in any spelling, localhost,
    // or a name the machine's hosts file gives an address.
    if (auto to = kind_before_request(next.host, stand_ins); to && !redirect_allowed(here, *to))
      return CurlReply{refused_text(here, *to, res.redirect_url), {}};
    if (hop == kMaxRedirects)
      return CurlReply{"리다이렉트가 " + std::to_string(kMaxRedirects) + "번을 넘었다", {}};
    from = here;
    current = std::move(res.redirect_url);
  }
}

CurlOutput split_curl_output(std::string_view text) {
  CurlOutput out;
  std::string_view head = text;
  size_t h = rfind_bytes(text, kHeaderMarker);
  if (h != std::string_view::npos) {
    out.header_json = std::string(text.substr(h + kHeaderMarker.size()));
    head = text.substr(0, h);
  }
  // "{remote_ip} {redirect_url}"; the address holds no space.
  const size_t hop = rfind_bytes(head, kHopMarker);
  if (hop != std::string_view::npos) {
    const std::string_view line = head.substr(hop + kHopMarker.size());
    const size_t space = line.find(' ');
    out.remote_ip = std::string(line.substr(0, space));
    if (space != std::string_view::npos)
      out.redirect_url = std::string(trim_ws(line.substr(space + 1)));
    head = head.substr(0, hop);
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

}  // namespace zub
