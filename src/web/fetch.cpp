#include "web/fetch.h"

#include <algorithm>

#include "base/control_text.h"
#include "base/parallel_for.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "html/markdown.h"
#include "web/url_host.h"

namespace zub {

namespace {

constexpr size_t kMaxConvertThreads = 8;
constexpr std::string_view kCutMarker = "\n…[cut]";
// Pages fetched before they are converted and their bodies let go: enough
// for a curl batch to reuse its connections, few enough that memory does
// not depend on how many URLs one call names.
constexpr size_t kPagesAtOnce = 16;
// zub's section heading is "## {host}"; page headings under it start lower.
constexpr size_t kSectionLevel = 2;
constexpr size_t kMinFence = 3;

// The length of the line's fence when the line is only a run of backticks
// (zub's code fences, at least three long), else 0.
size_t fence_length(std::string_view line) {
  line = trim_ws_end(line);
  if (line.size() < kMinFence || line.find_first_not_of('`') != std::string_view::npos) return 0;
  return line.size();
}

// Calls fn(line, open) for each line (with its line feed) of markdown that
// zub's converter wrote, `open` the length of the code fence the line is
// inside (0 outside code; the fence lines themselves count as inside). A
// fence is closed only by a run at least as long as the one that opened it.
template <typename Fn>
size_t walk_fences(std::string_view text, Fn&& fn) {
  size_t open = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    end = end == std::string_view::npos ? text.size() : end + 1;
    const std::string_view line = text.substr(pos, end - pos);
    const size_t fence = fence_length(line);
    if (open == 0 && fence != 0) {
      open = fence;
      fn(line, open);
    } else if (open != 0 && fence >= open) {
      fn(line, open);
      open = 0;
    } else {
      fn(line, open);
    }
    pos = end;
  }
  return open;
}

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

void cut_section(FetchSection& s, uint64_t budget) {
  if (s.cut) return;
  s.cut = true;
  s.md_bytes = s.text.size();
  // A failure line is a report, not page content: the budget never hides it.
  if (s.failed || char_count(s.text) <= budget) return;
  s.text.resize(char_offset(s.text, static_cast<size_t>(budget)));
  // A cut inside a code block closes it, so that the cut marker and the
  // next page's heading are read as zub's and not as code.
  if (const size_t open = walk_fences(s.text, [](std::string_view, size_t) {}); open != 0) {
    if (!s.text.empty() && s.text.back() != '\n') s.text += '\n';
    s.text.append(open, '`');
  }
  s.text += kCutMarker;
  s.text.shrink_to_fit();
}

std::string deepen_headings(std::string_view text, size_t levels) {
  std::string out;
  out.reserve(text.size() + 64);
  walk_fences(text, [&](std::string_view line, size_t open) {
    if (open == 0 && starts_with(line, "#")) out.append(levels, '#');
    out += line;
  });
  return out;
}

std::string format_sections(const std::vector<FetchSection>& sections, uint64_t budget) {
  std::string out;
  uint64_t raw_total = 0;
  uint64_t md_total = 0;
  const bool headed = sections.size() >= 2;
  for (const FetchSection& section : sections) {
    const FetchSection* s = &section;
    FetchSection cut;
    if (!section.cut) {
      cut = section;
      cut_section(cut, budget);
      s = &cut;
    }
    raw_total += s->raw;
    md_total += s->md_bytes;
    std::string deepened;
    std::string_view text = s->text;
    if (headed) {
      out += "## ";
      out += url_host(printable_url(s->url));
      out += '\n';
      if (!s->failed) {
        deepened = deepen_headings(text, kSectionLevel);
        text = deepened;
      }
    }
    if (s->raw != 0 && is_blank(text)) {
      out += "[본문 없음: 링크 목록형 페이지(";
      out += std::to_string(s->raw / 1024);
      out += "KB). 개별 항목 URL 을 직접 fetch 하라]\n";
    }
    out += text;
    if (text.empty() || text.back() != '\n') out += '\n';
  }
  if (raw_total > 0) {
    // Text can outgrow its page (a plain-text page, a failure line longer
    // than the body): the growth is shown, where "-0%" would hide it.
    const uint64_t ratio = md_total * 100 / raw_total;
    const bool grew = md_total > raw_total;
    out += "[zub: " + format_size(raw_total) + "→" + format_size(md_total);
    out += grew ? " +" : " -";
    out += std::to_string(grew ? ratio - 100 : 100 - ratio) + "%]\n";
  }
  return out;
}

uint64_t run_fetch(const std::vector<std::string>& urls, uint64_t budget, const FetchPolicy& policy,
                   Output& out, const std::vector<std::string>& withheld) {
  uint64_t converted = 0;
  std::vector<FetchSection> sections;
  sections.reserve(urls.size());
  auto reason = [&](size_t i) -> const std::string* {
    return i < withheld.size() && !withheld[i].empty() ? &withheld[i] : nullptr;
  };
  for (size_t at = 0; at < urls.size(); at += kPagesAtOnce) {
    const size_t end = std::min(urls.size(), at + kPagesAtOnce);
    std::vector<std::string> part;
    for (size_t i = at; i < end; ++i)
      if (!reason(i)) part.push_back(urls[i]);
    std::vector<FetchSection> pages = convert_pages(part, fetch_all(part, policy, out));
    size_t next = 0;
    for (size_t i = at; i < end; ++i) {
      FetchSection s;
      if (const std::string* why = reason(i)) {
        s.url = urls[i];
        s.text = "[fetch 안 함: " + *why + "]\n";
        s.failed = true;
      } else {
        s = std::move(pages[next++]);
      }
      cut_section(s, budget);
      converted += s.md_bytes;
      sections.push_back(std::move(s));
    }
  }
  out.write_out(format_sections(sections, budget));
  return converted;
}

Outcome cmd_fetch(const FetchOptions& opts, Output& out) {
  return {0, run_fetch(opts.urls, opts.chars, opts.policy, out)};
}

}  // namespace zub
