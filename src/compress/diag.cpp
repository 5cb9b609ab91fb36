#include "compress/diag.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_shapes.h"
#include "compress/escapes.h"

namespace zub {

namespace {

constexpr size_t kExamplesKept = 3;
constexpr size_t kExamplesShown = 2;
constexpr size_t kRulesShown = 25;
constexpr size_t kFailuresKept = 100;
constexpr size_t kErrorsKept = 100;
constexpr size_t kErrorBytes = 220;
constexpr size_t kUnrecognizedShown = 25;

struct RuleRecord {
  uint64_t count = 0;
  std::vector<std::string> examples;
};

// Where the line after a header may add to what the header stored: a
// "-->" location for a header printed before its place, or the message
// line under a panic header.
enum class Pending { kNone, kErrorLocation, kRuleLocation, kErrorMessage, kTapMessage };

struct DiagState {
  std::unordered_map<std::string, RuleRecord> rules;
  std::vector<std::string> failures;
  std::vector<std::string> errors;
  std::vector<std::string> sample;  // first unrecognised lines, cut
  uint64_t failures_seen = 0;
  uint64_t errors_seen = 0;
  uint64_t total = 0;
  uint64_t recognized = 0;
  uint64_t passed = 0;
  uint64_t clean_bytes = 0;  // the escape-free text with every line ended
  std::string current_file;  // prefix for examples of table-style lines
  bool after_gutter = false;

  Pending pending = Pending::kNone;
  size_t pending_index = 0;
  std::string pending_key;
  std::string traceback_place;    // "path:line" of the last traceback frame
  bool expect_source = false;     // the next line may quote the source
  bool after_tap = false;         // the last line was a TAP test line
  bool in_yaml = false;           // inside a TAP diagnostic block
  bool after_e_line = false;      // pytest's "E   " explanation runs
  size_t tap_failure = SIZE_MAX;  // the stored "not ok" line its block describes
  bool tap_located = false;       // that line has its place already
};

// Counts an occurrence under `key`. Error lines are listed in full in
// their own section, so only the other lines serve as examples.
void record_rule(DiagState& st, std::string key, std::string_view example, bool error = false) {
  RuleRecord& r = st.rules[key];
  ++r.count;
  if (!error && r.examples.size() < kExamplesKept) {
    r.examples.emplace_back(example);
    st.pending_key = std::move(key);
    st.pending_index = r.examples.size() - 1;
    st.pending = Pending::kRuleLocation;
  }
}

void record_error(DiagState& st, std::string_view line) {
  ++st.errors_seen;
  if (st.errors.size() >= kErrorsKept) return;
  st.errors.emplace_back(byte_cut(line, kErrorBytes));
  st.pending_index = st.errors.size() - 1;
  st.pending = Pending::kErrorLocation;
}

void record_failure(DiagState& st, std::string_view t) {
  ++st.failures_seen;
  if (st.failures.size() < kFailuresKept) st.failures.emplace_back(byte_cut(t, 220));
}

// Puts the place a "-->" line names in front of the header stored last.
void attach_location(DiagState& st, Pending pending, std::string_view place) {
  if (place.empty()) return;
  if (pending == Pending::kErrorLocation && st.pending_index < st.errors.size()) {
    std::string& e = st.errors[st.pending_index];
    e = std::string(place) + ": " + e;
  } else if (pending == Pending::kRuleLocation) {
    auto it = st.rules.find(st.pending_key);
    if (it != st.rules.end() && st.pending_index < it->second.examples.size()) {
      std::string& e = it->second.examples[st.pending_index];
      e = std::string(place) + ": " + e;
    }
  }
}

// A failing TAP test's block says where it failed and why: both go onto
// its failure line ("not ok 3 - name at 'a.test.js:11:1': Expected ...").
void add_tap_detail(DiagState& st, std::string_view t, bool message_line) {
  if (st.tap_failure >= st.failures.size()) return;
  std::string& f = st.failures[st.tap_failure];
  if (message_line) {
    f = byte_cut(f + ": " + std::string(t), kErrorBytes + 80);
    st.tap_failure = SIZE_MAX;  // one message is enough
  } else if (starts_with(t, "location: ") && !st.tap_located) {
    f = byte_cut(f + " at " + std::string(t.substr(10)), kErrorBytes + 80);
    st.tap_located = true;
  } else if (starts_with(t, "error: ")) {
    const std::string_view msg = trim_ws(t.substr(7));
    if (msg == "|-" || msg == "|" || msg == ">-" || msg == ">") {
      st.pending = Pending::kTapMessage;
    } else {
      f = byte_cut(f + ": " + std::string(msg), kErrorBytes + 80);
      st.tap_failure = SIZE_MAX;
    }
  }
}

// "12 | let x", "| x" and jest's "> 12 | x" are source gutter lines:
// nothing but a line number stands before the first bar.
bool is_gutter(std::string_view t) {
  if (starts_with(t, "|")) return true;
  const size_t bar = t.find('|');
  if (bar == std::string_view::npos) return false;
  std::string_view before = trim_ws(t.substr(0, bar));
  if (starts_with(before, ">")) before = before.substr(1);
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

// A bare path on its own line, naming the file the following lines are about.
bool is_file_line(std::string_view t) {
  if (t.find('/') == std::string_view::npos && t.find('\\') == std::string_view::npos) return false;
  // Tab-separated columns ("FAIL\tpkg/x\t0.01s") are no path.
  if (t.find_first_of(" \t") != std::string_view::npos) return false;
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
    const bool ok =
        is_digit(c) || (c >= 'a' && c <= 'z') || c == '-' || c == '/' || c == '@' || c == '_';
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

// A warning header's message with its quoted names taken out, so that one
// lint over many names is one rule: "unused variable: `x`" becomes
// "unused variable: `…`".
std::string message_key(std::string_view message) {
  std::string key;
  bool quoted = false;
  for (char c : message) {
    if (c == '`') {
      if (!quoted) key += "`\xE2\x80\xA6`";
      quoted = !quoted;
    } else if (!quoted) {
      key += c;
    }
    if (key.size() >= 80) break;
  }
  return std::string(trim_ws(key));
}

std::string severity_key(Severity sev, std::string_view code, std::string_view line) {
  if (!code.empty()) return std::string(code);
  if (std::string_view rule = trailing_rule(line); !rule.empty()) return std::string(rule);
  return sev == Severity::kError ? "(no-rule-id) error" : "(no-rule-id) warning";
}

// An error line is listed whole; it is also counted under its rule when
// it names one ("error[E0308]", "[-Wformat]"), so the table shows which
// kinds of error there are.
void count_error_rule(DiagState& st, std::string_view code, std::string_view line) {
  const std::string key = severity_key(Severity::kError, code, line);
  if (key != "(no-rule-id) error") record_rule(st, key, line, true);
}

// A diagnostic with its place in front ("main.c:3:5: error: ..."):
// errors are listed and counted under their rule, warnings counted with
// examples, notes and "required from" lines are context.
void record_located(DiagState& st, std::string_view t, const Located& loc) {
  std::string_view rest = loc.rest;
  SeverityHead head = severity_head(rest);
  std::string_view rule = trailing_rule(t);
  // ESLint's unix format names severity and rule in the bracket.
  if (head.severity == Severity::kNone &&
      (starts_with(rule, "Error/") || starts_with(rule, "Warning/"))) {
    head.severity = rule[0] == 'E' ? Severity::kError : Severity::kWarning;
    head.code = rule.substr(rule.find('/') + 1);
  }
  if (head.severity == Severity::kNone && starts_with(rest, "***"))
    head.severity = Severity::kError;
  if (head.severity == Severity::kNone) {
    const std::string_view word = rest.substr(0, rest.find(' '));
    const std::string_view code = ends_with(word, ":") ? word.substr(0, word.size() - 1) : word;
    if (is_rule_code(code)) {  // flake8, pylint: "x.py:3:1: F401 ..."
      record_rule(st, std::string(code), byte_cut(t, 150));
      return;
    }
    // Go's compiler, vet and test logs print no severity word.
    if (ends_with(loc.path, ".go")) head.severity = Severity::kError;
  }
  if (head.severity == Severity::kError) {
    count_error_rule(st, head.code, t);
    record_error(st, t);
  } else if (head.severity == Severity::kWarning) {
    record_rule(st, severity_key(head.severity, head.code, t), byte_cut(t, 160));
  }
}

// Classifies one line (`t` trimmed, `raw` as read), updating the tallies;
// true when recognised.
bool classify(DiagState& st, std::string_view t, std::string_view raw) {
  if (t.empty()) return false;
  const Pending pending = st.pending;
  const bool expect_source = st.expect_source;
  const bool after_tap = st.after_tap;
  const bool after_e_line = st.after_e_line;
  st.pending = Pending::kNone;
  st.expect_source = false;
  st.after_tap = false;
  st.after_e_line = false;

  if (st.in_yaml) {  // TAP's indented diagnostic block, closed by "..."
    if (!raw.empty() && (raw[0] == ' ' || raw[0] == '\t')) {
      if (t == "...") st.in_yaml = false;
      add_tap_detail(st, t, pending == Pending::kTapMessage);
      return true;
    }
    st.in_yaml = false;
  }
  if (pending == Pending::kErrorMessage && st.pending_index < st.errors.size()) {
    std::string& e = st.errors[st.pending_index];
    e = std::string(byte_cut(e + " " + std::string(t), kErrorBytes + 80));
    return true;
  }
  if (is_gutter(t)) {
    st.after_gutter = true;
    return true;
  }
  if (t == "=") return true;
  if (t.size() != 1) {
    if (starts_with(t, "-->")) {
      const std::string_view place = trim_ws(t.substr(3));
      if (st.current_file.empty() || st.after_gutter) st.current_file = std::string(place);
      st.after_gutter = false;
      attach_location(st, pending, place);
      return true;
    }
    if (starts_with(t, "help:") || starts_with(t, "=")) return true;
  }
  const size_t space = t.find(' ');
  if (space != std::string_view::npos && is_rule_code(t.substr(0, space))) {
    record_rule(st, "ruff:" + std::string(t.substr(0, space)), byte_cut(t, 150));
    st.pending = Pending::kNone;
    st.after_gutter = false;
    return true;
  }
  if (is_file_line(t)) {
    st.current_file = std::string(t);
    return false;
  }
  if (starts_with(t, "PASS") || starts_with(t, "ok ")) {
    ++st.passed;
    st.after_tap = starts_with(t, "ok ");
    st.tap_failure = SIZE_MAX;
    return true;
  }
  if (uint64_t dots = 0; is_progress_line(t, dots)) {
    st.passed += dots;
    return true;
  }
  if (t == "---" && after_tap) {
    st.in_yaml = true;
    return true;
  }
  if (starts_with(t, "E   ") || (t == "E" && after_e_line)) {
    // pytest explains a failure in a run of these; its first line says what
    // went wrong, the rest is a diff. The failing test's name comes on its
    // own line, so the explanation is an error, not a failure line.
    if (!after_e_line) record_error(st, t);
    st.after_e_line = true;
    return true;
  }
  if (is_test_failure(t)) {
    record_failure(st, t);
    st.after_tap = starts_with(t, "not ok ");
    const bool stored = st.failures_seen == st.failures.size();
    st.tap_failure = st.after_tap && stored ? st.failures.size() - 1 : SIZE_MAX;
    st.tap_located = false;
    return true;
  }
  if (is_test_pass(t)) {
    ++st.passed;
    return true;
  }
  if (auto loc = split_location(t)) {
    record_located(st, t, *loc);
    st.expect_source = true;
    return true;
  }
  if (SeverityHead head = severity_head(t); head.severity != Severity::kNone) {
    // A header whose place follows on a "-->" line, as rustc prints it.
    if (head.severity == Severity::kError) {
      count_error_rule(st, head.code, t);
      record_error(st, t);
    } else if (head.severity == Severity::kWarning && !starts_with(head.message, "`")) {
      const std::string key =
          head.code.empty() ? message_key(head.message) : std::string(head.code);
      record_rule(st, key.empty() ? "(no-rule-id) warning" : key, byte_cut(t, 160));
    }
    st.expect_source = true;
    return true;
  }
  // "collect2: error: ...", "clang: error: ...", "cc1plus: warning: ...".
  if (space != std::string_view::npos && space > 1 && t[space - 1] == ':') {
    if (SeverityHead head = severity_head(t.substr(space + 1)); head.severity != Severity::kNone) {
      if (head.severity == Severity::kError) {
        count_error_rule(st, head.code, t);
        record_error(st, t);
      } else if (head.severity == Severity::kWarning) {
        record_rule(st, severity_key(head.severity, head.code, t), byte_cut(t, 160));
      }
      return true;
    }
  }
  if (is_failure_report(t)) {
    record_error(st, t);
    if (ends_with(t, ":")) st.pending = Pending::kErrorMessage;  // the panic message follows
    return true;
  }
  if (starts_with(t, "File \"") && contains(t, "\", line ")) {
    const size_t q = t.find('"', 6);
    const size_t at = t.find("\", line ") + 8;
    size_t end = at;
    while (end < t.size() && is_digit(t[end])) ++end;
    st.traceback_place =
        std::string(t.substr(6, q - 6)) + ":" + std::string(t.substr(at, end - at));
    st.expect_source = true;
    return true;
  }
  if (starts_with(t, "Traceback (most recent call last)")) st.traceback_place.clear();
  if (std::string_view name; exception_line(t, name)) {
    if (ends_with(name, "Warning")) {
      record_rule(st, std::string(name), byte_cut(t, 160));
    } else if (st.traceback_place.empty()) {
      record_error(st, t);
    } else {
      record_error(st, st.traceback_place + ": " + std::string(t));
      st.traceback_place.clear();
    }
    return true;
  }
  if (is_caret_line(t) || is_context_line(t)) return true;
  if (const size_t at = find_bytes(t, "error TS"); at != std::string_view::npos) {
    size_t end = at + 6;  // the run starts at "TS"
    while (end < t.size() && is_alnum(t[end])) ++end;
    record_rule(st, std::string(t.substr(at + 6, end - at - 6)), byte_cut(t, 180), true);
    record_error(st, t);
    st.expect_source = true;
    return true;
  }
  if (is_table_line(t)) {
    std::string_view last;
    for_each_word(t, [&](std::string_view w) { last = w; });
    const bool error = contains(t, "error");
    std::string key = is_rule_name(last)
                          ? std::string(last)
                          : std::string("(no-rule-id) ") + (error ? "error" : "warning");
    const std::string_view cut = byte_cut(t, 160);
    const std::string example =
        st.current_file.empty() ? std::string(cut) : st.current_file + ":" + std::string(cut);
    record_rule(st, std::move(key), example, error);
    if (error) record_error(st, example);
    st.pending = Pending::kNone;
    return true;
  }
  if (is_failure_line(t)) {
    record_failure(st, t);
    return true;
  }
  // Lines that say error or warning in a shape of no tool above.
  if (contains(t, "error:") || contains(t, "Error:") || contains(t, "ERROR:") ||
      starts_with(t, "ERROR ")) {
    record_error(st, t);
    st.pending = Pending::kNone;
    return true;
  }
  if (contains(t, "warning:") || contains(t, "Warning:") || contains(t, "WARNING:")) {
    record_rule(st, "(no-rule-id) warning", byte_cut(t, 160));
    st.pending = Pending::kNone;
    return true;
  }
  return expect_source;  // the quoted source line under a located diagnostic
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
    const size_t shown = std::min(r.examples.size(), kExamplesShown);
    for (size_t k = 0; k < shown; ++k) out += "      " + r.examples[k] + "\n";
    // A rule of error lines only shows no examples: its lines are listed
    // in the error section.
    if (shown > 0 && r.count > shown && r.count >= 3)
      out += "      \xE2\x80\xA6 +" + std::to_string(r.count - shown) +
             " more occurrences (rerun raw for full list)\n";
  }
}

void append_list(std::string& out, const char* what, const std::vector<std::string>& lines,
                 uint64_t seen) {
  out += "== " + std::to_string(lines.size()) + " " + what + " lines ==\n";
  for (const std::string& l : lines) out += "  " + l + "\n";
  if (seen > lines.size())
    out += "  \xE2\x80\xA6 +" + std::to_string(seen - lines.size()) + " more " + what +
           " lines (rerun raw for full list)\n";
}

}  // namespace

std::string diag(std::string_view input) {
  // Lines are read straight from the input, escapes skipped on the way, so
  // memory grows with the rules found and not with the input.
  DiagState st;
  std::string_view line;
  for (CleanLines lines = clean_lines(input); next_clean_line(lines, line);) {
    ++st.total;
    st.clean_bytes += line.size() + 1;
    const std::string_view t = trim_ws(line);
    if (classify(st, t, line)) {
      ++st.recognized;
    } else if (st.sample.size() < kUnrecognizedShown && !t.empty() && !is_file_line(t)) {
      st.sample.emplace_back(byte_cut(t, 140));
    }
  }

  // A log with an error or a failing test in it is never refused, however
  // short: the refusal would hide the one line that matters.
  if (st.recognized < 3 && st.errors_seen == 0 && st.failures_seen == 0) {
    return "[zub diag: only " + std::to_string(st.recognized) + "/" + std::to_string(st.total) +
           " lines recognized as diagnostics: not a linter/compiler/test log. Use `zub trim` "
           "(near-lossless) or `zub logs` instead.]\n";
  }

  std::string out;
  if (!st.rules.empty()) append_rules(out, st);
  if (st.errors_seen != 0) append_list(out, "error", st.errors, st.errors_seen);
  if (st.failures_seen != 0) append_list(out, "failure", st.failures, st.failures_seen);
  if (st.passed != 0) out += "== " + std::to_string(st.passed) + " passed (suppressed) ==\n";
  if (st.total > st.recognized) {
    out += "== " + std::to_string(st.total - st.recognized) + " unrecognized lines (first 25) ==\n";
    for (const std::string& s : st.sample) out += "  " + s + "\n";
  }
  out += "[zub diag = 요약(원문 ~75% 소실). 개별 에러를 고치려면 `zub trim` 을 써라.]\n";
  if (out.size() < st.clean_bytes) return out;

  // A summary no shorter than its input helps nobody: the input itself,
  // without escapes, loses nothing. It is as short as the summary, so the
  // copy stays small.
  std::string whole;
  whole.reserve(st.clean_bytes);
  for (CleanLines lines = clean_lines(input); next_clean_line(lines, line);) {
    whole += line;
    whole += '\n';
  }
  return whole;
}

int cmd_diag(std::string_view input, Output& out) {
  out.write_out(diag(input));
  return 0;
}

}  // namespace zub
