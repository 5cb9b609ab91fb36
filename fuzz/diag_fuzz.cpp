// diag never crashes, says what its text is (summary, refusal, the input
// given back) without contradicting it, always ends in a line feed, is never longer than the
// escape-free input unless it refuses, and its counts agree: the header's
// sum is the listed counts when all rules are listed, and unrecognised plus
// recognised lines never exceed the input's lines. The unrecognised lines'
// header always has a line under it. Shown relative to a directory, the
// summary is never longer.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/text.h"
#include "compress/diag.h"
#include "compress/escapes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  const zub::DiagSummary summary = zub::diag_summary(in);
  const std::string& out = summary.text;
  if (out.empty() || out.back() != '\n') std::abort();
  // The value says what the text is: a refusal never hides an error or a
  // failing test, and a summary ends with its closing line.
  using Kind = zub::DiagSummary::Kind;
  const bool refused = summary.kind == Kind::kRefused || summary.kind == Kind::kRefusedWhole;
  if (refused && summary.errors + summary.failures != 0) std::abort();
  if (summary.kind == Kind::kRefused && out.rfind("[zub diag: only ", 0) != 0) std::abort();
  if (summary.kind == Kind::kSummary && out.find("[zub diag = ") == std::string::npos) std::abort();
  if (zub::diag(in) != out) std::abort();
  // Paths made relative to a working directory only ever shorten it.
  const std::string here = zub::diag(in, "/w");
  if (here.size() > out.size() || here.back() != '\n') std::abort();
  std::string storage;
  const auto copied = zub::split_lines(zub::strip_escapes(in, storage));
  const unsigned long lines = copied.size();
  // diag reads lines without building the escape-free text; both ways agree.
  size_t k = 0;
  std::string_view line;
  for (zub::CleanLines r = zub::clean_lines(in); zub::next_clean_line(r, line); ++k)
    if (k >= copied.size() || line != copied[k]) std::abort();
  if (k != copied.size()) std::abort();
  std::string clean;
  for (std::string_view l : copied) clean.append(l).push_back('\n');
  // Given back whole when no summary would be shorter.
  if (out == clean) return 0;
  if (summary.kind != Kind::kRefused && out.size() >= clean.size()) std::abort();
  unsigned long recognized = 0, total = 0;
  if (std::sscanf(out.c_str(), "[zub diag: only %lu/%lu lines", &recognized, &total) == 2) {
    // Refused with three or more known lines only when they give nothing
    // to list (banners, carets): never more known lines than lines.
    if (total != lines || recognized > total || out.find('\n') != out.size() - 1) std::abort();
    return 0;
  }
  unsigned long sum = 0, distinct = 0;
  if (std::sscanf(out.c_str(), "== %lu diagnostics / %lu distinct rules ==", &sum, &distinct) ==
      2) {
    unsigned long listed_sum = 0, listed = 0;
    size_t pos = out.find('\n') + 1;
    while (pos < out.size()) {
      unsigned long count = 0;
      char x = 0;
      const size_t eol = out.find('\n', pos);
      if (out.compare(pos, 2, "==") == 0 || out.compare(pos, 1, "[") == 0) break;
      if (out.compare(pos, 6, "      ") != 0 &&
          std::sscanf(out.c_str() + pos, "%lu%c", &count, &x) == 2 && x == 'x') {
        listed_sum += count;
        ++listed;
      }
      pos = eol + 1;
    }
    if (listed != (distinct < 25 ? distinct : 25)) std::abort();
    if (distinct <= 25 && listed_sum != sum) std::abort();
    if (sum > lines) std::abort();
  }
  // Section headers are the only output lines that start with "== ";
  // examples and listed lines are indented.
  size_t pos = 0;
  while (pos < out.size()) {
    const size_t eol = out.find('\n', pos);
    const std::string row = out.substr(pos, eol - pos);
    unsigned long n = 0;
    char tail[64] = {0};
    if (row.rfind("== ", 0) == 0 &&
        std::sscanf(row.c_str(), "== %lu unrecognized lines (first 2%63[^\n]", &n, tail) == 2) {
      if (std::string(tail) != "5) ==" || n == 0 || n > lines) std::abort();
      // No header stands with nothing under it.
      if (out.compare(eol + 1, 2, "  ") != 0) std::abort();
    }
    pos = eol + 1;
  }
  if (out.find("[zub diag = ") == std::string::npos) std::abort();
  return 0;
}
