// The Kotlin compiler: "e: file:///x/App.kt:12:5 msg", "w: ..." (older:
// "e: /x/App.kt: (12, 5): msg"), listed as "/x/App.kt:12:5: error: msg".
#include <string>

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

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

bool kotlin_shape(const DiagState&, const NoFamilyState&, const Line& l) {
  return (l.t[0] == 'e' || l.t[0] == 'w') && l.t.size() >= 4 && l.t[1] == ':';
}

Verdict kotlin_lines(DiagState& st, NoFamilyState&, const Line& l) {
  std::string k;
  bool error = false;
  if (!kotlinc_line(l.t, k, error)) return Verdict::kNotMine;
  if (error) {
    record_error(st, k);
  } else {
    record_rule(st, "(no-rule-id) warning", byte_cut(k, 160));
  }
  return Verdict::kRecognized;
}

}  // namespace

const DiagFamily kDiagKotlin = diag_family<NoFamilyState, kotlin_shape, kotlin_lines>("kotlin");

}  // namespace zub
