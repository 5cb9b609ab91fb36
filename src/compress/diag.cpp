#include "compress/diag.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/ascii.h"
#include "base/env.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_runners.h"
#include "compress/diag_shapes.h"
#include "compress/diag_state.h"
#include "compress/escapes.h"

namespace zub {

namespace {

constexpr size_t kExamplesShown = 2;
constexpr size_t kRulesShown = 25;
constexpr size_t kUnrecognizedShown = 25;

// "12 | let x", "| x" and jest's "> 12 | x" are source gutter lines:
// nothing but a line number stands before the first bar.
bool is_gutter(std::string_view t) {
  if (starts_with(t, "|")) return true;
  const size_t bar = t.find('|');
  if (bar == std::string_view::npos) return false;
  std::string_view before = trim_ws(t.substr(0, bar));
  if (starts_with(before, ">")) before = before.substr(1);
  size_t i = 0;
  while (i < before.size()) {
    if (is_digit(before[i])) {
      ++i;
    } else if (size_t w = white_space_len_at(before, i)) {
      i += w;
    } else {
      return false;
    }
  }
  return true;
}

// A bare path on its own line, naming the file the following lines are about.
bool is_file_line(std::string_view t) {
  if (t.find('/') == std::string_view::npos && t.find('\\') == std::string_view::npos) return false;
  // Tab-separated columns ("FAIL\tpkg/x\t0.01s") are no path.
  if (t.find_first_of(" \t") != std::string_view::npos) return false;
  const size_t dot = t.rfind('.');
  const size_t ext = dot == std::string_view::npos ? t.size() : t.size() - dot - 1;
  return ext >= 1 && ext <= 5;
}

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

bool is_failure_line(std::string_view t) {
  return starts_with(t, "FAIL") || starts_with(t, "\xE2\x9C\x98") || starts_with(t, "\xC3\x97") ||
         starts_with(t, "E   ") || contains(t, "AssertionError");
}

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

Verdict yes(bool recognised) { return recognised ? Verdict::kRecognized : Verdict::kNotMine; }

// TAP's indented diagnostic block, closed by "...".
Verdict tap_block_line(DiagState& st, const Line& l) {
  if (!st.in_yaml) return Verdict::kNotMine;
  if (!l.raw.empty() && (l.raw[0] == ' ' || l.raw[0] == '\t')) {
    if (l.t == "...") {
      st.in_yaml = false;
      end_tap_block(st);
    } else {
      add_tap_detail(st, l.t, l.pending);
    }
    return Verdict::kRecognized;
  }
  st.in_yaml = false;
  end_tap_block(st);
  return Verdict::kNotMine;
}

// The message line under a panic header that ended with a colon.
Verdict panic_message(DiagState& st, const Line& l) {
  if (l.pending != Pending::kErrorMessage || st.pending_index >= st.errors.size())
    return Verdict::kNotMine;
  std::string& e = st.errors[st.pending_index];
  e = std::string(byte_cut(e + " " + std::string(l.t), kDiagErrorBytes + 80));
  return Verdict::kRecognized;
}

// What unittest prints under a failing test's exception (the diff of the
// two values) belongs to that failure, up to the next rule, test or count.
Verdict failure_detail(DiagState& st, const Line& l) {
  if (!st.in_failure_detail) return Verdict::kNotMine;
  if (starts_with_any(l.t, {"===", "---", "___", "Ran ", "Traceback", "FAIL", "ERROR", "OK"}) ||
      is_test_failure(l.t) || is_test_pass(l.t)) {
    st.in_failure_detail = false;
    return Verdict::kNotMine;
  }
  return Verdict::kRecognized;
}

Verdict build_progress(DiagState& st, const Line& l) {
  if (!is_build_progress(l.t)) return Verdict::kNotMine;
  ++st.progress;
  // make -C and recursive makes: the compiler's relative paths are from
  // the directory make entered.
  const std::string_view t = l.t;
  const size_t entering = t.find("Entering directory '");
  if (entering != std::string_view::npos && ends_with(t, "'")) {
    const size_t from = entering + 20;
    if (st.make_dirs.size() < 64) st.make_dirs.emplace_back(t.substr(from, t.size() - 1 - from));
  } else if (contains(t, ": Leaving directory '") && !st.make_dirs.empty()) {
    st.make_dirs.pop_back();
  }
  return Verdict::kRecognized;
}

Verdict source_gutter(DiagState& st, const Line& l) {
  if (!is_gutter(l.t)) return Verdict::kNotMine;
  st.after_gutter = true;
  return Verdict::kRecognized;
}

// rustc and ruff: "--> path:3:5" under a header, "= note: ..", "help: ..".
Verdict arrow_location_and_notes(DiagState& st, const Line& l) {
  if (l.t == "=") return Verdict::kRecognized;
  if (l.t.size() == 1) return Verdict::kNotMine;
  if (starts_with(l.t, "-->")) {
    const std::string_view place = trim_ws(l.t.substr(3));
    if (st.current_file.empty() || st.after_gutter) st.current_file = std::string(place);
    st.after_gutter = false;
    attach_location(st, l.pending, place);
    return Verdict::kRecognized;
  }
  return yes(starts_with(l.t, "help:") || starts_with(l.t, "="));
}

// ruff's code-first lines: "F401 [*] `os` imported but unused".
Verdict code_first(DiagState& st, const Line& l) {
  if (l.space == std::string_view::npos || !is_rule_code(l.t.substr(0, l.space)))
    return Verdict::kNotMine;
  record_rule(st, "ruff:" + std::string(l.t.substr(0, l.space)), byte_cut(l.t, 150));
  st.pending = Pending::kNone;
  st.after_gutter = false;
  return Verdict::kRecognized;
}

Verdict file_name(DiagState& st, const Line& l) {
  if (!is_file_line(l.t)) return Verdict::kNotMine;
  st.current_file = std::string(l.t);
  return Verdict::kContextOnly;
}

// jest's "PASS file" and TAP's "ok 3 - name".
Verdict pass_line(DiagState& st, const Line& l) {
  if (!starts_with(l.t, "PASS") && !starts_with(l.t, "ok ")) return Verdict::kNotMine;
  ++st.passed;
  st.after_tap = starts_with(l.t, "ok ");
  close_failure(st);
  return Verdict::kRecognized;
}

Verdict progress_marks(DiagState& st, const Line& l) {
  uint64_t dots = 0;
  if (!is_progress_line(l.t, dots)) return Verdict::kNotMine;
  st.passed += dots;
  return Verdict::kRecognized;
}

// "---" right under a TAP test line opens its diagnostic block.
Verdict tap_block_open(DiagState& st, const Line& l) {
  if (l.t != "---" || !l.after_tap) return Verdict::kNotMine;
  st.in_yaml = true;
  return Verdict::kRecognized;
}

// pytest explains a failure in a run of "E   " lines; its first line says
// what went wrong, the rest is a diff.
// Under its report header the first line is the failing test's message,
// listed with the test; without one it is an error line.
Verdict pytest_explanation(DiagState& st, const Line& l) {
  if (!starts_with(l.t, "E   ") && !(l.t == "E" && l.after_e_line)) return Verdict::kNotMine;
  if (!l.after_e_line && !(st.pytest_report && describe_failure(st, trim_ws(l.t.substr(1)))))
    record_error(st, l.t);
  st.after_e_line = true;
  return Verdict::kRecognized;
}

Verdict test_failure(DiagState& st, const Line& l) {
  if (!is_test_failure(l.t)) return Verdict::kNotMine;
  bool full = false;
  const std::string key = failing_test_key(l.t, full);
  record_failure(st, l.t, key, full);
  // What go test -v logged under the test before its result.
  if (!st.in_go_run) forget_early_message(st);
  take_early_message(st);
  st.after_tap = starts_with(l.t, "not ok ");
  st.in_go_run = false;
  return Verdict::kRecognized;
}

Verdict test_pass(DiagState& st, const Line& l) {
  if (!is_test_pass(l.t)) return Verdict::kNotMine;
  ++st.passed;
  close_failure(st);
  forget_early_message(st);
  st.in_go_run = false;
  return Verdict::kRecognized;
}

// "path:line[:col]: ..." of compilers, linters and test logs.
Verdict located(DiagState& st, const Line& l) {
  const auto loc = split_location(l.t);
  if (!loc) return Verdict::kNotMine;
  record_located(st, l.t, *loc);
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

// "'msg', src/x.rs:3:5" gives "src/x.rs:3:5".
std::string_view after_quote(std::string_view t) {
  const size_t close = t.rfind("', ");
  return close == std::string_view::npos ? std::string_view() : t.substr(close + 3);
}

// cargo test: "thread 'tests::x' (123) panicked at src/lib.rs:16:9:" names
// the failing test and its place ("panicked at 'msg', src/lib.rs:16:9"
// before Rust 1.73).
void locate_panicking_test(DiagState& st, std::string_view t) {
  if (!starts_with(t, "thread '")) return;
  const size_t close = t.find('\'', 8);
  const size_t at = t.find(" panicked at ");
  if (close == std::string_view::npos || at == std::string_view::npos) return;
  std::string_view place = trim_ws(t.substr(at + 13));
  if (starts_with(place, "'")) place = after_quote(place);
  if (ends_with(place, ":")) place.remove_suffix(1);
  locate_named(st, t.substr(8, close - 8), place);
}

// make's "***" lines, linker errors, panics.
Verdict failure_report(DiagState& st, const Line& l) {
  if (!is_failure_report(l.t)) return Verdict::kNotMine;
  if (is_make_echo(l.t)) {
    record_echo(st, l.t);
    return Verdict::kRecognized;
  }
  record_error(st, l.t);
  locate_panicking_test(st, l.t);
  if (ends_with(l.t, ":")) st.pending = Pending::kErrorMessage;  // the panic message follows
  return Verdict::kRecognized;
}

// Python's "File "x.py", line 3, in f": the last one before the exception
// line is where it was raised.
Verdict python_frame(DiagState& st, const Line& l) {
  const std::string_view t = l.t;
  if (starts_with(t, "Traceback (most recent call last)")) {
    st.traceback_place.clear();
    return Verdict::kRecognized;
  }
  if (!starts_with(t, "File \"") || !contains(t, "\", line ")) return Verdict::kNotMine;
  const size_t q = t.find('"', 6);
  const size_t at = t.find("\", line ") + 8;
  size_t end = at;
  while (end < t.size() && is_digit(t[end])) ++end;
  st.traceback_place = std::string(t.substr(6, q - 6)) + ":" + std::string(t.substr(at, end - at));
  locate_failure(st, st.traceback_place);  // unittest: the test's own frame comes first
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

Verdict exception(DiagState& st, const Line& l) {
  std::string_view name;
  const std::string_view jvm = jvm_exception(l.t);
  if (!exception_line(jvm.empty() ? l.t : jvm, name)) return Verdict::kNotMine;
  if (ends_with(name, "Warning")) {
    record_rule(st, std::string(name), byte_cut(l.t, 160));
  } else if (st.traceback_place.empty()) {
    record_error(st, l.t);
  } else {
    record_error(st, st.traceback_place + ": " + std::string(l.t));
    st.traceback_place.clear();
    st.in_failure_detail = st.open_failure != SIZE_MAX;
  }
  return Verdict::kRecognized;
}

Verdict context(DiagState&, const Line& l) {
  return yes(is_caret_line(l.t) || is_context_line(l.t));
}

// tsc: "x.ts(3,5): error TS2304: ..." or "x.ts:3:5 - error TS2304: ...".
Verdict typescript(DiagState& st, const Line& l) {
  const size_t at = find_bytes(l.t, "error TS");
  if (at == std::string_view::npos) return Verdict::kNotMine;
  size_t end = at + 6;  // the run starts at "TS"
  while (end < l.t.size() && is_alnum(l.t[end])) ++end;
  record_rule(st, std::string(l.t.substr(at + 6, end - at - 6)), byte_cut(l.t, 180), true);
  record_error(st, l.t);
  st.expect_source = true;
  return Verdict::kRecognized;
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

Verdict failure_line(DiagState& st, const Line& l) {
  if (!is_failure_line(l.t)) return Verdict::kNotMine;
  bool full = false;
  const std::string key = failing_test_key(l.t, full);
  record_failure(st, l.t, key, full);
  return Verdict::kRecognized;
}

// Lines that say error or warning in a shape of no tool above.
Verdict loose_error(DiagState& st, const Line& l) {
  const std::string_view t = l.t;
  if (!contains(t, "error:") && !contains(t, "Error:") && !contains(t, "ERROR:") &&
      !starts_with(t, "ERROR "))
    return Verdict::kNotMine;
  record_error(st, t);
  st.pending = Pending::kNone;
  return Verdict::kRecognized;
}

Verdict loose_warning(DiagState& st, const Line& l) {
  const std::string_view t = l.t;
  if (!contains(t, "warning:") && !contains(t, "Warning:") && !contains(t, "WARNING:"))
    return Verdict::kNotMine;
  record_rule(st, "(no-rule-id) warning", byte_cut(t, 160));
  st.pending = Pending::kNone;
  return Verdict::kRecognized;
}

// The recognisers in the order they are tried; the first that knows a
// line decides. A new tool's format is one function and one row, placed
// before any row whose shape would also take its lines.
// clang-format off
constexpr Recogniser kRecognisers[] = {
    tap_block_line,            // TAP: inside a "---" ... "..." block
    panic_message,             // the line a "panicked at x:" header announced
    failure_detail,            // unittest: the diff under a failing test's exception
    gtest_lines,               // GoogleTest: "[ RUN      ]", "x.cc:12: Failure", counts
    build_progress,            // cmake, ninja, make: progress and bookkeeping
    maven_lines,               // Maven's [INFO]/[ERROR] lines, Gradle's tasks
    numbered_failures,         // PHPUnit, RSpec: "1) Name" under their failure headers
    runner_summary,            // test runners' closing counts
    go_test_lines,             // go test: "=== RUN", a failing test's frame
    go_test_log,               // go test: "    x_test.go:12: msg" a test logged
    runner_banner,             // vitest, prove: banners and rules
    source_gutter,             // "12 | code" quotes of rustc, tsc, jest
    arrow_location_and_notes,  // rustc, ruff: "-->", "= note", "help:"
    code_first,                // ruff: "F401 message"
    file_name,                 // ESLint: the file its table rows are about
    pass_line,                 // "PASS file", TAP "ok 1 - name"
    progress_marks,            // unittest, pytest: "..F.E"
    tap_block_open,            // TAP: "---" under a test line
    pytest_explanation,        // pytest: "E   AssertionError: ..."
    pytest_header,             // pytest: "____ Class.test_x ____"
    failing_test_again,        // "test at x.js:8:1", "---- name stdout ----"
    perl_test_comment,         // prove: "#   Failed test 'x'", "#   at t/x.t line 8."
    perl_message,              // Perl: "msg at t.pl line 3."
    assertion_failed,          // C: "prog: x.c:14: main: Assertion `e' failed."
    test_failure,              // a failing test of any runner
    test_pass,                 // a passing test of any runner
    dotnet_kotlin_lines,       // MSBuild "x.cs(12,5): error CS1002", kotlinc "e: x.kt:3:1"
    located,                   // "path:line:col: ..."
    severity_header,           // "error[E0308]: ...", "warning: ..."
    tool_severity,             // "collect2: error: ..."
    failure_report,            // make "***", linker, panics
    python_frame,              // Python traceback frames
    exception,                 // "ValueError: ..."
    test_frame,                // "at f (x.test.js:8:29)", vitest "❯ x.test.js:9:29"
    context,                   // carets, banners, frames, counts
    typescript,                // tsc "error TS2304"
    table_row,                 // ESLint stylish rows
    failure_line,              // "FAIL ...", "✘ ...", AssertionError
    loose_error,               // any other "error:" line
    loose_warning,             // any other "warning:" line
};
// clang-format on

// Classifies one line (`t` trimmed, `raw` as read), updating the tallies;
// true when recognised.
bool classify(DiagState& st, std::string_view t, std::string_view raw) {
  if (t.empty()) return false;
  const Line line{
      t,           raw, t.find(' '), st.pending, st.expect_source, st.after_tap, st.after_e_line,
      st.after_ran};
  st.pending = Pending::kNone;
  st.expect_source = false;
  st.after_tap = false;
  st.after_e_line = false;
  st.after_ran = false;
  for (Recogniser recognise : kRecognisers) {
    const Verdict v = recognise(st, line);
    if (v != Verdict::kNotMine) return v == Verdict::kRecognized;
  }
  return line.expect_source;  // the quoted source line under a located diagnostic
}

void append_rules(std::string& out, const DiagState& st) {
  std::vector<const std::pair<const std::string, DiagRule>*> order;
  order.reserve(st.rules.size());
  uint64_t sum = 0;
  for (const auto& kv : st.rules) {
    order.push_back(&kv);
    sum += kv.second.count;
  }
  std::sort(order.begin(), order.end(), [](const auto* a, const auto* b) {
    if (a->second.count != b->second.count) return a->second.count > b->second.count;
    return a->first < b->first;
  });
  out += "== " + std::to_string(sum) + " diagnostics / " + std::to_string(order.size()) +
         " distinct rules ==\n";
  for (size_t i = 0; i < order.size() && i < kRulesShown; ++i) {
    const DiagRule& r = order[i]->second;
    out += pad_left(std::to_string(r.count), 4) + "x " + order[i]->first + "\n";
    const size_t shown = std::min(r.examples.size(), kExamplesShown);
    for (size_t k = 0; k < shown; ++k) out += "      " + r.examples[k] + "\n";
    // A rule of error lines only shows no examples: its lines are listed
    // in the error section.
    if (shown > 0 && r.count > shown && r.count >= 3)
      out += "      \xE2\x80\xA6 +" + std::to_string(r.count - shown) +
             " more occurrences (rerun raw for full list)\n";
  }
}

// `kept` lines were stored (a folded list shows fewer), `seen` came.
void append_list(std::string& out, const char* what, const std::vector<std::string>& lines,
                 uint64_t seen, uint64_t kept) {
  out += "== " + std::to_string(kept) + " " + what + " lines ==\n";
  for (const std::string& l : lines) out += "  " + l + "\n";
  if (seen > kept)
    out += "  \xE2\x80\xA6 +" + std::to_string(seen - kept) + " more " + what +
           " lines (rerun raw for full list)\n";
}

void append_list(std::string& out, const char* what, const std::vector<std::string>& lines,
                 uint64_t seen) {
  append_list(out, what, lines, seen, lines.size());
}

// The error lines, each text once with the number of times it came (one
// exception raised by six tests is one line), in the order first seen.
// make's echoes of the failed targets follow as a count: the errors above
// them said what failed. Alone they are the errors.
void append_errors(std::string& out, const DiagState& st) {
  if (st.errors_seen == 0) {
    append_list(out, "error", st.echoes, st.echoes_seen);
    return;
  }
  std::vector<std::string> once;
  std::vector<uint64_t> times;
  std::unordered_map<std::string_view, size_t> index;
  for (const std::string& e : st.errors) {
    const auto [it, fresh] = index.emplace(e, once.size());
    if (fresh) {
      once.push_back(e);
      times.push_back(1);
    } else {
      ++times[it->second];
    }
  }
  for (size_t k = 0; k < once.size(); ++k)
    if (times[k] > 1) once[k] += " (\xC3\x97" + std::to_string(times[k]) + ")";
  append_list(out, "error", once, st.errors_seen, st.errors.size());
  if (st.echoes_seen > 0)
    out += "  \xE2\x80\xA6 +" + std::to_string(st.echoes_seen) +
           " make \"***\" lines naming the failed targets (rerun raw for full list)\n";
}

// Paths under the working directory as the agent would type them there:
// "/home/me/proj/src/a.c:3" becomes "src/a.c:3" wherever a path may start.
std::string relative_to(std::string_view text, std::string_view here) {
  if (here.size() < 2 || here.front() != '/') return std::string(text);
  std::string prefix(here);
  if (prefix.back() != '/') prefix += '/';
  std::string out;
  out.reserve(text.size());
  size_t from = 0;
  for (size_t at = text.find(prefix); at != std::string_view::npos;
       at = text.find(prefix, at + 1)) {
    const char before = at == 0 ? '\n' : text[at - 1];
    if (std::string_view(" \t\n([\"'`=").find(before) == std::string_view::npos) continue;
    if (at + prefix.size() >= text.size() || text[at + prefix.size()] <= ' ') continue;
    out.append(text.substr(from, at - from));
    from = at + prefix.size();
  }
  out.append(text.substr(from));
  return out;
}

}  // namespace

namespace {

// "0.613 " at the front of `s`: seconds since a build step began.
size_t step_time(std::string_view s) {
  const size_t whole = digits_at(s, 0);
  if (whole == 0 || whole >= s.size() || s[whole] != '.') return 0;
  const size_t frac = digits_at(s, whole + 1);
  if (frac == 0 || whole + 1 + frac >= s.size() || s[whole + 1 + frac] != ' ') return 0;
  return whole + frac + 2;
}

// docker build (BuildKit) writes step N's output as "#N 0.613 text" and its
// own progress as "#N [2/3] RUN make", "#N DONE 0.1s", "#N CACHED"; its
// errors as "#N ERROR: ..." and "ERROR: failed to solve: ...". After the
// steps it quotes the failed step's last lines again, between "------"
// rules under " > [3/3] RUN make:". The text of a step goes on to the
// recognisers without its prefix (so "main.c:3:5: error:" is located);
// BuildKit's own lines are taken here.
enum class BuildKit { kNone, kProgress, kTaken };

BuildKit buildkit_line(DiagState& st, std::string_view& line) {
  const std::string_view t = trim_ws(line);
  if (t.size() > 2 && t[0] == '#') {
    const size_t step = digits_at(t, 1);
    if (step == 0 || 1 + step >= t.size() || t[1 + step] != ' ') return BuildKit::kNone;
    const std::string_view rest = t.substr(step + 2);
    // Only a timed line or a step header says BuildKit ("#12 fixed" in a
    // changelog does not).
    if (const size_t time = step_time(rest); time != 0) {
      st.buildkit = true;
      line = rest.substr(time);
      return BuildKit::kNone;
    }
    if (starts_with(rest, "[")) st.buildkit = true;
    if (!st.buildkit) return BuildKit::kNone;
    if (starts_with(rest, "ERROR: ")) {
      record_error(st, rest);
      return BuildKit::kTaken;
    }
    return BuildKit::kProgress;
  }
  if (!st.buildkit) return BuildKit::kNone;
  if (st.buildkit_quote) {
    if (t == "------") st.buildkit_quote = false;
    return BuildKit::kProgress;
  }
  if (starts_with(t, "> [") && ends_with(t, ":")) {
    st.buildkit_quote = true;
    return BuildKit::kProgress;
  }
  if (starts_with(t, "ERROR: ")) {
    record_error(st, t);
    return BuildKit::kTaken;
  }
  return t == "------" || starts_with(t, "Dockerfile:") ? BuildKit::kProgress : BuildKit::kNone;
}

}  // namespace

std::string diag(std::string_view input, std::string_view here) {
  // Lines are read straight from the input, escapes skipped on the way, so
  // memory grows with the rules found and not with the input.
  DiagState st;
  std::string_view line;
  // Blank lines and bare file names are not counted as unrecognised: the
  // count is of the lines the sample would show.
  uint64_t unrecognized = 0;
  for (CleanLines lines = clean_lines(input); next_clean_line(lines, line);) {
    ++st.total;
    st.clean_bytes += line.size() + 1;
    if (const BuildKit b = buildkit_line(st, line); b != BuildKit::kNone) {
      if (b == BuildKit::kProgress) ++st.progress;
      ++st.recognized;
      continue;
    }
    const std::string_view t = trim_ws(line);
    if (classify(st, t, line)) {
      ++st.recognized;
    } else if (!t.empty() && !is_file_line(t)) {
      ++unrecognized;
      if (st.sample.size() < kUnrecognizedShown) st.sample.emplace_back(byte_cut(t, 140));
    }
  }
  // A runner's own count is worth more than the pass lines seen: jest and
  // prove print none for a file that passes whole.
  // A runner's count says "N passed" or how many ran and how many did not
  // pass; a log of two runners adds both.
  if (st.summary_passed_known || st.ran_known)
    st.passed = st.summary_passed + (st.ran > st.not_passed ? st.ran - st.not_passed : 0);

  // The sections, each only when it has something under it.
  std::string out;
  if (!st.rules.empty()) append_rules(out, st);
  if (st.errors_seen + st.echoes_seen != 0) append_errors(out, st);
  if (st.failures_seen != 0) {
    std::vector<std::string> failures;
    failures.reserve(st.failures.size());
    for (const DiagFailure& f : st.failures) failures.push_back(failure_text(f));
    append_list(out, "failure", failures, st.failures_seen);
  }
  if (st.passed != 0 || !st.summaries.empty()) {
    out += "== " + std::to_string(st.passed) + " passed (suppressed) ==\n";
    for (const std::string& s : st.summaries) out += "  " + s + "\n";
    if (st.summaries_seen > st.summaries.size())
      out += "  \xE2\x80\xA6 +" + std::to_string(st.summaries_seen - st.summaries.size()) +
             " more summary lines (rerun raw for full list)\n";
  }
  if (st.progress != 0)
    out += "== " + std::to_string(st.progress) + " build progress lines (suppressed) ==\n";
  if (unrecognized != 0) {
    out += "== " + std::to_string(unrecognized) + " unrecognized lines (first 25) ==\n";
    for (const std::string& s : st.sample) out += "  " + s + "\n";
  }
  // Too little of a known shape is refused. A log with an error or a
  // failing test in it never is, however short: the refusal would hide the
  // one line that matters. So is a log whose known lines give no section
  // at all (banners, carets, quoted source): the closing line alone would
  // hide everything.
  if ((st.recognized < 3 && st.errors_seen + st.echoes_seen == 0 && st.failures_seen == 0) ||
      out.empty()) {
    out = std::string(kDiagRefusalHead) + std::to_string(st.recognized) + "/" +
          std::to_string(st.total) +
          " lines recognized as diagnostics: not a linter/compiler/test log. Use `zub trim` "
          "(near-lossless) or `zub logs` instead.]\n";
  } else {
    out += "[zub diag = 요약(원문 ~75% 소실). 개별 에러를 고치려면 `zub trim` 을 써라.]\n";
    if (!here.empty()) out = relative_to(out, here);
  }
  if (out.size() < st.clean_bytes || st.clean_bytes == 0) return out;

  // A summary or refusal no shorter than its input helps nobody: the input
  // itself, without escapes, loses nothing. It is as short as the summary, so the
  // copy stays small.
  std::string whole;
  whole.reserve(st.clean_bytes);
  for (CleanLines lines = clean_lines(input); next_clean_line(lines, line);) {
    whole += line;
    whole += '\n';
  }
  return whole;
}

int cmd_diag(std::string_view input, Output& out) {
  out.write_out(diag(input, working_dir()));
  return 0;
}

}  // namespace zub
