#include "compress/diag_state.h"

#include <utility>

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"

namespace zub {

namespace {

constexpr size_t kExamplesKept = 3;
constexpr size_t kFailuresKept = 100;
// Error lines are kept far past what is listed unfolded: repeated messages
// fold into one line each, and every place they name is listed.
constexpr size_t kErrorsKept = 2000;
constexpr size_t kEchoesKept = 100;
constexpr size_t kSummariesKept = 20;

// The kind of a failing-test line: its first four bytes, digits as 0
// ("--- ", "test", "0/0 ", "0 - ", "● ").
std::string form_of(std::string_view t) {
  std::string form(t.substr(0, 4));
  for (char& c : form)
    if (c >= '0' && c <= '9') c = '0';
  return form;
}

}  // namespace

DiagFailure* open_failure(DiagState& st) {
  return st.open_failure < st.failures.size() ? &st.failures[st.open_failure] : nullptr;
}

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

void record_echo(DiagState& st, std::string_view line) {
  ++st.echoes_seen;
  if (st.echoes.size() < kEchoesKept) st.echoes.emplace_back(byte_cut(line, kDiagErrorBytes));
}

void record_failure(DiagState& st, std::string_view t, std::string_view key, bool full) {
  std::string early = std::move(st.early_place);
  st.early_place.clear();
  st.pytest_report = false;
  const std::string form = form_of(t);
  if (!key.empty()) {
    for (size_t i = 0; i < st.failures.size(); ++i) {
      DiagFailure& f = st.failures[i];
      if (f.merged || f.key != key || (f.full && full) || (f.form == form && !st.repeats)) continue;
      f.merged = true;
      if (full && !f.full) {
        f.line = byte_cut(t, 220);
        f.full = true;
      }
      if (f.place.empty()) f.place = std::move(early);
      st.open_failure = i;
      return;
    }
  }
  ++st.failures_seen;
  st.open_failure = SIZE_MAX;
  if (st.failures.size() >= kFailuresKept) return;
  DiagFailure f;
  f.line = byte_cut(t, 220);
  f.key = byte_cut(key, 220);
  f.form = form;
  f.full = full;
  f.place = std::move(early);
  st.failures.push_back(std::move(f));
  st.open_failure = st.failures.size() - 1;
}

bool locate_failure(DiagState& st, std::string_view place) {
  if (place.empty()) return false;
  DiagFailure* f = open_failure(st);
  if (f == nullptr || !f->place.empty()) return false;
  f->place = byte_cut(place, 200);
  return true;
}

bool describe_failure(DiagState& st, std::string_view message) {
  DiagFailure* f = open_failure(st);
  if (f == nullptr || !f->message.empty() || message.empty()) return false;
  f->message = byte_cut(message, kDiagErrorBytes);
  return true;
}

void take_early_message(DiagState& st) {
  describe_failure(st, st.early_message);
  if (DiagFailure* f = open_failure(st)) f->more += st.early_more;
  forget_early_message(st);
}

void forget_early_message(DiagState& st) {
  st.early_message.clear();
  st.early_more = 0;
}

void locate_named(DiagState& st, std::string_view key, std::string_view place) {
  if (key.empty() || place.empty()) return;
  for (DiagFailure& f : st.failures) {
    if (f.key == key && f.place.empty()) {
      f.place = byte_cut(place, 200);
      return;
    }
  }
}

void close_failure(DiagState& st) {
  st.open_failure = SIZE_MAX;
  st.pytest_report = false;
  st.early_place.clear();
}

namespace {

// unittest names a test twice, "FAIL: test_x (m.Case.test_x)" (before
// Python 3.11 "(m.Case)"): once as the dotted name an agent reruns it by.
std::string unittest_name(std::string_view line) {
  const size_t head = starts_with(line, "FAIL: ") ? 6 : starts_with(line, "ERROR: ") ? 7 : 0;
  const size_t open = line.find(" (", head);
  if (head == 0 || open == std::string_view::npos || !ends_with(line, ")"))
    return std::string(line);
  const std::string_view name = line.substr(head, open - head);
  const std::string_view id = line.substr(open + 2, line.size() - open - 3);
  if (name.empty() || id.empty()) return std::string(line);
  for (char c : name)
    if (!is_alnum(c) && c != '_') return std::string(line);
  for (char c : id)
    if (!is_alnum(c) && c != '_' && c != '.') return std::string(line);
  std::string out(line.substr(0, head));
  out += id;
  const bool named =
      id.size() > name.size() && ends_with(id, name) && id[id.size() - name.size() - 1] == '.';
  if (!named) {
    out += '.';
    out += name;
  }
  return out;
}

}  // namespace

std::string failure_text(const DiagFailure& f) {
  std::string s = unittest_name(f.line);
  if (!f.place.empty()) s += " at " + f.place;
  if (!f.raised.empty()) s += " (raised at " + f.raised + ")";
  if (!f.message.empty() && !contains(f.line, f.message)) s += ": " + f.message;
  // The count stays whole however long the message is.
  s.resize(byte_cut(s, kDiagErrorBytes + 80).size());
  if (f.more > 0) s += " (+" + std::to_string(f.more) + " more failures)";
  return s;
}

void record_summary(DiagState& st, std::string_view t) {
  ++st.summaries_seen;
  if (st.summaries.size() < kSummariesKept) st.summaries.emplace_back(byte_cut(t, 200));
  close_failure(st);
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

std::string severity_key(Severity sev, std::string_view code, std::string_view line) {
  if (!code.empty()) return std::string(code);
  if (std::string_view rule = trailing_rule(line); !rule.empty()) return std::string(rule);
  return sev == Severity::kError ? "(no-rule-id) error" : "(no-rule-id) warning";
}

void count_error_rule(DiagState& st, std::string_view code, std::string_view line) {
  const std::string key = severity_key(Severity::kError, code, line);
  if (key != "(no-rule-id) error") record_rule(st, key, line, true);
}

void count_passed(DiagState& st, uint64_t n) {
  st.summary_passed_known = true;
  st.summary_passed += n;
}

void count_ran(DiagState& st, uint64_t ran, uint64_t not_passed) {
  st.ran_known = true;
  st.ran += ran;
  st.not_passed += not_passed;
}

}  // namespace zub
