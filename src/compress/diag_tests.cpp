// A failing or passing test of any runner, by the shape of its line:
// ctest's "2/4 Test #2: name ....***Failed", cargo's and unittest -v's
// "test a::b ... FAILED", go's "--- FAIL: TestX", TAP's "not ok 3 - x",
// jest's "● suite › name" and "✕ name", node's "✖ name", vitest's "×
// name", unittest's "FAIL: test_x (m.T)", pytest's "FAILED x.py::test_y -
// m"; their passes; a failing test's name alone on its line (cargo's
// closing list) is known.
#include "compress/diag_tests.h"

#include <string>

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

constexpr std::string_view kJestPath = " \xE2\x80\xBA ";  // " › "

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

namespace {

bool tests_shape(const DiagState&, const NoFamilyState&, const Line&) { return true; }

Verdict tests_lines(DiagState& st, NoFamilyState&, const Line& l) {
  const std::string_view t = l.t;
  if (is_test_failure(t)) {
    bool full = false;
    const std::string key = failing_test_key(t, full);
    record_failure(st, t, key, full);
    // What go test -v logged under the test before its result.
    if (!st.in_go_run) forget_early_message(st);
    take_early_message(st);
    st.in_go_run = false;
    return Verdict::kRecognized;
  }
  if (is_test_pass(t)) {
    ++st.passed;
    close_failure(st);
    forget_early_message(st);
    st.in_go_run = false;
    return Verdict::kRecognized;
  }
  if (t.find(' ') != std::string_view::npos) return Verdict::kNotMine;
  for (const DiagFailure& f : st.failures)
    if (f.key == t) return Verdict::kRecognized;
  return Verdict::kNotMine;
}

}  // namespace

const DiagFamily kDiagTests = diag_family<NoFamilyState, tests_shape, tests_lines>("tests");

}  // namespace zub
