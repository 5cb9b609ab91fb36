// ESLint's stylish format: a file's path alone on its line, then a table
// row per problem under it, "  3:1  error  msg  rule-name", counted under
// its rule with the file in front of the example. Placed after the context
// row: "1 error generated." is no table row.
#include <string>

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

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

Verdict file_name(DiagState& st, const Line& l) {
  if (!is_file_line(l.t)) return Verdict::kNotMine;
  st.current_file = std::string(l.t);
  return Verdict::kContextOnly;
}

// ESLint's stylish table: "  3:1  error  msg  rule-name" under a file line.
Verdict table_row(DiagState& st, const Line& l) {
  if (!is_table_line(l.t)) return Verdict::kNotMine;
  std::string_view last;
  for_each_word(l.t, [&](std::string_view w) { last = w; });
  const bool error = contains(l.t, "error");
  std::string key = is_rule_name(last)
                        ? std::string(last)
                        : std::string("(no-rule-id) ") + (error ? "error" : "warning");
  const std::string_view cut = byte_cut(l.t, 160);
  const std::string example =
      st.current_file.empty() ? std::string(cut) : st.current_file + ":" + std::string(cut);
  record_rule(st, std::move(key), example, error);
  if (error) record_error(st, example);
  st.pending = Pending::kNone;
  return Verdict::kRecognized;
}

// A path's slash, or the severity word every table row holds.
bool eslint_shape(const DiagState&, const NoFamilyState&, const Line& l) {
  static constexpr BytePairs kError = byte_pairs(" error ");
  static constexpr BytePairs kWarning = byte_pairs(" warning ");
  return may_hold(l.pairs, kError) || may_hold(l.pairs, kWarning) ||
         l.t.find_first_of("/\\") != std::string_view::npos;
}

Verdict eslint_lines(DiagState& st, NoFamilyState&, const Line& l) {
  if (const Verdict v = file_name(st, l); v != Verdict::kNotMine) return v;
  return table_row(st, l);
}

}  // namespace

const DiagFamily kDiagEslint = diag_family<NoFamilyState, eslint_shape, eslint_lines>("eslint");

}  // namespace zub
