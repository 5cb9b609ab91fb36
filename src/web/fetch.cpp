#include "web/fetch.h"

#include <algorithm>

#include "base/control_text.h"
#include "base/parallel_for.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "html/markdown.h"
#include "web/url_host.h"

namespace zub {

namespace {

constexpr size_t kMaxConvertThreads = 8;
constexpr std::string_view kCutMarker = "\n…[cut]";

FetchSection make_section(const std::string& url, const FetchResult& r) {
  FetchSection s;
  s.url = url;
  if (r.ok) {
    s.text = html_to_markdown(r.body);
    s.raw = r.body.size();
  } else {
    s.text = "[fetch 실패: " + r.error + "]\n";
    s.failed = true;
  }
  return s;
}

}  // namespace

std::vector<FetchSection> convert_pages(const std::vector<std::string>& urls,
                                        const std::vector<FetchResult>& results) {
  const size_t n = std::min(urls.size(), results.size());
  std::vector<FetchSection> sections(n);
  parallel_for(n, kMaxConvertThreads,
               [&](size_t i) { sections[i] = make_section(urls[i], results[i]); });
  return sections;
}

std::string format_size(uint64_t bytes) {
  if (bytes <= 1023) return std::to_string(bytes) + "B";
  return std::to_string(bytes / 1024) + "KB";
}

std::string format_sections(const std::vector<FetchSection>& sections, uint64_t budget) {
  std::string out;
  uint64_t raw_total = 0;
  uint64_t md_total = 0;
  for (const FetchSection& s : sections) {
    raw_total += s.raw;
    md_total += s.text.size();
    std::string_view text = s.text;
    std::string cut;
    // A failure line is a report, not page content: the budget never hides it.
    if (!s.failed && char_count(text) > budget) {
      cut.assign(text.substr(0, char_offset(text, static_cast<size_t>(budget))));
      cut += kCutMarker;
      text = cut;
    }
    if (sections.size() >= 2) {
      out += "## ";
      out += url_host(printable_url(s.url));
      out += '\n';
    }
    if (s.raw != 0 && is_blank(text)) {
      out += "[본문 없음: 링크 목록형 페이지(";
      out += std::to_string(s.raw / 1024);
      out += "KB). 개별 항목 URL 을 직접 fetch 하라]\n";
    }
    out += text;
    if (text.empty() || text.back() != '\n') out += '\n';
  }
  if (raw_total > 0) {
    const uint64_t ratio = md_total * 100 / raw_total;
    const uint64_t pct = ratio > 100 ? 0 : 100 - ratio;
    out += "[zub: " + format_size(raw_total) + "→" + format_size(md_total) + " -" +
           std::to_string(pct) + "%]\n";
  }
  return out;
}

uint64_t run_fetch(const std::vector<std::string>& urls, uint64_t budget, const FetchPolicy& policy,
                   Output& out) {
  const std::vector<FetchResult> results = fetch_all(urls, policy, out);
  const std::vector<FetchSection> sections = convert_pages(urls, results);
  uint64_t converted = 0;
  for (const FetchSection& s : sections) converted += s.text.size();
  out.write_out(format_sections(sections, budget));
  return converted;
}

Outcome cmd_fetch(const FetchOptions& opts, Output& out) {
  return {0, run_fetch(opts.urls, opts.chars, opts.policy, out)};
}

}  // namespace zub
