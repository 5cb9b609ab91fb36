#include "compress/diag.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/escapes.h"

namespace zub {

namespace {

constexpr size_t kExamplesKept = 3;
constexpr size_t kExamplesShown = 2;
constexpr size_t kRulesShown = 25;
constexpr size_t kFailuresKept = 30;
constexpr size_t kUnrecognizedShown = 25;

struct RuleRecord {
  uint64_t count = 0;
  std::vector<std::string> examples;
};

struct DiagState {
  std::unordered_map<std::string, RuleRecord> rules;
  std::vector<std::string> failures;
  uint64_t total = 0;
  uint64_t recognized = 0;
  uint64_t passed = 0;
  std::string current_file;  // prefix for examples of table-style lines
  bool after_gutter = false;
};

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }
bool is_alnum(char c) { return is_digit(c) || is_upper(c) || (c >= 'a' && c <= 'z'); }

void record_rule(DiagState& st, std::string key, std::string_view example) {
  RuleRecord& r = st.rules[std::move(key)];
  ++r.count;
  if (r.examples.size() < kExamplesKept) r.examples.emplace_back(example);
}

// "12 | let x" and "| x" are source gutter lines: nothing but a line number
// stands before the first bar.
bool is_gutter(std::string_view t) {
  if (starts_with(t, "|")) return true;
  const size_t bar = t.find('|');
  if (bar == std::string_view::npos) return false;
  const std::string_view before = trim_ws(t.substr(0, bar));
  size_t i = 0;
  while (i < before.size()) {
    if (is_digit(before[i])) {
      ++i;
    } else if (size_t w = white_space_len_at(before, i)) {
      i += w;
    } else {
      return false;
    }
  }
  return true;
}

// A rule code such as F401 or E501 opening a line of code-first output.
bool is_rule_code(std::string_view w) {
  if (w.size() < 3 || w.size() > 8 || !is_upper(w[0])) return false;
  bool digit = false;
  for (size_t i = 0; i < w.size(); ++i) {
    if (!is_alnum(w[i])) return false;
    if (i > 0 && is_digit(w[i])) digit = true;
  }
  return digit;
}

// A bare path on its own line, naming the file the following lines are about.
bool is_file_line(std::string_view t) {
  if (t.find('/') == std::string_view::npos && t.find('\\') == std::string_view::npos) return false;
  if (t.find(' ') != std::string_view::npos) return false;
  const size_t dot = t.rfind('.');
  const size_t ext = dot == std::string_view::npos ? t.size() : t.size() - dot - 1;
  return ext >= 1 && ext <= 5;
}

// The trailing token of a table-style line when it looks like a rule name
// (no-undef, plugin/prefer-const).
bool is_rule_name(std::string_view w) {
  if (w.size() < 3 || w.back() == '-') return false;
  bool sep = false;
  for (char c : w) {
    const bool ok = is_digit(c) || (c >= 'a' && c <= 'z') || c == '-' || c == '/' || c == '@' || c == '_';
    if (!ok) return false;
    sep |= (c == '-' || c == '/');
  }
  return sep;
}

bool starts_with_numeric(std::string_view t) {
  size_t i = 0;
  return !t.empty() && is_numeric(decode_next(t, i));
}

bool is_table_line(std::string_view t) {
  return contains(t, "  error  ") || contains(t, "  warning  ") ||
         (contains(t, " error ") && starts_with_numeric(t));
}

bool is_failure_line(std::string_view t) {
  return starts_with(t, "FAIL") || starts_with(t, "\xE2\x9C\x98") || starts_with(t, "\xC3\x97") ||
         starts_with(t, "E   ") || contains(t, "AssertionError");
}

// Classifies one trimmed line, updating the tallies; true when recognised.
bool classify(DiagState& st, std::string_view t) {
  if (t.empty()) return false;
  if (is_gutter(t)) {
    st.after_gutter = true;
    return true;
  }
  if (t == "=") return true;
  if (t.size() != 1) {
    if (starts_with(t, "-->")) {
      if (st.current_file.empty() || st.after_gutter) st.current_file = std::string(trim_ws(t.substr(3)));
      st.after_gutter = false;
      return true;
    }
    if (starts_with(t, "help:") || starts_with(t, "=")) return true;
  }
  const size_t space = t.find(' ');
  if (space != std::string_view::npos && is_rule_code(t.substr(0, space))) {
    record_rule(st, "ruff:" + std::string(t.substr(0, space)), byte_cut(t, 150));
    st.after_gutter = false;
    return true;
  }
  if (is_file_line(t)) {
    st.current_file = std::string(t);
    return false;
  }
  if (starts_with(t, "PASS") || starts_with(t, "ok ")) {
    ++st.passed;
    return true;
  }
  if (t.size() >= 4 && t.find_first_not_of('.') == std::string_view::npos) {
    st.passed += t.size();
    return true;
  }
  if (const size_t at = find_bytes(t, "error TS"); at != std::string_view::npos) {
    size_t end = at + 6;  // the run starts at "TS"
    while (end < t.size() && is_alnum(t[end])) ++end;
    record_rule(st, std::string(t.substr(at + 6, end - at - 6)), byte_cut(t, 180));
    return true;
  }
  if (is_table_line(t)) {
    std::string_view last;
    for_each_word(t, [&](std::string_view w) { last = w; });
    std::string key = is_rule_name(last) ? std::string(last)
                                         : std::string("(no-rule-id) ") + (contains(t, "error") ? "error" : "warning");
    const std::string_view cut = byte_cut(t, 160);
    if (st.current_file.empty()) {
      record_rule(st, std::move(key), cut);
    } else {
      record_rule(st, std::move(key), st.current_file + ":" + std::string(cut));
    }
    return true;
  }
  if (is_failure_line(t)) {
    if (st.failures.size() < kFailuresKept) st.failures.emplace_back(byte_cut(t, 220));
    return true;
  }
  return false;
}

// Whether the unrecognised-lines sample lists this trimmed line.
bool worth_listing(std::string_view t) {
  return !t.empty() && !is_file_line(t) && !contains(t, "error") && !contains(t, "warning") &&
         !contains(t, "FAIL") && !contains(t, "AssertionError");
}

void append_rules(std::string& out, const DiagState& st) {
  std::vector<const std::pair<const std::string, RuleRecord>*> order;
  order.reserve(st.rules.size());
  uint64_t sum = 0;
  for (const auto& kv : st.rules) {
    order.push_back(&kv);
    sum += kv.second.count;
  }
  std::sort(order.begin(), order.end(), [](const auto* a, const auto* b) {
    if (a->second.count != b->second.count) return a->second.count > b->second.count;
    return a->first < b->first;
  });
  out += "== " + std::to_string(sum) + " diagnostics / " + std::to_string(order.size()) +
         " distinct rules ==\n";
  for (size_t i = 0; i < order.size() && i < kRulesShown; ++i) {
    const RuleRecord& r = order[i]->second;
    out += pad_left(std::to_string(r.count), 4) + "x " + order[i]->first + "\n";
    for (size_t k = 0; k < r.examples.size() && k < kExamplesShown; ++k)
      out += "      " + r.examples[k] + "\n";
    if (r.count >= 3)
      out += "      \xE2\x80\xA6 +" + std::to_string(r.count - 2) +
             " more occurrences (rerun raw for full list)\n";
  }
}

}  // namespace

std::string diag(std::string_view input) {
  // Lines are read straight from the input, escapes skipped on the way, so
  // memory grows with the rules found and not with the input.
  DiagState st;
  std::string_view line;
  for (CleanLines lines = clean_lines(input); next_clean_line(lines, line);) {
    ++st.total;
    if (classify(st, trim_ws(line))) ++st.recognized;
  }

  if (st.recognized < 3) {
    return "[zub diag: only " + std::to_string(st.recognized) + "/" + std::to_string(st.total) +
           " lines recognized as diagnostics: not a linter/compiler/test log. Use `zub trim` "
           "(near-lossless) or `zub logs` instead.]\n";
  }

  std::string out;
  if (!st.rules.empty()) append_rules(out, st);
  if (!st.failures.empty()) {
    out += "== " + std::to_string(st.failures.size()) + " failure lines ==\n";
    for (const std::string& f : st.failures) out += "  " + f + "\n";
  }
  if (st.passed != 0) out += "== " + std::to_string(st.passed) + " passed (suppressed) ==\n";
  if (st.total > st.recognized) {
    out += "== " + std::to_string(st.total - st.recognized) + " unrecognized lines (first 25) ==\n";
    // Reads the lines again from the start, stopping at the 25th listed one
    // so the second pass stays bounded.
    size_t listed = 0;
    for (CleanLines lines = clean_lines(input); listed < kUnrecognizedShown && next_clean_line(lines, line);) {
      const std::string_view t = trim_ws(line);
      if (worth_listing(t)) {
        out += "  " + std::string(byte_cut(t, 140)) + "\n";
        ++listed;
      }
    }
  }
  out += "[zub diag = 요약(원문 ~75% 소실). 개별 에러를 고치려면 `zub trim` 을 써라.]\n";
  return out;
}

int cmd_diag(std::string_view input, Output& out) {
  out.write_out(diag(input));
  return 0;
}

}  // namespace zub
