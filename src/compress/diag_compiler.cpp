// Compilers and linters in the common form, "path:line[:col]: error: msg"
// (gcc, clang, go, mypy, flake8's codes, ESLint's unix form): errors are
// listed and counted under their rule, warnings counted with examples,
// notes and g++'s "required from here" are context (the caller's line goes
// onto the template's error). Headers before their place ("error[E0308]:
// ...", "warning: ..."), a tool's own ("collect2: error: ..."), javac's
// closing "2 errors", C's failed assertions and the linker's "undefined
// reference to" lines.
#include <string>

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

struct CompilerState : DiagFamilyState {
  // g++'s "x.cc:41:3:   required from here" before a template's error:
  // the caller's own line, which the error line names only as a header's.
  std::string required_from;
};

// A warning header's message with its quoted names taken out, so that one
// lint over many names is one rule: "unused variable: `x`" becomes
// "unused variable: `…`".
std::string message_key(std::string_view message) {
  std::string key;
  bool quoted = false;
  for (char c : message) {
    if (c == '`') {
      if (!quoted) key += "`\xE2\x80\xA6`";
      quoted = !quoted;
    } else if (!quoted) {
      key += c;
    }
    if (key.size() >= 80) break;
  }
  return std::string(trim_ws(key));
}

// Errors are listed and counted under their rule, warnings counted with
// examples, notes and "required from" lines are context.
void record_located(DiagState& st, CompilerState& s, std::string_view line, const Located& loc) {
  std::string_view t = line;
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
  if (head.severity == Severity::kNone) {
    const std::string_view said = trim_ws(rest);
    if (starts_with(said, "required from here")) {
      s.required_from = byte_cut(loc.where, 200);
      if (!st.make_dirs.empty() && !starts_with(loc.path, "/"))
        s.required_from.insert(0, st.make_dirs.back() + "/");
    } else if (!starts_with(said, "required from") && !starts_with(said, "required by")) {
      s.required_from.clear();
    }
    return;
  }
  // A relative place under a make that entered a directory is from there.
  std::string placed;
  if (!st.make_dirs.empty() && !starts_with(loc.path, "/")) {
    placed = st.make_dirs.back() + "/" + std::string(line);
    t = placed;
  }
  if (head.severity == Severity::kError) {
    count_error_rule(st, head.code, t);
    const size_t kept = st.errors.size();
    record_error(st, t);
    if (!s.required_from.empty() && st.errors.size() > kept)
      st.errors.back() += " (required from " + s.required_from + ")";
  } else if (head.severity == Severity::kWarning) {
    record_rule(st, severity_key(head.severity, head.code, t), byte_cut(t, 160));
  }
  s.required_from.clear();
}

// "path:line[:col]: ..." of compilers, linters and test logs.
Verdict located(DiagState& st, CompilerState& s, const Line& l) {
  const auto loc = split_location(l.t);
  if (!loc) return Verdict::kNotMine;
  record_located(st, s, l.t, *loc);
  if (st.pending == Pending::kErrorLocation && ends_with(loc->path, ".java"))
    st.javac_error_line = st.total;
  // The first place under a failing test is where it failed; go test -v
  // logs it before the test's result line.
  if (!locate_failure(st, loc->where) && st.in_go_run && st.early_place.empty())
    st.early_place = std::string(loc->where);
  st.expect_source = true;
  return Verdict::kRecognized;
}

// A header whose place follows on a "-->" line, as rustc prints it.
Verdict severity_header(DiagState& st, const Line& l) {
  const SeverityHead head = severity_head(l.t);
  if (head.severity == Severity::kNone) return Verdict::kNotMine;
  if (head.severity == Severity::kError) {
    count_error_rule(st, head.code, l.t);
    record_error(st, l.t);
  } else if (head.severity == Severity::kWarning && !starts_with(head.message, "`")) {
    const std::string key = head.code.empty() ? message_key(head.message) : std::string(head.code);
    record_rule(st, key.empty() ? "(no-rule-id) warning" : key, byte_cut(l.t, 160));
  }
  st.expect_source = true;
  return Verdict::kRecognized;
}

// "collect2: error: ...", "clang: error: ...", "cc1plus: warning: ...".
Verdict tool_severity(DiagState& st, const Line& l) {
  if (l.space == std::string_view::npos || l.space <= 1 || l.t[l.space - 1] != ':')
    return Verdict::kNotMine;
  const SeverityHead head = severity_head(l.t.substr(l.space + 1));
  if (head.severity == Severity::kNone) return Verdict::kNotMine;
  if (head.severity == Severity::kError) {
    count_error_rule(st, head.code, l.t);
    record_error(st, l.t);
  } else if (head.severity == Severity::kWarning) {
    record_rule(st, severity_key(head.severity, head.code, l.t), byte_cut(l.t, 160));
  }
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

bool compiler_shape(const DiagState&, const CompilerState&, const Line&) { return true; }

Verdict compiler_lines(DiagState& st, CompilerState& s, const Line& l) {
  const std::string_view t = l.t;
  // javac's closing count, "2 errors", "1 warning": the lists above say
  // as much.
  if (const size_t d = digits_at(t, 0); d > 0 && d < t.size() && t[d] == ' ') {
    const std::string_view what = t.substr(d + 1);
    if (what == "error" || what == "errors" || what == "warning" || what == "warnings")
      return Verdict::kRecognized;
  }
  if (const Verdict v = assertion_failed(st, l); v != Verdict::kNotMine) return v;
  if (const Verdict v = located(st, s, l); v != Verdict::kNotMine) return v;
  if (const Verdict v = severity_header(st, l); v != Verdict::kNotMine) return v;
  if (const Verdict v = tool_severity(st, l); v != Verdict::kNotMine) return v;
  static constexpr BytePairs kUndefined = byte_pairs("undefined reference to ");
  static constexpr BytePairs kMultiple = byte_pairs("multiple definition of ");
  if ((!may_hold(l.pairs, kUndefined) && !may_hold(l.pairs, kMultiple)) || !is_link_failure(t))
    return Verdict::kNotMine;
  record_error(st, t);
  if (ends_with(t, ":")) st.pending = Pending::kErrorMessage;  // the message follows
  return Verdict::kRecognized;
}

}  // namespace

const DiagFamily kDiagCompiler =
    diag_family<CompilerState, compiler_shape, compiler_lines>("compiler");

}  // namespace zub
