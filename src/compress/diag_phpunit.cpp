// PHPUnit and RSpec list each failing test as "1) Name" under a header
// ("There were 2 failures:", "Failures:"), then its message and places;
// the section ends at the closing counts ("Tests: 5, Assertions: 9, ...",
// "3 examples, 1 failure"). Their progress and banners are known.
#include <string>

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

struct PhpunitState : DiagFamilyState {
  // Inside a numbered list: 1 of failures, 2 of others (risky, skipped),
  // 0 outside.
  int numbered = 0;
};

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

bool phpunit_shape(const DiagState&, const PhpunitState& s, const Line& l) {
  if (s.numbered != 0) return true;
  switch (l.t[0]) {
    case 'P':
    case 'T':
    case 'F':
    case 'r':
    case 'O':
    case '.':
    case 'E':
    case 'W':
    case 'S':
    case 'I':
    case 'R': return true;
    default: return is_digit(l.t[0]);
  }
}

Verdict phpunit_lines(DiagState& st, PhpunitState& s, const Line& l) {
  const std::string_view t = l.t;
  if (starts_with(t, "PHPUnit ") || (starts_with(t, "Time: ") && contains(t, "Memory: ")) ||
      starts_with(t, "Finished in ") || t == "Failed examples:" || starts_with(t, "rspec ./"))
    return Verdict::kRecognized;
  if (numbered_counts(st, t)) {
    s.numbered = 0;
    close_failure(st);
    return Verdict::kRecognized;
  }
  if ((starts_with(t, "There was ") || starts_with(t, "There were ")) && ends_with(t, ":")) {
    s.numbered = contains(t, " failure") || contains(t, " error") ? 1 : 2;
    close_failure(st);
    return Verdict::kRecognized;
  }
  if (t == "Failures:") {
    s.numbered = 1;
    close_failure(st);
    return Verdict::kRecognized;
  }
  // PHPUnit's progress, "..F.E   5 / 5 (100%)" (its count line counts).
  if (const size_t end = t.find_first_not_of(".FEWSIR");
      end != 0 && end != std::string_view::npos && t[end] == ' ' && ends_with(t, "%)"))
    return Verdict::kRecognized;
  if (s.numbered == 0) return Verdict::kNotMine;
  if (t == "FAILURES!" || t == "ERRORS!" || t == "WARNINGS!") {
    s.numbered = 0;
    close_failure(st);
    return Verdict::kRecognized;
  }
  const size_t n = digits_at(t, 0);
  if (n > 0 && t.substr(n, 2) == ") ") {
    if (s.numbered == 1) {
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

}  // namespace

const DiagFamily kDiagPhpunit = diag_family<PhpunitState, phpunit_shape, phpunit_lines>("phpunit");

}  // namespace zub
