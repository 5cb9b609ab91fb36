// Python's tracebacks and the exception lines of any language: the last
// "File "x.py", line 3, in f" before the exception line is where it was
// raised and goes in front of it ("x.py:3: ValueError: m"); under a
// failing unittest test the frames place the test, and what follows the
// exception is that failure's detail (the unittest row's). The JVM's
// "Exception in thread "main" a.B: msg" and "Caused by:" lines; a name
// ending in "Warning" is counted as a rule.
#include <string>

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

struct TracebackState : DiagFamilyState {
  std::string place;  // "path:line" of the last traceback frame
};

// Python's "File "x.py", line 3, in f": the last one before the exception
// line is where it was raised.
Verdict python_frame(DiagState& st, TracebackState& s, const Line& l) {
  const std::string_view t = l.t;
  if (starts_with(t, "Traceback (most recent call last)")) {
    s.place.clear();
    return Verdict::kRecognized;
  }
  if (!starts_with(t, "File \"") || !contains(t, "\", line ")) return Verdict::kNotMine;
  const size_t q = t.find('"', 6);
  const size_t at = t.find("\", line ") + 8;
  size_t end = at;
  while (end < t.size() && is_digit(t[end])) ++end;
  s.place = std::string(t.substr(6, q - 6)) + ":" + std::string(t.substr(at, end - at));
  locate_failure(st, s.place);  // unittest: the test's own frame comes first
  st.expect_source = true;
  return Verdict::kRecognized;
}

// The JVM's uncaught exception, "Exception in thread "main" a.B: msg", and
// its causes, "Caused by: a.C: msg": the exception after the prefix.
std::string_view jvm_exception(std::string_view t) {
  if (starts_with(t, "Caused by: ")) return t.substr(11);
  if (!starts_with(t, "Exception in thread \"")) return {};
  const size_t close = t.find("\" ", 21);
  return close == std::string_view::npos ? std::string_view() : t.substr(close + 2);
}

Verdict exception(DiagState& st, TracebackState& s, const Line& l) {
  std::string_view name;
  const std::string_view jvm = jvm_exception(l.t);
  if (!exception_line(jvm.empty() ? l.t : jvm, name)) return Verdict::kNotMine;
  if (ends_with(name, "Warning")) {
    record_rule(st, std::string(name), byte_cut(l.t, 160));
  } else if (s.place.empty()) {
    record_error(st, l.t);
  } else {
    record_error(st, s.place + ": " + std::string(l.t));
    s.place.clear();
    st.in_failure_detail = st.open_failure != SIZE_MAX;
  }
  return Verdict::kRecognized;
}

bool traceback_shape(const DiagState&, const TracebackState&, const Line&) { return true; }

Verdict traceback_lines(DiagState& st, TracebackState& s, const Line& l) {
  if (const Verdict v = python_frame(st, s, l); v != Verdict::kNotMine) return v;
  return exception(st, s, l);
}

}  // namespace

const DiagFamily kDiagTraceback =
    diag_family<TracebackState, traceback_shape, traceback_lines>("traceback");

}  // namespace zub
