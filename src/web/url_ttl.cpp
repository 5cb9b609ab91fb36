#include "web/url_ttl.h"

#include <array>
#include <string>

#include "base/ascii.h"
#include "base/text.h"
#include "web/url_host.h"

namespace zub {

namespace {

// Official references that change rarely: language and standard-library
// references, manual pages, database and web-server manuals, web and
// language standards, compiler projects. Matched as substrings of the host.
// clang-format off
constexpr std::array<std::string_view, 19> kStableDocsHosts = {
    "docs.python.org",   "cppreference.com", "doc.rust-lang.org", "pkg.go.dev",
    "docs.oracle.com",   "developer.mozilla.org", "man7.org",     "manpages.debian.org",
    "postgresql.org",    "dev.mysql.com",    "sqlite.org",        "nginx.org",
    "httpd.apache.org",  "w3.org",           "whatwg.org",        "tc39.es",
    "open-std.org",      "gcc.gnu.org",      "llvm.org",
};
// clang-format on

constexpr std::string_view kPreprintHost = "arxiv.org";
constexpr std::string_view kRfcEditorHost = "rfc-editor.org";
constexpr std::string_view kStandardsBodyHost = "ietf.org";
constexpr std::array<std::string_view, 2> kCommunityHosts = {"ycombinator.com", "reddit.com"};
constexpr std::string_view kEncyclopediaHost = "wikipedia.org";
constexpr std::string_view kCodeHost = "github.com";
constexpr std::string_view kCodeRawHost = "githubusercontent.com";

bool all_of(std::string_view s, bool (*pred)(char)) {
  for (char c : s)
    if (!pred(c)) return false;
  return true;
}

// A full commit hash, or a version number such as 3.12 or v1.2.3.
bool is_pinned_segment(std::string_view seg) {
  if (seg.size() == 40 && all_of(seg, is_hex_digit)) return true;
  if (!seg.empty() && seg[0] == 'v') seg.remove_prefix(1);
  if (seg.empty() || seg.find('.') == std::string_view::npos) return false;
  for (char c : seg)
    if (!is_digit(c) && c != '.') return false;
  return true;
}

bool is_year(std::string_view seg) {
  return seg.size() == 4 && all_of(seg, is_digit) && seg.substr(0, 2) == "20";
}

bool is_two_digits(std::string_view seg) { return seg.size() == 2 && all_of(seg, is_digit); }

bool has_pinned_or_dated_segment(std::string_view path, bool dated) {
  std::string_view prev;
  bool first = true;
  size_t pos = 0;
  while (true) {
    size_t slash = path.find('/', pos);
    std::string_view seg =
        path.substr(pos, slash == std::string_view::npos ? std::string_view::npos : slash - pos);
    if (dated) {
      if (!first && is_year(prev) && is_two_digits(seg)) return true;
    } else if (is_pinned_segment(seg)) {
      return true;
    }
    prev = seg;
    first = false;
    if (slash == std::string_view::npos) return false;
    pos = slash + 1;
  }
}

bool contains_any(std::string_view s, std::initializer_list<std::string_view> needles) {
  for (auto n : needles)
    if (contains(s, n)) return true;
  return false;
}

}  // namespace

uint64_t url_class_ttl(std::string_view url) {
  const std::string u = ascii_lower(url);
  const std::string host = url_host(u);
  std::string_view piece = url_after_scheme(u);
  std::string_view path = "/";
  if (u.find("://") != std::string::npos) {
    size_t slash = piece.find('/');
    if (slash != std::string_view::npos) path = piece.substr(slash);
  }

  if (starts_with(host, "status.") || host == "localhost" || starts_with(host, "127.0.0.1"))
    return kTtlNone;
  if (contains_any(path, {"/health", "/ping"}) || ends_with(path, "/status")) return kTtlNone;
  if (contains_any(path, {"pricing", "/price", "usage", "/limits", "rate_limit", "quota"}))
    return kTtlVolatile;
  if (contains(host, kPreprintHost) || contains(host, kRfcEditorHost)) return kTtlPinned;
  if ((contains(host, kStandardsBodyHost) && contains(path, "/rfc")) || contains(path, "/pep-"))
    return kTtlPinned;
  if (has_pinned_or_dated_segment(path, false)) return kTtlPinned;
  if (has_pinned_or_dated_segment(path, true)) return kTtlPinned;
  if (contains(path, "/blog") || starts_with(host, "blog.")) return kTtlNews;
  if (contains_any(path, {"changelog", "/releases", "/news", "/models"}) ||
      starts_with(host, "news."))
    return kTtlNews;
  for (auto h : kCommunityHosts)
    if (contains(host, h)) return kTtlNews;
  for (auto h : kStableDocsHosts)
    if (contains(host, h)) return kTtlStableDocs;
  if (contains(host, kEncyclopediaHost) || contains(host, kCodeHost) ||
      contains(host, kCodeRawHost) ||
      contains_any(path, {"/docs", "/guide", "/manual", "/reference", "/api/"}))
    return kTtlDocs;
  return kTtlVolatile;
}

uint64_t url_ttl(std::string_view url, std::optional<uint64_t> configured) {
  if (configured) return *configured;
  return url_class_ttl(url);
}

}  // namespace zub
