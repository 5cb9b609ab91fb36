#include "base/unified_diff.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace zub {

namespace {

constexpr size_t kContext = 3;
constexpr size_t kMaxMatchedPairs = 1000000;

// Lines with their line feeds, so that a last line without one differs
// from the same line with one.
std::vector<std::string_view> lines_of(std::string_view s) {
  std::vector<std::string_view> lines;
  size_t from = 0;
  while (from < s.size()) {
    size_t nl = s.find('\n', from);
    size_t end = nl == std::string_view::npos ? s.size() : nl + 1;
    lines.push_back(s.substr(from, end - from));
    from = end;
  }
  return lines;
}

enum class Op : char { kKeep = ' ', kDel = '-', kAdd = '+' };

struct Step {
  Op op;
  size_t a, b;  // line indexes in the old and the new text before this step
};

// The edit script of a[alo..ahi) against b[blo..bhi): a longest common
// subsequence when the region is small enough, else all out and all in.
void middle_script(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b,
                   size_t alo, size_t ahi, size_t blo, size_t bhi, std::vector<Step>& out) {
  const size_t n = ahi - alo, m = bhi - blo;
  if (n == 0 || m == 0 || n * m > kMaxMatchedPairs) {
    for (size_t i = alo; i < ahi; ++i) out.push_back({Op::kDel, i, blo});
    for (size_t j = blo; j < bhi; ++j) out.push_back({Op::kAdd, ahi, j});
    return;
  }
  // len[i][j]: longest common subsequence of a[alo+i..) and b[blo+j..).
  std::vector<uint32_t> len((n + 1) * (m + 1), 0);
  auto at = [&](size_t i, size_t j) -> uint32_t& { return len[i * (m + 1) + j]; };
  for (size_t i = n; i-- > 0;)
    for (size_t j = m; j-- > 0;)
      at(i, j) =
          a[alo + i] == b[blo + j] ? at(i + 1, j + 1) + 1 : std::max(at(i + 1, j), at(i, j + 1));
  size_t i = 0, j = 0;
  while (i < n || j < m) {
    if (i < n && j < m && a[alo + i] == b[blo + j]) {
      out.push_back({Op::kKeep, alo + i++, blo + j++});
    } else if (j == m || (i < n && at(i + 1, j) >= at(i, j + 1))) {
      out.push_back({Op::kDel, alo + i++, blo + j});
    } else {
      out.push_back({Op::kAdd, alo + i, blo + j++});
    }
  }
}

void append_line(std::string& out, char mark, std::string_view line) {
  out += mark;
  out += line;
  if (line.empty() || line.back() != '\n') out += "\n\\ No newline at end of file\n";
}

// "start,count" of a hunk side; diff writes the line before an empty side.
std::string range_text(size_t first, size_t count) {
  std::string s = std::to_string(count == 0 ? first : first + 1);
  if (count != 1) {
    s += ',';
    s += std::to_string(count);
  }
  return s;
}

}  // namespace

std::string unified_diff(std::string_view old_name, std::string_view new_name,
                         std::string_view a_text, std::string_view b_text) {
  if (a_text == b_text) return {};
  const std::vector<std::string_view> a = lines_of(a_text), b = lines_of(b_text);
  size_t pre = 0;
  while (pre < a.size() && pre < b.size() && a[pre] == b[pre]) ++pre;
  size_t post = 0;
  while (post < a.size() - pre && post < b.size() - pre &&
         a[a.size() - 1 - post] == b[b.size() - 1 - post])
    ++post;

  std::vector<Step> script;
  for (size_t k = 0; k < pre; ++k) script.push_back({Op::kKeep, k, k});
  middle_script(a, b, pre, a.size() - post, pre, b.size() - post, script);
  for (size_t k = post; k-- > 0;) script.push_back({Op::kKeep, a.size() - 1 - k, b.size() - 1 - k});

  std::string out = "--- ";
  out += old_name;
  out += "\n+++ ";
  out += new_name;
  out += '\n';
  size_t s = 0;
  while (s < script.size()) {
    while (s < script.size() && script[s].op == Op::kKeep) ++s;
    if (s == script.size()) break;
    // A hunk runs from kContext kept lines before the first change to
    // kContext after the last one, taking in changes less than two
    // contexts apart.
    const size_t start = s >= kContext ? s - kContext : 0;
    size_t end = s;
    while (true) {
      while (end < script.size() && script[end].op != Op::kKeep) ++end;
      size_t keep = end;
      while (keep < script.size() && script[keep].op == Op::kKeep) ++keep;
      if (keep < script.size() && keep - end <= 2 * kContext) {
        end = keep;
        continue;
      }
      end = std::min(end + kContext, script.size());
      break;
    }
    size_t a_count = 0, b_count = 0;
    for (size_t k = start; k < end; ++k) {
      if (script[k].op != Op::kAdd) ++a_count;
      if (script[k].op != Op::kDel) ++b_count;
    }
    out += "@@ -";
    out += range_text(script[start].a, a_count);
    out += " +";
    out += range_text(script[start].b, b_count);
    out += " @@\n";
    for (size_t k = start; k < end; ++k) {
      const Step& st = script[k];
      append_line(out, static_cast<char>(st.op), st.op == Op::kAdd ? b[st.b] : a[st.a]);
    }
    s = end;
  }
  return out;
}

}  // namespace zub
