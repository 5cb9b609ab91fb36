// prove and Test::More: the counts ("Files=1, Tests=5, ...", "Failed
// 2/5 subtests", "Result: FAIL", "t/x.t (Wstat: ...)"), "#   Failed test
// 'name'" with its "#   at t/x.t line 8."; Perl's own die, warn and
// compile errors, "msg at t.pl line 3.", listed as "t.pl:3: msg", the
// warnings of `use warnings` counted by rule, Carp's "called at" frames
// and "Execution of t.pl aborted" known. TAP's own lines are the TAP
// row's.
#include <optional>
#include <string>
#include <utility>

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

bool prove_counts(DiagState& st, std::string_view t) {
  if (!may_be_count_line(t)) return false;
  uint64_t n = 0;
  if (starts_with(t, "Failed ") && ends_with(t, " subtests") && digits_at(t, 7) > 0) {
    count_ran(st, 0, number_at(t, 7));
    record_summary(st, t);
    return true;
  }
  if (starts_with(t, "Files=") && number_after(t, ", Tests=", n)) {
    count_ran(st, n, 0);
    record_summary(st, t);
    return true;
  }
  if (t == "Result: PASS" || t == "Result: FAIL" || t == "All tests successful." ||
      contains(t, " (Wstat: ") || (starts_with(t, "# Looks like you failed ")) ||
      starts_with(t, "Failed tests:") || starts_with(t, "Failed test:")) {
    record_summary(st, t);
    return true;
  }
  return false;
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

Verdict perl_message(DiagState& st, const Line& l) {
  const std::string_view t = l.t;
  if (starts_with(t, "Execution of ") && contains(t, " aborted due to compilation errors"))
    return Verdict::kRecognized;
  if (find_bytes(t, " line ") == std::string_view::npos) return Verdict::kNotMine;
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

// Its counts' first bytes, its banners', "#" comments, "Execution of",
// and the " line " every message with a place holds.
bool perl_shape(const DiagState&, const NoFamilyState&, const Line& l) {
  static constexpr BytePairs kLine = byte_pairs(" line ");
  const char c = l.t[0];
  return c == '#' || c == 'D' || c == 'E' || may_be_count_line(l.t) || may_hold(l.pairs, kLine);
}

Verdict perl_lines(DiagState& st, NoFamilyState&, const Line& l) {
  const std::string_view t = l.t;
  if (prove_counts(st, t)) return Verdict::kRecognized;
  if (starts_with(t, "Dubious, test returned ") || t == "Test Summary Report")
    return Verdict::kRecognized;
  if (const Verdict v = perl_test_comment(st, l); v != Verdict::kNotMine) return v;
  return perl_message(st, l);
}

}  // namespace

const DiagFamily kDiagPerl = diag_family<NoFamilyState, perl_shape, perl_lines>("perl");

}  // namespace zub
