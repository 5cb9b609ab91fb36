#include "compress/diag_runners.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"

namespace zub {

namespace {

constexpr std::string_view kJestPath = " \xE2\x80\xBA ";  // " › "

// The decimal number at `i` (capped far above any test count).
uint64_t number_at(std::string_view t, size_t i) {
  uint64_t n = 0;
  for (; i < t.size() && is_digit(t[i]); ++i)
    n = n < 1000000000000ULL ? n * 10 + static_cast<uint64_t>(t[i] - '0') : n;
  return n;
}

// The number written just before " `word`" ("2 failed, 6 passed" gives 6
// for "passed"); 0 when there is none.
uint64_t count_of(std::string_view t, std::string_view word) {
  for (size_t at = t.find(word); at != std::string_view::npos; at = t.find(word, at + 1)) {
    if (at < 2 || t[at - 1] != ' ' || !is_digit(t[at - 2])) continue;
    size_t start = at - 1;
    while (start > 0 && is_digit(t[start - 1])) --start;
    return number_at(t, start);
  }
  return 0;
}

// The number after `label` ("Tests=5" for "Tests="), or false.
bool number_after(std::string_view t, std::string_view label, uint64_t& n) {
  const size_t at = t.find(label);
  if (at == std::string_view::npos || digits_at(t, at + label.size()) == 0) return false;
  n = number_at(t, at + label.size());
  return true;
}

// The sum of every "name=N" in "FAILED (failures=2, errors=1, skipped=1)".
uint64_t sum_of_counts(std::string_view t) {
  uint64_t sum = 0;
  for (size_t eq = t.find('='); eq != std::string_view::npos; eq = t.find('=', eq + 1))
    sum += number_at(t, eq + 1);
  return sum;
}

// A trailing duration: "(2 ms)", "(1.564393ms)", " 14ms", " 0.3s".
std::string_view without_duration(std::string_view t) {
  t = trim_ws(t);
  if (ends_with(t, "ms)") || ends_with(t, "s)")) {
    const size_t open = t.rfind(" (");
    if (open != std::string_view::npos && digits_at(t, open + 2) > 0) return t.substr(0, open);
  }
  if (ends_with(t, "ms") || ends_with(t, "s")) {
    const size_t space = t.rfind(' ');
    if (space != std::string_view::npos && digits_at(t, space + 1) > 0) return t.substr(0, space);
  }
  return t;
}

std::string_view after_last(std::string_view t, std::string_view sep) {
  const size_t at = t.rfind(sep);
  return at == std::string_view::npos ? t : t.substr(at + sep.size());
}

// pytest's node id "test_x.py::Class::test_y" as its report header names
// the test: "Class.test_y".
std::string pytest_key(std::string_view id) {
  const size_t first = id.find("::");
  if (first != std::string_view::npos) id = id.substr(first + 2);
  std::string key;
  for (size_t i = 0; i < id.size(); ++i) {
    if (id.substr(i, 2) == "::") {
      key += '.';
      ++i;
    } else {
      key += id[i];
    }
  }
  return key;
}

// pytest's short summary "FAILED test_x.py::test_y - AssertionError: ...".
std::string pytest_summary_key(std::string_view rest) {
  return pytest_key(rest.substr(0, rest.find(" - ")));
}

// pytest's closing "4 failed, 2 passed, 1 skipped in 0.19s" without the
// "=" border: counts of known words, then " in " and a duration.
bool pytest_counts(std::string_view inner, uint64_t& passed) {
  const size_t in = inner.rfind(" in ");
  if (in == std::string_view::npos) return false;
  // "in 0.19s", "in 65.12s (0:01:05)"
  std::string_view time = inner.substr(in + 4);
  time = time.substr(0, time.find(' '));
  if (digits_at(time, 0) == 0 || !ends_with(time, "s") ||
      time.find_first_not_of("0123456789.") != time.size() - 1)
    return false;
  if (starts_with(inner, "no tests ran")) {
    passed = 0;
    return true;
  }
  std::string_view counts = inner.substr(0, in);
  passed = 0;
  while (!counts.empty()) {
    const size_t n = digits_at(counts, 0);
    if (n == 0 || n >= counts.size() || counts[n] != ' ') return false;
    const size_t comma = counts.find(", ");
    const std::string_view word = counts.substr(
        n + 1, comma == std::string_view::npos ? std::string_view::npos : comma - n - 1);
    if (word == "passed") passed = number_at(counts, 0);
    bool known = false;
    for (std::string_view w : {"passed", "failed", "error", "errors", "skipped", "xfailed",
                               "xpassed", "warning", "warnings", "deselected", "rerun"})
      known |= word == w;
    if (!known) return false;
    counts = comma == std::string_view::npos ? std::string_view() : counts.substr(comma + 2);
  }
  return true;
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

// node --test's closing counts: "# pass 2" in TAP, "ℹ pass 2" in its spec
// reporter. Only tests, pass and fail are kept; the rest is recognised.
bool node_count(DiagState& st, std::string_view t) {
  std::string_view rest;
  if (starts_with(t, "# ")) {
    rest = t.substr(2);
  } else if (starts_with(t, "\xE2\x84\xB9 ")) {  // ℹ
    rest = t.substr(4);
  } else {
    return false;
  }
  const size_t space = rest.find(' ');
  if (space == std::string_view::npos || digits_at(rest, space + 1) == 0) return false;
  const std::string_view word = rest.substr(0, space);
  if (word == "pass") count_passed(st, number_at(rest, space + 1));
  if (word == "tests" || word == "pass" || word == "fail") {
    record_summary(st, t);
  } else if (!starts_with(t, "\xE2\x84\xB9 ")) {
    return false;  // "# skipped 0" and the like stay plain TAP comments
  }
  return true;
}

// The first bytes of every count line below ("Tests", "==", "50%", "Ran",
// "FAILED", "OK", "# pass", "ℹ", "test result", "All tests"), or its
// closing ")" (prove's "t/x.t (Wstat: ...)"): most lines are ruled out
// at once.
bool may_be_summary(std::string_view t) {
  switch (t[0]) {
    case 'T':
    case '=':
    case 'R':
    case 'F':
    case 'O':
    case '#':
    case 't':
    case 'A':
    case '\xE2': return true;
    default: return is_digit(t[0]) || t.back() == ')';
  }
}

}  // namespace

std::string failing_test_key(std::string_view t, bool& full) {
  full = false;
  // ctest: "2/4 Test #2: name ....***Failed", "  2 - name (Failed)".
  if (const size_t hash = t.find(" Test "); hash != std::string_view::npos && contains(t, "***")) {
    const size_t colon = t.find(": ", hash);
    if (colon != std::string_view::npos) {
      const std::string_view name = t.substr(colon + 2);
      return std::string(name.substr(0, name.find(' ')));
    }
  }
  if (const size_t n = digits_at(t, 0); n > 0 && t.substr(n, 3) == " - ") {
    const std::string_view name = t.substr(n + 3);
    return std::string(name.substr(0, name.rfind(" (")));
  }
  // cargo test and unittest -v: "test a::b ... FAILED", "test_x (m.T.test_x) ... FAIL".
  if (const size_t dots = t.rfind(" ... "); dots != std::string_view::npos) {
    std::string_view name = t.substr(0, dots);
    if (starts_with(name, "test ")) name = name.substr(5);
    return std::string(name);
  }
  if (starts_with(t, "--- FAIL: ")) {  // go test
    const std::string_view name = t.substr(10);
    return std::string(name.substr(0, name.find(" (")));
  }
  if (starts_with(t, "not ok ")) {  // TAP: "not ok 3 - name # TODO later"
    std::string_view name = t.substr(7 + digits_at(t, 7));
    name = trim_ws(name);
    if (starts_with(name, "- ")) name = name.substr(2);
    return std::string(name.substr(0, name.find(" # ")));
  }
  if (starts_with(t, "\xE2\x97\x8F ")) {  // jest "● suite › name"
    full = true;
    return std::string(after_last(t.substr(4), kJestPath));
  }
  // jest "✕ name (2 ms)", node --test "✖ name (1.5ms)", vitest "× name 14ms".
  for (std::string_view mark : {"\xE2\x9C\x95 ", "\xE2\x9C\x96 ", "\xC3\x97 "})
    if (starts_with(t, mark)) return std::string(without_duration(t.substr(mark.size())));
  // unittest: "FAIL: test_x (m.T.test_x)"; pytest: "FAILED test_x.py::test_y - m".
  for (std::string_view head : {"FAIL: ", "ERROR: "}) {
    if (starts_with(t, head)) {
      full = true;
      return std::string(t.substr(head.size()));
    }
  }
  for (std::string_view head : {"FAILED ", "ERROR "}) {
    if (starts_with(t, head) && contains(t, "::")) {
      full = true;
      return pytest_summary_key(t.substr(head.size()));
    }
  }
  if (starts_with(t, "FAIL ") && contains(t, " > ")) {  // vitest "FAIL  x.test.js > suite > name"
    full = true;
    return std::string(after_last(t, " > "));
  }
  return {};
}

Verdict runner_summary(DiagState& st, const Line& l) {
  const std::string_view t = l.t;
  if (!may_be_summary(t)) return Verdict::kNotMine;
  uint64_t n = 0;
  // jest "Tests:       2 failed, 6 passed, 8 total"; vitest "Tests  2 failed | 6 passed (8)".
  if (starts_with(t, "Tests:") ||
      (starts_with(t, "Tests ") && digits_at(trim_ws(t.substr(6)), 0) > 0 && ends_with(t, ")"))) {
    count_passed(st, count_of(t, "passed"));
    record_summary(st, t);
    return Verdict::kRecognized;
  }
  if (starts_with(t, "Test Suites:") || starts_with(t, "Test Files ")) {
    record_summary(st, t);
    return Verdict::kRecognized;
  }
  // pytest: "===== 4 failed, 2 passed in 0.19s =====", bare with -q.
  const std::string_view inner = trim_ws(t.substr(
      t.find_first_not_of('=') == std::string_view::npos ? t.size() : t.find_first_not_of('=')));
  const std::string_view counts = trim_ws(inner.substr(0, inner.find_last_not_of('=') + 1));
  if (pytest_counts(counts, n)) {
    count_passed(st, n);
    record_summary(st, t);
    return Verdict::kRecognized;
  }
  // unittest: "Ran 7 tests in 0.002s", then "FAILED (failures=2, errors=2)" or "OK".
  if (starts_with(t, "Ran ") && digits_at(t, 4) > 0 && contains(t, " test")) {
    count_ran(st, number_at(t, 4), 0);
    record_summary(st, t);
    st.after_ran = true;
    return Verdict::kRecognized;
  }
  if ((starts_with(t, "FAILED (") && ends_with(t, ")")) ||
      (l.after_ran && (t == "OK" || (starts_with(t, "OK (") && ends_with(t, ")"))))) {
    count_ran(st, 0, sum_of_counts(t));
    record_summary(st, t);
    return Verdict::kRecognized;
  }
  if (node_count(st, t)) return Verdict::kRecognized;
  // javac's closing count, "2 errors", "1 warning": the lists above say
  // as much.
  const size_t d = digits_at(t, 0);
  if (d > 0 && d < t.size() && t[d] == ' ') {
    const std::string_view what = t.substr(d + 1);
    if (what == "error" || what == "errors" || what == "warning" || what == "warnings")
      return Verdict::kRecognized;
  }
  // cargo test: "test result: FAILED. 2 passed; 2 failed; 0 ignored; ...".
  if (starts_with(t, "test result: ")) {
    count_passed(st, count_of(t, "passed;"));
    record_summary(st, t);
    return Verdict::kRecognized;
  }
  // ctest: "50% tests passed, 2 tests failed out of 4".
  if (contains(t, "% tests passed, ") && number_after(t, "out of ", n)) {
    uint64_t failed = 0;
    number_after(t, "passed, ", failed);
    count_ran(st, n, failed);
    record_summary(st, t);
    return Verdict::kRecognized;
  }
  // prove: "Failed 2/5 subtests", "Files=1, Tests=5, ...", "Result: FAIL".
  if (starts_with(t, "Failed ") && ends_with(t, " subtests") && digits_at(t, 7) > 0) {
    count_ran(st, 0, number_at(t, 7));
    record_summary(st, t);
    return Verdict::kRecognized;
  }
  if (starts_with(t, "Files=") && number_after(t, ", Tests=", n)) {
    count_ran(st, n, 0);
    record_summary(st, t);
    return Verdict::kRecognized;
  }
  if (t == "Result: PASS" || t == "Result: FAIL" || t == "All tests successful." ||
      contains(t, " (Wstat: ") || (starts_with(t, "# Looks like you failed ")) ||
      starts_with(t, "Failed tests:") || starts_with(t, "Failed test:")) {
    record_summary(st, t);
    return Verdict::kRecognized;
  }
  return Verdict::kNotMine;
}

Verdict pytest_header(DiagState& st, const Line& l) {
  const std::string_view t = l.t;
  if (!starts_with(t, "__") || !ends_with(t, "__") || starts_with(t, "_ _"))
    return Verdict::kNotMine;
  const size_t first = t.find_first_not_of('_');
  if (first == std::string_view::npos) return Verdict::kNotMine;
  std::string_view name = trim_ws(t.substr(first, t.find_last_not_of('_') + 1 - first));
  if (name.empty()) return Verdict::kNotMine;
  std::string_view key = name;
  for (std::string_view stage : {"ERROR at setup of ", "ERROR at teardown of "})
    if (starts_with(key, stage)) key = key.substr(stage.size());
  record_failure(st, name, key);
  st.pytest_report = true;
  return Verdict::kRecognized;
}

namespace {

// GoogleTest's tag of a "[ TAG ]" line ("RUN", "OK", "FAILED", "----------"),
// and in `rest` what follows it; empty when the line has no such tag.
std::string_view gtest_tag(std::string_view t, std::string_view& rest) {
  if (t.size() < 13 || t[0] != '[' || t[11] != ']') return {};
  const std::string_view tag = trim_ws(t.substr(1, 10));
  if (tag.empty()) return {};
  rest = trim_ws(t.substr(12));
  return tag;
}

// "A.b (3 ms)" or "P/A.b/0, where GetParam() = 3 (0 ms)": the test's name.
std::string_view gtest_name(std::string_view rest) {
  const size_t end = rest.find_first_of(" ,");
  return end == std::string_view::npos ? rest : rest.substr(0, end);
}

}  // namespace

Verdict gtest_lines(DiagState& st, const Line& l) {
  const std::string_view t = l.t;
  if (l.pending == Pending::kGtestMessage && t[0] != '[' && !ends_with(t, ": Failure")) {
    // Up to four lines of what failed ("Expected equality of these values:",
    // "  2", "  Factorial(2)", "    Which is: 1") join into one message.
    if (st.early_message_lines < 4) {
      if (!st.early_message.empty()) st.early_message += ' ';
      st.early_message += byte_cut(t, 80);
      ++st.early_message_lines;
    }
    st.pending = Pending::kGtestMessage;
    return Verdict::kRecognized;
  }
  if (ends_with(t, ": Failure") && t.size() > 9) {
    if (st.early_place.empty()) {
      st.early_place = byte_cut(t.substr(0, t.size() - 9), 200);
      st.early_message.clear();
      st.early_message_lines = 0;
      st.early_more = 0;
    } else {
      // A later failure of the same test is counted on its line; its
      // details stay in the kept raw output.
      ++st.early_more;
      st.early_message_lines = 4;
    }
    st.pending = Pending::kGtestMessage;
    return Verdict::kRecognized;
  }
  // "2 FAILED TESTS" after the closing list.
  if (ends_with(t, " FAILED TESTS") || ends_with(t, " FAILED TEST")) {
    return digits_at(t, 0) > 0 ? Verdict::kRecognized : Verdict::kNotMine;
  }
  std::string_view rest;
  const std::string_view tag = gtest_tag(t, rest);
  if (tag.empty()) return Verdict::kNotMine;
  if (tag == "RUN") {
    close_failure(st);
    forget_early_message(st);
    return Verdict::kRecognized;
  }
  if (tag == "OK") {
    ++st.passed;
    close_failure(st);
    return Verdict::kRecognized;
  }
  // The closing counts are not listed: the pass count heads its section
  // and every failing test is listed, and a CI log of ten test programs
  // would repeat them ten times.
  if (tag == "PASSED" && digits_at(rest, 0) > 0) {
    count_passed(st, number_at(rest, 0));
    close_failure(st);
    return Verdict::kRecognized;
  }
  if (tag == "FAILED" && digits_at(rest, 0) > 0 && contains(rest, " test")) {
    close_failure(st);
    return Verdict::kRecognized;
  }
  if (tag == "FAILED") {
    const std::string_view name = gtest_name(rest);
    if (name.empty()) return Verdict::kNotMine;
    for (const DiagFailure& f : st.failures)
      if (f.key == name) return Verdict::kRecognized;  // the closing list
    record_failure(st, t, name, true);
    take_early_message(st);
    return Verdict::kRecognized;
  }
  if (tag == "==========" && contains(rest, " ran.")) {
    close_failure(st);
    return Verdict::kRecognized;
  }
  // "[----------] 3 tests from A", "[ SKIPPED ] A.b", "[ DISABLED ]".
  return Verdict::kRecognized;
}

namespace {

// Maven's own advice under a failed build, and its banners.
bool maven_chatter(std::string_view t) {
  return t.empty() || t == "COMPILATION ERROR :" || t == "-> [Help 1]" ||
         starts_with_any(t, {"To see the full stack trace", "Re-run Maven using",
                             "For more information about the errors", "[Help ",
                             "Failures:", "Errors:", "Tests in error:", "Failed tests:", "Results:",
                             "After correcting the problems", "mvn <args> -rf"});
}

// javac's place as Maven prints it, "/x/App.java:[12,9] msg", as the
// compilers' "/x/App.java:12:9: error: msg"; empty when `t` has none.
std::string javac_place(std::string_view t, const char* severity) {
  const size_t open = t.find(":[");
  if (open == std::string_view::npos || open == 0) return {};
  const size_t line = digits_at(t, open + 2);
  if (line == 0 || t.size() <= open + 2 + line || t[open + 2 + line] != ',') return {};
  const size_t col_at = open + 3 + line;
  const size_t col = digits_at(t, col_at);
  if (col == 0 || t.size() <= col_at + col || t[col_at + col] != ']') return {};
  std::string out(t.substr(0, open));
  out += ':';
  out += t.substr(open + 2, line);
  out += ':';
  out += t.substr(col_at, col);
  out += ": ";
  out += severity;
  out += ": ";
  out += trim_ws(t.substr(col_at + col + 1));
  return out;
}

// javac's "symbol:" and "location:" lines under an error say what it is
// about: they go onto the error line. Under Maven they follow it; javac's
// own output quotes the source and a caret first.
bool javac_detail(DiagState& st, std::string_view t, Pending before) {
  if (!starts_with(t, "symbol:") && !starts_with(t, "location:")) return false;
  const bool under_javac = st.javac_error_line != 0 && st.total - st.javac_error_line <= 4;
  if (st.errors.empty() || (before != Pending::kErrorLocation && !under_javac)) return true;
  std::string& e = st.errors.back();
  e = std::string(byte_cut(e + " (" + std::string(trim_ws(t)) + ")", kDiagErrorBytes + 80));
  st.pending = Pending::kErrorLocation;  // the other detail line may follow
  return true;
}

// Surefire's counts: "Tests run: 5, Failures: 1, Errors: 0, Skipped: 1".
bool surefire_counts(DiagState& st, std::string_view t) {
  if (!starts_with(t, "Tests run: ")) return false;
  const uint64_t run = number_at(t, 11);
  uint64_t failures = 0, errors = 0, skipped = 0;
  for (const auto& [word, value] : {std::pair<std::string_view, uint64_t*>{"Failures: ", &failures},
                                    {"Errors: ", &errors},
                                    {"Skipped: ", &skipped}}) {
    const size_t w = t.find(word);
    if (w != std::string_view::npos) *value = number_at(t, w + word.size());
  }
  // The counts of one test class ("... - in x.AppTest") add up to the
  // module's line without it, which is the one kept.
  if (contains(t, " - in ") || contains(t, " -- in ")) return true;
  count_ran(st, run > skipped ? run - skipped : 0, failures + errors);
  record_summary(st, t);
  return true;
}

}  // namespace

// Under a Surefire failure: its exception is the failure's message and the
// frame of the test method its place (JUnit's own frames come first).
bool surefire_detail(DiagState& st, std::string_view t) {
  if (st.open_failure >= st.failures.size()) return false;
  DiagFailure& f = st.failures[st.open_failure];
  if (!contains(f.line, "<<< ")) return false;
  std::string_view name;
  if (f.message.empty() && exception_line(t, name)) {
    f.message = byte_cut(t, kDiagErrorBytes);
    return true;
  }
  if (!starts_with(t, "at ")) return false;
  // "testAdd(com.example.AppTest)" is at "com.example.AppTest.testAdd(".
  const size_t open = f.key.find('(');
  if (f.place.empty() && open != std::string::npos && ends_with(f.key, ")")) {
    const std::string frame =
        f.key.substr(open + 1, f.key.size() - open - 2) + "." + f.key.substr(0, open) + "(";
    const size_t at = t.find(frame);
    if (at != std::string_view::npos) {
      const std::string_view in = t.substr(at + frame.size());
      f.place = byte_cut(in.substr(0, in.find(')')), 200);
    }
  }
  return true;
}

// Maven: "[INFO]" lines are its progress, "[ERROR]" and "[WARNING]" lines
// carry javac's diagnostics with their place in brackets, Surefire's
// failing tests and counts, and the build's own failure line; its advice
// on how to rerun is left out. Gradle: "> Task :x:y" lines are progress.
Verdict maven_lines(DiagState& st, const Line& l) {
  std::string_view t = l.t;
  if (starts_with(t, "> Task :")) {
    if (ends_with(t, " FAILED")) {
      record_error(st, t);
      st.pending = Pending::kNone;
    } else {
      ++st.progress;
    }
    return Verdict::kRecognized;
  }
  if (javac_detail(st, t, l.pending) || surefire_detail(st, t)) return Verdict::kRecognized;
  const char* severity = nullptr;
  if (starts_with(t, "[INFO]")) {
    t = trim_ws(t.substr(6));
  } else if (starts_with(t, "[ERROR]")) {
    t = trim_ws(t.substr(7));
    severity = "error";
  } else if (starts_with(t, "[WARNING]")) {
    t = trim_ws(t.substr(9));
    severity = "warning";
  } else {
    return Verdict::kNotMine;
  }
  if (surefire_counts(st, t)) return Verdict::kRecognized;
  if (severity == nullptr) {
    ++st.progress;
    return Verdict::kRecognized;
  }
  if (javac_detail(st, t, l.pending) || maven_chatter(t)) return Verdict::kRecognized;
  // "testFoo(x.AppTest)  Time elapsed: 0.01 s  <<< FAILURE!"
  if (contains(t, "<<< FAILURE!") || contains(t, "<<< ERROR!")) {
    const std::string_view name = trim_ws(t.substr(0, t.find("  ")));
    record_failure(
        st, std::string(name) + (contains(t, "<<< ERROR!") ? " <<< ERROR!" : " <<< FAILURE!"),
        name);
    return Verdict::kRecognized;
  }
  // Surefire's closing list, "AppTest.testAdd:15 expected:<3> but was:<4>",
  // names again the failures listed with their place and message.
  if (st.failures_seen > 0) {
    const size_t colon = t.find(':');
    if (colon != std::string_view::npos && digits_at(t, colon + 1) > 0 &&
        t.substr(0, colon).find(' ') == std::string_view::npos && contains(t.substr(0, colon), "."))
      return Verdict::kRecognized;
  }
  const std::string placed = javac_place(t, severity);
  const std::string_view text = placed.empty() ? t : std::string_view(placed);
  if (severity[0] == 'e') {
    record_error(st, text);
  } else {
    record_rule(st, "(no-rule-id) warning", byte_cut(text, 160));
  }
  return Verdict::kRecognized;
}

namespace {

// "/x/Program.cs(12,5): error CS1002: msg [/x/app.csproj]" as
// "/x/Program.cs:12:5: error CS1002: msg" with its severity and code.
struct MsbuildLine {
  std::string text;
  std::string_view code;
  bool error = false;
};

bool msbuild_line(std::string_view t, MsbuildLine& out) {
  size_t sev = t.find("): error ");
  out.error = sev != std::string_view::npos;
  if (!out.error) sev = t.find("): warning ");
  if (sev == std::string_view::npos) return false;
  const size_t open = t.rfind('(', sev);
  if (open == std::string_view::npos || open == 0) return false;
  const std::string_view nums = t.substr(open + 1, sev - open - 1);
  const size_t comma = nums.find(',');
  const size_t line = digits_at(nums, 0);
  if (line == 0 || (comma == std::string_view::npos
                        ? line != nums.size()
                        : comma != line || digits_at(nums, comma + 1) != nums.size() - comma - 1))
    return false;
  std::string_view rest = t.substr(sev + 3);  // "error CS1002: msg [x.csproj]"
  const size_t space = rest.find(' ');
  const size_t colon = rest.find(": ");
  if (colon == std::string_view::npos || space > colon) return false;
  out.code = rest.substr(space + 1, colon - space - 1);
  if (starts_with(out.code, "TS")) return false;  // tsc's own reader has these
  if (ends_with(rest, ".csproj]") || ends_with(rest, ".vbproj]") || ends_with(rest, ".fsproj]") ||
      ends_with(rest, ".vcxproj]")) {
    const size_t bracket = rest.rfind(" [");
    if (bracket != std::string_view::npos) rest = rest.substr(0, bracket);
  }
  out.text.assign(t.substr(0, open));
  out.text += ':';
  out.text += nums.substr(0, line);
  if (comma != std::string_view::npos) {
    out.text += ':';
    out.text += nums.substr(comma + 1);
  }
  out.text += ": ";
  out.text += rest;
  return true;
}

// Kotlin's compiler: "e: file:///x/App.kt:12:5 msg", "w: ..." (older:
// "e: /x/App.kt: (12, 5): msg"), as "/x/App.kt:12:5: error: msg".
bool kotlinc_line(std::string_view t, std::string& out, bool& error) {
  if (t.size() < 4 || (t[0] != 'e' && t[0] != 'w') || t.substr(1, 2) != ": ") return false;
  error = t[0] == 'e';
  std::string_view rest = t.substr(3);
  if (starts_with(rest, "file://")) rest = rest.substr(7);
  const size_t old = rest.find(": (");
  std::string place;
  std::string_view msg;
  if (old != std::string_view::npos) {
    const size_t close = rest.find("): ", old);
    if (close == std::string_view::npos) return false;
    std::string nums(rest.substr(old + 3, close - old - 3));
    const size_t comma = nums.find(", ");
    if (comma == std::string::npos) return false;
    place = std::string(rest.substr(0, old)) + ":" + nums.substr(0, comma) + ":" +
            nums.substr(comma + 2);
    msg = rest.substr(close + 3);
  } else {
    const size_t space = rest.find(' ');
    if (space == std::string_view::npos) return false;
    const std::string_view where = rest.substr(0, space);
    const size_t c = where.rfind(':');
    const size_t n =
        c == std::string_view::npos || c == 0 ? std::string_view::npos : where.rfind(':', c - 1);
    if (n == std::string_view::npos || n == 0 || digits_at(where, c + 1) != where.size() - c - 1 ||
        digits_at(where, n + 1) != c - n - 1 || c == n + 1 || c + 1 == where.size())
      return false;
    place = std::string(where);
    msg = rest.substr(space + 1);
  }
  out = place + (error ? ": error: " : ": warning: ") + std::string(msg);
  return true;
}

}  // namespace

// MSBuild and dotnet ("x.cs(12,5): error CS1002: msg [x.csproj]", its
// counts and restore lines, the summary after "Build FAILED." that repeats
// every diagnostic) and the Kotlin compiler's "e:"/"w:" lines.
Verdict dotnet_kotlin_lines(DiagState& st, const Line& l) {
  const std::string_view t = l.t;
  if (t == "Build FAILED." || t == "Build succeeded.") {
    st.build_summary = true;
    return Verdict::kRecognized;
  }
  if (starts_with_any(t, {"Determining projects to restore", "All projects are up-to-date",
                          "Restored ", "Time Elapsed "}) ||
      ((ends_with(t, " Warning(s)") || ends_with(t, " Error(s)")) && digits_at(t, 0) > 0)) {
    ++st.progress;
    return Verdict::kRecognized;
  }
  MsbuildLine m;
  if (msbuild_line(t, m)) {
    if (st.build_summary) return Verdict::kRecognized;  // said once already
    if (m.error) {
      count_error_rule(st, m.code, m.text);
      record_error(st, m.text);
    } else {
      record_rule(st, m.code.empty() ? "(no-rule-id) warning" : std::string(m.code),
                  byte_cut(m.text, 160));
    }
    return Verdict::kRecognized;
  }
  std::string k;
  bool error = false;
  if (!kotlinc_line(t, k, error)) return Verdict::kNotMine;
  if (error) {
    record_error(st, k);
  } else {
    record_rule(st, "(no-rule-id) warning", byte_cut(k, 160));
  }
  return Verdict::kRecognized;
}

namespace {

// "Tests: 5, Assertions: 9, Errors: 1, Failures: 1, Skipped: 1." (PHPUnit)
// and "3 examples, 1 failure, 1 pending" (RSpec).
bool numbered_counts(DiagState& st, std::string_view t) {
  uint64_t ran = 0, bad = 0, skipped = 0;
  if (starts_with(t, "Tests: ") && contains(t, "Assertions: ")) {
    ran = number_at(t, 7);
    for (std::string_view w : {"Errors: ", "Failures: "})
      if (const size_t at = t.find(w); at != std::string_view::npos)
        bad += number_at(t, at + w.size());
    for (std::string_view w : {"Skipped: ", "Incomplete: "})
      if (const size_t at = t.find(w); at != std::string_view::npos)
        skipped += number_at(t, at + w.size());
  } else if (starts_with(t, "OK (") && contains(t, " test") && contains(t, " assertion")) {
    ran = number_at(t, 4);
  } else {
    const size_t n = digits_at(t, 0);
    if (n == 0 || (t.substr(n, 9) != " examples" && t.substr(n, 8) != " example")) return false;
    ran = number_at(t, 0);
    if (const size_t at = t.find(", "); at != std::string_view::npos) bad = number_at(t, at + 2);
    if (const size_t at = t.find(" pending"); at != std::string_view::npos) {
      size_t d = at;
      while (d > 0 && is_digit(t[d - 1])) --d;
      skipped = number_at(t, d);
    }
  }
  count_ran(st, ran > skipped ? ran - skipped : 0, bad);
  record_summary(st, t);
  return true;
}

// A place under a numbered failure: PHPUnit's "/x/tests/CalcTest.php:14",
// RSpec's "# ./spec/calc_spec.rb:5:in `block ...'". The test file's place
// is worth more than the library's frame above it.
bool numbered_place(DiagState& st, std::string_view t) {
  std::string_view place;
  if (starts_with(t, "# ./") || starts_with(t, "# /")) {
    place = t.substr(
        2, t.find(":in ") == std::string_view::npos ? std::string_view::npos : t.find(":in ") - 2);
  } else if (t.find(' ') == std::string_view::npos) {
    place = t;
  } else {
    return false;
  }
  const size_t colon = place.rfind(':');
  if (colon == std::string_view::npos || colon == 0 ||
      digits_at(place, colon + 1) != place.size() - colon - 1 || colon + 1 == place.size())
    return false;
  if (st.open_failure < st.failures.size()) {
    DiagFailure& f = st.failures[st.open_failure];
    const auto testish = [](std::string_view p) {
      return contains(p, "test") || contains(p, "Test") || contains(p, "spec");
    };
    if (f.place.empty() || (!testish(f.place) && testish(place))) f.place = byte_cut(place, 200);
  }
  return true;
}

}  // namespace

// PHPUnit and RSpec list each failing test as "1) Name" under a header
// ("There were 2 failures:", "Failures:"), then its message and places;
// the section ends at the closing counts.
Verdict numbered_failures(DiagState& st, const Line& l) {
  const std::string_view t = l.t;
  if (starts_with(t, "PHPUnit ") || (starts_with(t, "Time: ") && contains(t, "Memory: ")) ||
      starts_with(t, "Finished in ") || t == "Failed examples:" || starts_with(t, "rspec ./"))
    return Verdict::kRecognized;
  if (numbered_counts(st, t)) {
    st.numbered = 0;
    close_failure(st);
    return Verdict::kRecognized;
  }
  if ((starts_with(t, "There was ") || starts_with(t, "There were ")) && ends_with(t, ":")) {
    st.numbered = contains(t, " failure") || contains(t, " error") ? 1 : 2;
    close_failure(st);
    return Verdict::kRecognized;
  }
  if (t == "Failures:" && !l.after_tap) {
    st.numbered = 1;
    close_failure(st);
    return Verdict::kRecognized;
  }
  // PHPUnit's progress, "..F.E   5 / 5 (100%)" (its count line counts).
  if (const size_t end = t.find_first_not_of(".FEWSIR");
      end != 0 && end != std::string_view::npos && t[end] == ' ' && ends_with(t, "%)"))
    return Verdict::kRecognized;
  if (st.numbered == 0) return Verdict::kNotMine;
  if (t == "FAILURES!" || t == "ERRORS!" || t == "WARNINGS!") {
    st.numbered = 0;
    close_failure(st);
    return Verdict::kRecognized;
  }
  const size_t n = digits_at(t, 0);
  if (n > 0 && t.substr(n, 2) == ") ") {
    if (st.numbered == 1) {
      record_failure(st, t, trim_ws(t.substr(n + 2)));
    } else {
      close_failure(st);
    }
    return Verdict::kRecognized;
  }
  if (st.open_failure < st.failures.size()) {
    if (numbered_place(st, t)) return Verdict::kRecognized;
    DiagFailure& f = st.failures[st.open_failure];
    if (f.message.empty() && t != "--") {
      f.message = byte_cut(t, kDiagErrorBytes);
    } else if (starts_with(t, "expected:") || starts_with(t, "got:")) {
      f.message = byte_cut(f.message + " " + std::string(t), kDiagErrorBytes);
    }
  }
  return Verdict::kRecognized;
}

Verdict go_test_lines(DiagState& st, const Line& l) {
  const std::string_view t = l.t;
  // go test's bare "FAIL" after a package's failing tests, and again at
  // the end, says nothing the listed failures do not.
  if (t == "FAIL" && st.failures_seen > 0) return Verdict::kRecognized;
  if (starts_with(t, "=== RUN") || starts_with(t, "=== CONT") || starts_with(t, "=== NAME")) {
    close_failure(st);
    forget_early_message(st);
    st.in_go_run = true;
    return Verdict::kRecognized;
  }
  // "\t/x/stock_test.go:24 +0x18" under the failing test's frame.
  if (l.pending == Pending::kGoFrame && contains(t, ".go:")) {
    if (st.pending_index < st.failures.size() && st.failures[st.pending_index].place.empty())
      st.failures[st.pending_index].place = byte_cut(t.substr(0, t.find(" +0x")), 200);
    return Verdict::kRecognized;
  }
  // "example.com/stock.TestMaxEmpty(0xc000096b60?)" in a panic's trace.
  if (!ends_with(t, ")")) return Verdict::kNotMine;
  const size_t paren = t.find('(');
  if (paren == std::string_view::npos || t.find(' ') < paren) return Verdict::kNotMine;
  const std::string_view name = after_last(t.substr(0, paren), ".");
  if (!starts_with(name, "Test") && !starts_with(name, "Benchmark") && !starts_with(name, "Fuzz"))
    return Verdict::kNotMine;
  for (size_t i = 0; i < st.failures.size(); ++i) {
    if (st.failures[i].key == name && st.failures[i].place.empty()) {
      st.pending = Pending::kGoFrame;
      st.pending_index = i;
      return Verdict::kRecognized;
    }
  }
  return Verdict::kNotMine;
}

Verdict go_test_log(DiagState& st, const Line& l) {
  if (l.raw.empty() || (l.raw[0] != ' ' && l.raw[0] != '\t')) return Verdict::kNotMine;
  // "name.go:12: msg": a line and no column, which is how the testing
  // package places what a test logged; the compiler and vet give columns.
  const std::string_view t = l.t;
  const size_t go = t.find(".go:");
  if (go == std::string_view::npos || t.find(' ') < go) return Verdict::kNotMine;
  const size_t digits = digits_at(t, go + 4);
  if (digits == 0 || t.substr(go + 4 + digits, 2) != ": ") return Verdict::kNotMine;
  const std::string_view where = t.substr(0, go + 4 + digits);
  const std::string_view said = trim_ws(t.substr(go + 4 + digits + 2));
  DiagFailure* f = st.open_failure < st.failures.size() ? &st.failures[st.open_failure] : nullptr;
  if (f != nullptr && starts_with(f->line, "--- FAIL: ")) {
    // Printed under its "--- FAIL:" line.
    if (f->place.empty()) f->place = byte_cut(where, 200);
    if (f->message.empty())
      f->message = byte_cut(f->place == where ? said : t, kDiagErrorBytes);
    else
      ++f->more;
    return Verdict::kRecognized;
  }
  if (!st.in_go_run) return Verdict::kNotMine;
  // go test -v logs before the test's result; a passing test's log is
  // dropped with its "--- PASS".
  if (st.early_place.empty()) st.early_place = std::string(where);
  if (st.early_message.empty())
    st.early_message = byte_cut(st.early_place == where ? said : t, kDiagErrorBytes);
  else
    ++st.early_more;
  return Verdict::kRecognized;
}

Verdict failing_test_again(DiagState& st, const Line& l) {
  const std::string_view t = l.t;
  if (t == "\xE2\x9C\x96 failing tests:") {  // "✖ failing tests:" repeats the failures
    close_failure(st);
    st.repeats = true;
    return Verdict::kRecognized;
  }
  if (starts_with(t, "test at ")) {
    const std::string_view place = frame_place(t.substr(8));
    if (place.empty()) return Verdict::kNotMine;
    close_failure(st);
    st.early_place = std::string(place);
    return Verdict::kRecognized;
  }
  if (starts_with(t, "---- ") && ends_with(t, " stdout ----")) {
    const std::string_view name = t.substr(5, t.size() - 17);
    record_failure(st, t, name);
    return Verdict::kRecognized;
  }
  if (t.find(' ') != std::string_view::npos) return Verdict::kNotMine;
  for (const DiagFailure& f : st.failures)
    if (f.key == t) return Verdict::kRecognized;
  return Verdict::kNotMine;
}

// npm's banner before a script's output: "> name@1.0.0 test" (pnpm adds
// the directory), then "> the command" on the next line.
bool npm_banner(DiagState& st, std::string_view t) {
  if (!starts_with(t, "> ")) return false;
  if (st.npm_banner_line != 0 && st.total == st.npm_banner_line + 1) return true;
  const std::string_view word = t.substr(2, t.find(' ', 2) - 2);
  const size_t at = word.rfind('@');
  if (at == 0 || at == std::string_view::npos || at + 1 >= word.size() || !is_digit(word[at + 1]) ||
      word.size() + 2 >= t.size())
    return false;
  st.npm_banner_line = st.total;
  return true;
}

Verdict runner_banner(DiagState& st, const Line& l) {
  const std::string_view t = l.t;
  if (t[0] == '>') return npm_banner(st, t) ? Verdict::kRecognized : Verdict::kNotMine;
  if (t[0] != '\xE2' && t[0] != 'R' && t[0] != 'S' && t[0] != 'D' && t[0] != 'T')
    return Verdict::kNotMine;
  if (starts_with(t, "\xE2\x8E\xAF") || starts_with(t, "RUN  v") || starts_with(t, "Start at ") ||
      starts_with(t, "Duration ") || starts_with(t, "Dubious, test returned ") ||
      t == "Test Summary Report")
    return Verdict::kRecognized;
  // vitest "❯ math.test.js (6 tests | 2 failed) 65ms"
  if (starts_with(t, "\xE2\x9D\xAF ") && contains(t, " test") && contains(t, " | "))
    return Verdict::kRecognized;
  return Verdict::kNotMine;
}

Verdict perl_test_comment(DiagState& st, const Line& l) {
  if (!starts_with(l.t, "#")) return Verdict::kNotMine;
  const std::string_view body = trim_ws(l.t.substr(1));
  std::string_view where = body;
  if (starts_with(body, "Failed test")) {
    std::string_view name;
    size_t after = 11;
    if (const size_t q = body.find('\''); q != std::string_view::npos) {
      const size_t close = body.rfind('\'');
      if (close > q) {
        name = body.substr(q + 1, close - q - 1);
        after = close;
      }
    }
    record_failure(st, body, name);
    const size_t at = body.find(" at ", after);
    if (at == std::string_view::npos) return Verdict::kRecognized;
    where = body.substr(at + 1);
  }
  // "at t/math.t line 8."
  if (!starts_with(where, "at ") || !ends_with(where, ".")) return Verdict::kNotMine;
  const size_t line = where.find(" line ");
  if (line == std::string_view::npos || digits_at(where, line + 6) == 0) return Verdict::kNotMine;
  const std::string place = std::string(where.substr(3, line - 3)) + ":" +
                            std::string(where.substr(line + 6, digits_at(where, line + 6)));
  locate_failure(st, place);
  return Verdict::kRecognized;
}

namespace {

// What `use warnings` says first; die and compile errors say anything.
constexpr std::string_view kPerlWarnings[] = {
    "Use of uninitialized value",
    "Useless use of",
    "Name \"",
    "Argument \"",
    "Possible ",
    "Scalar value ",
    "Odd number of",
    "Deep recursion",
    "Subroutine ",
    "Prototype mismatch",
    "Variable \"",
    "\"my\" variable",
    "Found = in conditional",
    "Unquoted string",
    "Wide character",
    "readline() on closed",
    "print() on closed",
    "Statement unlikely",
};

// The message around Perl's " at FILE line N" (N followed by the end, "."
// or ","; what follows a comma, such as ', near "= ;"', stays with the
// message), and the place "FILE:N". The first such " at " counts: a
// filehandle's "<STDIN> line 5." may follow.
std::optional<std::pair<std::string, std::string>> perl_place(std::string_view t) {
  for (size_t at = t.find(" at "); at != std::string_view::npos; at = t.find(" at ", at + 1)) {
    const size_t path = at + 4;
    const size_t space = t.find(' ', path);
    if (space == std::string_view::npos || space == path) return std::nullopt;
    if (t.substr(space, 6) != " line ") continue;
    const size_t digits = digits_at(t, space + 6);
    if (digits == 0) continue;
    const size_t end = space + 6 + digits;
    if (end < t.size() && t[end] != '.' && t[end] != ',') continue;
    std::string message(t.substr(0, at));
    if (end < t.size() && t[end] == ',') {
      std::string_view rest = t.substr(end);
      if (ends_with(rest, ".")) rest.remove_suffix(1);
      message += rest;
    }
    return std::make_pair(std::move(message), std::string(t.substr(path, space - path)) + ":" +
                                                  std::string(t.substr(space + 6, digits)));
  }
  return std::nullopt;
}

}  // namespace

Verdict perl_message(DiagState& st, const Line& l) {
  const std::string_view t = l.t;
  if (starts_with(t, "Execution of ") && contains(t, " aborted due to compilation errors"))
    return Verdict::kRecognized;
  if (t.find(" line ") == std::string_view::npos) return Verdict::kNotMine;
  const auto found = perl_place(t);
  if (!found || found->first.empty()) return Verdict::kNotMine;
  const auto& [message, place] = *found;
  // Carp's frames under a croak or confess.
  if (ends_with(message, " called")) return Verdict::kRecognized;
  const std::string line = place + ": " + message;
  for (std::string_view w : kPerlWarnings) {
    if (starts_with(message, w)) {
      record_rule(st, "perl: warning", byte_cut(line, 150));
      return Verdict::kRecognized;
    }
  }
  record_error(st, line);
  return Verdict::kRecognized;
}

Verdict assertion_failed(DiagState& st, const Line& l) {
  const std::string_view t = l.t;
  if (!ends_with(t, "' failed.") || !contains(t, ": Assertion `")) return Verdict::kNotMine;
  const size_t colon = t.find(": ");
  const auto loc = split_location(t.substr(colon + 2));
  if (!loc) return Verdict::kNotMine;
  record_error(st, t);
  locate_failure(st, loc->where);
  return Verdict::kRecognized;
}

Verdict test_frame(DiagState& st, const Line& l) {
  std::string_view t = l.t;
  if (starts_with(t, "\xE2\x9D\xAF ")) {  // vitest "❯ x.test.js:9:29"
    t = t.substr(4);
    if (t.find(' ') != std::string_view::npos) return Verdict::kNotMine;
  } else if (!starts_with(t, "at ")) {
    return Verdict::kNotMine;
  }
  const std::string_view place = frame_place(t);
  if (place.empty()) return Verdict::kNotMine;
  // Node and the JVM print an exception, then where it was thrown.
  if (l.pending == Pending::kErrorLocation && st.pending_index < st.errors.size() &&
      !split_location(st.errors[st.pending_index]))
    attach_location(st, l.pending, place);
  locate_failure(st, place);
  return Verdict::kRecognized;
}

}  // namespace zub
