#include "compress/diag_state.h"

#include <utility>

#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"

namespace zub {

namespace {

constexpr size_t kExamplesKept = 3;
constexpr size_t kFailuresKept = 100;
constexpr size_t kErrorsKept = 100;

}  // namespace

void record_rule(DiagState& st, std::string key, std::string_view example, bool error) {
  DiagRule& r = st.rules[key];
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
  st.errors.emplace_back(byte_cut(line, kDiagErrorBytes));
  st.pending_index = st.errors.size() - 1;
  st.pending = Pending::kErrorLocation;
}

void record_failure(DiagState& st, std::string_view t) {
  ++st.failures_seen;
  if (st.failures.size() < kFailuresKept) st.failures.emplace_back(byte_cut(t, 220));
}

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

void add_tap_detail(DiagState& st, std::string_view t, bool message_line) {
  if (st.tap_failure >= st.failures.size()) return;
  std::string& f = st.failures[st.tap_failure];
  if (message_line) {
    f = byte_cut(f + ": " + std::string(t), kDiagErrorBytes + 80);
    st.tap_failure = SIZE_MAX;  // one message is enough
  } else if (starts_with(t, "location: ") && !st.tap_located) {
    f = byte_cut(f + " at " + std::string(t.substr(10)), kDiagErrorBytes + 80);
    st.tap_located = true;
  } else if (starts_with(t, "error: ")) {
    const std::string_view msg = trim_ws(t.substr(7));
    if (msg == "|-" || msg == "|" || msg == ">-" || msg == ">") {
      st.pending = Pending::kTapMessage;
    } else {
      f = byte_cut(f + ": " + std::string(msg), kDiagErrorBytes + 80);
      st.tap_failure = SIZE_MAX;
    }
  }
}

std::string severity_key(Severity sev, std::string_view code, std::string_view line) {
  if (!code.empty()) return std::string(code);
  if (std::string_view rule = trailing_rule(line); !rule.empty()) return std::string(rule);
  return sev == Severity::kError ? "(no-rule-id) error" : "(no-rule-id) warning";
}

void count_error_rule(DiagState& st, std::string_view code, std::string_view line) {
  const std::string key = severity_key(Severity::kError, code, line);
  if (key != "(no-rule-id) error") record_rule(st, key, line, true);
}

// Errors are listed and counted under their rule, warnings counted with
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

}  // namespace zub
