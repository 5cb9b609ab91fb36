// GoogleTest: "[ RUN      ] A.b" opens a test, "x.cc:12: Failure" is where
// it failed and the lines under it what failed, "[  FAILED  ] A.b (3 ms)"
// names it, the closing list names it again; "[       OK ]" is a pass and
// "[==========] 6 tests ... ran.", "[  PASSED  ] 4 tests." and
// "[  FAILED  ] 2 tests, listed below:" are the counts.
#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

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

bool gtest_shape(const DiagState&, const NoFamilyState&, const Line& l) {
  return l.t[0] == '[' || l.pending == Pending::kGtestMessage || ends_with(l.t, ": Failure") ||
         ends_with(l.t, " FAILED TESTS") || ends_with(l.t, " FAILED TEST");
}

Verdict gtest_lines(DiagState& st, NoFamilyState&, const Line& l) {
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

}  // namespace

const DiagFamily kDiagGtest = diag_family<NoFamilyState, gtest_shape, gtest_lines>("gtest");

}  // namespace zub
