#include "compress/diag_shapes.h"

#include <initializer_list>

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"

namespace zub {

size_t digits_at(std::string_view t, size_t i) {
  size_t j = i;
  while (j < t.size() && is_digit(t[j])) ++j;
  return j - i;
}

bool starts_with_any(std::string_view t, std::initializer_list<std::string_view> heads) {
  for (std::string_view h : heads)
    if (starts_with(t, h)) return true;
  return false;
}

uint64_t number_at(std::string_view t, size_t i) {
  uint64_t n = 0;
  for (; i < t.size() && is_digit(t[i]); ++i)
    n = n < 1000000000000ULL ? n * 10 + static_cast<uint64_t>(t[i] - '0') : n;
  return n;
}

bool number_after(std::string_view t, std::string_view label, uint64_t& n) {
  const size_t at = t.find(label);
  if (at == std::string_view::npos || digits_at(t, at + label.size()) == 0) return false;
  n = number_at(t, at + label.size());
  return true;
}

uint64_t count_of(std::string_view t, std::string_view word) {
  for (size_t at = t.find(word); at != std::string_view::npos; at = t.find(word, at + 1)) {
    if (at < 2 || t[at - 1] != ' ' || !is_digit(t[at - 2])) continue;
    size_t start = at - 1;
    while (start > 0 && is_digit(t[start - 1])) --start;
    return number_at(t, start);
  }
  return 0;
}

bool may_be_count_line(std::string_view t) {
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

std::string_view after_last(std::string_view t, std::string_view sep) {
  const size_t at = t.rfind(sep);
  return at == std::string_view::npos ? t : t.substr(at + sep.size());
}

namespace {

bool is_ident(char c) { return is_alnum(c) || c == '_'; }

bool contains_any(std::string_view t, std::initializer_list<std::string_view> needles) {
  for (std::string_view n : needles)
    if (contains(t, n)) return true;
  return false;
}

// "word:" or "word[code]:" at the start of `t`; the rest after the colon.
bool take_word(std::string_view t, std::string_view word, std::string_view& code,
               std::string_view& rest) {
  if (!starts_with(t, word)) return false;
  size_t i = word.size();
  code = {};
  if (i < t.size() && t[i] == '[') {
    const size_t close = t.find(']', i);
    if (close == std::string_view::npos || close == i + 1) return false;
    code = t.substr(i + 1, close - i - 1);
    for (char c : code)
      if (!is_ident(c) && c != '-' && c != ':') return false;
    i = close + 1;
  }
  if (i >= t.size() || t[i] != ':') return false;
  if (i + 1 < t.size() && t[i + 1] != ' ') return false;
  rest = trim_ws(t.substr(i + 1));
  return true;
}

// The text after "at " in a stack frame: a call with a location in
// parentheses, or a bare location.
bool is_frame(std::string_view t) {
  if (!starts_with(t, "at ")) return false;
  if (ends_with(t, ")")) return true;
  for (size_t i = 3; i + 1 < t.size(); ++i)
    if (t[i] == ':' && is_digit(t[i + 1])) return true;
  return false;
}

// "  3: core::panicking::panic" in a Rust backtrace.
bool is_numbered_frame(std::string_view t) {
  const size_t n = digits_at(t, 0);
  return n > 0 && n + 1 < t.size() && t[n] == ':' && t[n + 1] == ' ';
}

// ctest's "3/40 Test  #3: name ....   Passed  0.01 sec": the count is
// padded, so "Test" and "#" stand one or more spaces apart.
bool is_ctest_result(std::string_view t) {
  const size_t at = find_bytes(t, " Test ");
  if (at == std::string_view::npos) return false;
  const size_t hash = t.find_first_not_of(' ', at + 6);
  return hash != std::string_view::npos && t[hash] == '#';
}

// "Start 12: name", "Start   3: name".
bool is_ctest_start(std::string_view t) {
  if (!starts_with(t, "Start ")) return false;
  const size_t n = t.find_first_not_of(' ', 6);
  return n != std::string_view::npos && digits_at(t, n) > 0;
}

bool all_of(std::string_view t, std::string_view allowed) {
  return !t.empty() && t.find_first_not_of(allowed) == std::string_view::npos;
}

}  // namespace

SeverityHead severity_head(std::string_view t) {
  SeverityHead h;
  std::string_view code, rest;
  if (take_word(t, "error", code, rest) || take_word(t, "fatal error", code, rest)) {
    h.severity = Severity::kError;
  } else if (take_word(t, "warning", code, rest)) {
    h.severity = Severity::kWarning;
  } else if (take_word(t, "note", code, rest) || take_word(t, "remark", code, rest)) {
    h.severity = Severity::kNote;
  } else {
    return h;
  }
  h.code = code;
  h.message = rest;
  return h;
}

std::optional<Located> split_location(std::string_view t) {
  bool letter = false;
  for (size_t i = 0; i < t.size(); ++i) {
    const char c = t[i];
    if (c == ' ' || c == '\t') return std::nullopt;
    if (c != ':') {
      letter |= is_alpha(c);
      continue;
    }
    const size_t line = digits_at(t, i + 1);
    if (line == 0) continue;  // "C:" or "file.c:(.text+0x1)"
    size_t end = i + 1 + line;
    if (end >= t.size() || t[end] != ':') return std::nullopt;  // "x.go:12 +0x3"
    if (const size_t col = digits_at(t, end + 1); col > 0) {
      end += 1 + col;
      if (end >= t.size() || t[end] != ':') return std::nullopt;  // "x.ts:7:49 - error"
    }
    if (i == 0 || !letter) return std::nullopt;
    if (end + 1 < t.size() && t[end + 1] != ' ') return std::nullopt;
    return Located{t.substr(0, i), t.substr(0, end), trim_ws(t.substr(end + 1))};
  }
  return std::nullopt;
}

std::string_view trailing_rule(std::string_view t) {
  if (!ends_with(t, "]")) return {};
  const size_t open = t.rfind('[');
  if (open == std::string_view::npos) return {};
  std::string_view key = t.substr(open + 1, t.size() - open - 2);
  if (key.empty() || key.size() > 80) return {};
  bool letter = false;
  for (char c : key) {
    if (c == ' ' || c == '\t') return {};
    letter |= is_alpha(c);
  }
  if (!letter) return {};
  if (const size_t comma = key.rfind(','); comma != std::string_view::npos)
    key = key.substr(comma + 1);
  return key;
}

bool is_rule_code(std::string_view w) {
  if (w.size() < 3 || w.size() > 8 || !is_upper(w[0])) return false;
  bool digit = false;
  for (size_t i = 0; i < w.size(); ++i) {
    if (!is_alnum(w[i])) return false;
    if (i > 0 && is_digit(w[i])) digit = true;
  }
  return digit;
}

bool exception_line(std::string_view t, std::string_view& name) {
  size_t i = 0;
  if (t.empty() || !(is_alpha(t[0]) || t[0] == '_')) return false;
  while (i < t.size() && (is_ident(t[i]) || t[i] == '.')) ++i;
  std::string_view word = t.substr(0, i);
  if (!ends_with(word, "Error") && !ends_with(word, "Exception") && !ends_with(word, "Warning") &&
      word != "KeyboardInterrupt")
    return false;
  // The last dotted part must itself be a class name: "Error", "ValueError".
  const size_t dot = word.rfind('.');
  const std::string_view last = dot == std::string_view::npos ? word : word.substr(dot + 1);
  if (last.empty() || !is_upper(last[0])) return false;
  std::string_view after = t.substr(i);
  if (starts_with(after, " [")) {  // node: "AssertionError [ERR_ASSERTION]: m"
    const size_t close = after.find(']');
    if (close == std::string_view::npos) return false;
    after = after.substr(close + 1);
  }
  if (!after.empty() && !starts_with(after, ": ") && after != ":") return false;
  name = word;
  return true;
}

bool is_caret_line(std::string_view t) {
  return all_of(t, "^~ ") && t.find_first_of("^~") != std::string_view::npos;
}

bool is_context_line(std::string_view t, const BytePairs& pairs) {
  if (t == "OK" || starts_with(t, "OK (")) return true;
  if (all_of(t, "-") && t.size() >= 3) return true;
  if (starts_with(t, "___") || starts_with(t, "_ _ _")) return true;
  if (starts_with_any(t, {"In file included from ",
                          "Traceback (most recent call last)",
                          "During handling of the above exception",
                          "The above exception was the direct cause",
                          "TAP version ",
                          "# Subtest: ",
                          "# tests ",
                          "# suites ",
                          "# pass ",
                          "# fail ",
                          "# cancelled ",
                          "# skipped ",
                          "# todo ",
                          "# duration_ms ",
                          "=== RUN",
                          "=== PAUSE",
                          "=== CONT",
                          "=== NAME",
                          "--- SKIP",
                          "goroutine ",
                          "created by ",
                          "Compiling ",
                          "Checking ",
                          "Finished ",
                          "Running ",
                          "Doc-tests ",
                          "failures:",
                          "stack backtrace:",
                          "Some errors have detailed explanations",
                          "For more information about",
                          "Test Suites:",
                          "Tests:",
                          "Snapshots:",
                          "Time:",
                          "Ran all test suites",
                          "Test project ",
                          "Total Test time",
                          "The following tests FAILED",
                          "Errors while running CTest",
                          "Output from these tests are in",
                          "Use \"--rerun-failed",
                          "compilation terminated.",
                          "Node.js v",
                          "platform ",
                          "rootdir: ",
                          "cachedir: ",
                          "plugins: ",
                          "configfile: ",
                          "collected "}))
    return true;
  if (starts_with(t, "from ") && (ends_with(t, ":") || ends_with(t, ","))) return true;
  if (starts_with(t, "from ") && contains(t, ":in ")) return true;  // a Ruby backtrace
  if (ends_with(t, ":") &&
      contains_any(t, {": In ", ": At global scope", ": At top level", ": in function `"}))
    return true;
  if (starts_with(t, "Ran ") && contains(t, " test")) return true;
  if (starts_with(t, "running ") && contains(t, " test")) return true;
  if (starts_with(t, "1..") && digits_at(t, 3) + 3 == t.size()) return true;
  if (is_ctest_start(t)) return true;
  if (starts_with(t, "Found ") && contains(t, "error")) return true;
  static constexpr BytePairs kGenerated = byte_pairs(" generated");
  if (may_hold(pairs, kGenerated) && contains(t, " generated") &&
      contains_any(
          t, {"errors generated", "error generated", "warnings generated", "warning generated"}))
    return true;
  static constexpr BytePairs kPassed = byte_pairs("% tests passed");
  static constexpr BytePairs kProblems = byte_pairs(" problems (");
  static constexpr BytePairs kTreated = byte_pairs("warnings being treated as errors");
  if ((may_hold(pairs, kPassed) && contains(t, "% tests passed")) ||
      (may_hold(pairs, kProblems) && contains(t, " problems (")) ||
      (may_hold(pairs, kTreated) && contains(t, "warnings being treated as errors")))
    return true;
  if (starts_with(t, "test result: ") && !contains(t, "FAILED")) return true;
  if (starts_with(t, "---- ") && ends_with(t, " ----"))
    return true;                           // cargo test's captured output
  if (starts_with(t, ">  ")) return true;  // pytest marks the failing line
  if (ends_with(t, " ... skipped") || contains(t, " ... skipped ")) return true;
  if (is_frame(t) || is_numbered_frame(t)) return true;
  static constexpr BytePairs kGoFrame = byte_pairs(" +0x");
  if (may_hold(pairs, kGoFrame) && contains(t, ".go:") && contains(t, " +0x"))
    return true;  // goroutine frame location
  return false;
}

bool is_test_failure(std::string_view t) {
  // ctest: "2/4 Test #2: name ....***Failed  0.01 sec", "  2 - name (Failed)".
  if (contains(t, "***") && is_ctest_result(t)) return true;
  if (const size_t n = digits_at(t, 0);
      n > 0 && t.substr(n, 3) == " - " && ends_with(t, ")") &&
      contains_any(t, {"(Failed)", "(Timeout)", "(SEGFAULT)", "(Not Run)", "(Exception)",
                       "(Subprocess aborted)"}))
    return true;
  // cargo test and unittest -v: "test a::b ... FAILED", "test_x (m.T.test_x) ... ERROR".
  const bool tail =
      ends_with(t, " ... FAILED") || ends_with(t, " ... FAIL") || ends_with(t, " ... ERROR");
  // go test, TAP, jest, unittest, pytest, spec reporters.
  const bool head = tail ||
                    starts_with_any(t, {"--- FAIL:", "not ok ", "\xE2\x97\x8F ",  // ●
                                        "\xE2\x9C\x95 ", "\xE2\x9C\x96 ",         // ✕ ✖
                                        "ERROR: "}) ||
                    (starts_with(t, "ERROR ") && contains(t, "::")) ||
                    (starts_with(t, "test result: ") && contains(t, "FAILED"));
  // ESLint's closing count, "✖ 3 problems (...)", is none.
  return head && !contains(t, " problems (");
}

bool is_test_pass(std::string_view t) {
  if (contains(t, "   Passed") && is_ctest_result(t)) return true;
  if (ends_with(t, " ... ok")) return true;
  return starts_with_any(t, {"--- PASS:", "\xE2\x9C\x93 ", "\xE2\x9C\x94 "});  // ✓ ✔
}

bool is_progress_line(std::string_view t, uint64_t& dots) {
  std::string_view marks = t;
  if (ends_with(t, "%]")) {  // pytest: "test_x.py ..F.  [ 50%]", a wrapped "....  [ 60%]"
    const size_t open = t.rfind('[');
    const size_t space = t.find(' ');
    if (open == std::string_view::npos || space == std::string_view::npos || space >= open)
      return false;
    const std::string_view after = trim_ws(t.substr(space + 1, open - space - 1));
    marks = after.empty() ? t.substr(0, space) : after;
  } else if (t.size() < 4) {
    return false;
  }
  if (!all_of(marks, ".FEsxX")) return false;
  dots = 0;
  for (char c : marks) dots += c == '.';
  return true;
}

std::string_view frame_place(std::string_view t) {
  if (starts_with(t, "at ")) t = t.substr(3);
  if (ends_with(t, ")")) {
    const size_t open = t.rfind('(');
    if (open == std::string_view::npos) return {};
    t = t.substr(open + 1, t.size() - open - 2);
  }
  if (starts_with(t, "file://")) t = t.substr(7);
  if (t.empty() || t.find(' ') != std::string_view::npos || starts_with(t, "node:") ||
      starts_with(t, "/rustc/") || contains(t, "node_modules") || contains(t, "<anonymous>"))
    return {};
  for (size_t i = 1; i < t.size(); ++i)
    if (t[i] == ':' && digits_at(t, i + 1) > 0) return t;
  return {};
}

bool is_file_line(std::string_view t) {
  if (t.find('/') == std::string_view::npos && t.find('\\') == std::string_view::npos) return false;
  // Tab-separated columns ("FAIL\tpkg/x\t0.01s") are no path.
  if (t.find_first_of(" \t") != std::string_view::npos) return false;
  const size_t dot = t.rfind('.');
  const size_t ext = dot == std::string_view::npos ? t.size() : t.size() - dot - 1;
  return ext >= 1 && ext <= 5;
}

bool is_make_failure(std::string_view t) {
  // make: "make: *** [Makefile:2: app] Error 1", "make[1]: *** ...".
  if (starts_with(t, "make") || starts_with(t, "gmake")) {
    const size_t colon = t.find(": *** ");
    if (colon != std::string_view::npos && t.substr(0, colon).find(' ') == std::string_view::npos)
      return true;
  }
  return starts_with(t, "ninja: build stopped");
}

bool is_link_failure(std::string_view t) {
  return contains(t, "undefined reference to ") || contains(t, "multiple definition of ");
}

bool is_crash_or_shell_error(std::string_view t) {
  // A process the shell saw die: "Segmentation fault (core dumped)",
  // "./run.sh: line 3: 811 Killed  ./app", a bare "Killed".
  if (contains(t, "Segmentation fault") || contains(t, "(core dumped)") || t == "Killed" ||
      t == "Aborted" || t == "Bus error" || t == "Illegal instruction")
    return true;
  // The shell's own: "bash: line 1: x: command not found", "sh: 1: x: not
  // found", "./x.sh: line 3: syntax error near unexpected token `fi'".
  if (ends_with(t, ": command not found") || contains(t, "syntax error near unexpected token") ||
      (contains(t, ": Permission denied") && contains(t, ": line ")))
    return true;
  const size_t colon = t.find(": ");
  if (colon != std::string_view::npos && colon > 0 &&
      t.substr(0, colon).find(' ') == std::string_view::npos) {
    const std::string_view shell = t.substr(0, colon);
    const std::string_view rest = t.substr(colon + 2);
    if ((shell == "sh" || shell == "bash" || shell == "dash" || shell == "zsh" ||
         ends_with(shell, "/sh") || ends_with(shell, "/bash")) &&
        digits_at(rest, 0) > 0 && ends_with(rest, ": not found"))
      return true;
  }
  // git's and many tools' "fatal: not a git repository ...".
  if (starts_with(t, "fatal: ")) return true;
  // Ruby: "x.rb:3:in `foo': undefined method `bar' for nil (NoMethodError)".
  const size_t rb = t.find(".rb:");
  if (rb != std::string_view::npos && t.find(' ') > rb) {
    const size_t d = digits_at(t, rb + 4);
    if (d > 0 && t.substr(rb + 4 + d, 4) == ":in " && ends_with(t, ")")) return true;
  }
  return false;
}

namespace {

// The length of "make: " or "make[12]: " (gmake too) at the start, else 0.
size_t make_prefix(std::string_view t) {
  size_t i = starts_with(t, "make") ? 4 : starts_with(t, "gmake") ? 5 : 0;
  if (i == 0) return 0;
  if (i < t.size() && t[i] == '[') {
    const size_t n = digits_at(t, i + 1);
    if (n == 0 || i + 1 + n >= t.size() || t[i + 1 + n] != ']') return 0;
    i += n + 2;
  }
  return t.substr(i, 2) == ": " ? i + 2 : 0;
}

}  // namespace

bool is_make_echo(std::string_view t) {
  const size_t p = make_prefix(t);
  if (p == 0 || t.substr(p, 5) != "*** [") return false;
  const size_t e = t.rfind("] Error ");
  return e != std::string_view::npos && e + 8 < t.size() && digits_at(t, e + 8) == t.size() - e - 8;
}

namespace {

// What apt and pip print while they fetch and install: every line of it is
// progress, and a Dockerfile's build is mostly that.
bool is_install_progress(std::string_view t) {
  // "Downloading x failed: error ..." is no progress.
  if (contains(t, "rror") || contains(t, "ailed")) return false;
  if (starts_with_any(t, {"Get:", "Hit:", "Ign:"})) {
    const size_t n = digits_at(t, 4);
    return n > 0 && t.substr(4 + n, 1) == " ";
  }
  return starts_with_any(
      t, {"Fetched ", "Reading package lists...", "Building dependency tree",
          "Reading state information...", "Selecting previously unselected package ",
          "Preparing to unpack ", "Unpacking ", "Setting up ", "Processing triggers for ",
          "Collecting ", "Downloading ", "Installing collected packages: ",
          "Successfully installed ", "Requirement already satisfied: ", "Using cached "});
}

}  // namespace

bool is_build_progress(std::string_view t) {
  if (is_install_progress(t)) return true;
  if (starts_with(t, "[")) {
    size_t i = 1;
    while (i < t.size() && t[i] == ' ') ++i;
    const size_t n = digits_at(t, i);
    if (n == 0) return false;
    i += n;
    if (t.substr(i, 3) == "%] ") return true;  // cmake's makefiles
    if (i < t.size() && t[i] == '/') {         // ninja
      const size_t m = digits_at(t, i + 1);
      return m > 0 && t.substr(i + 1 + m, 2) == "] ";
    }
    return false;
  }
  const size_t p = make_prefix(t);
  if (p == 0) return false;
  const std::string_view rest = t.substr(p);
  return starts_with_any(rest, {"Entering directory", "Leaving directory", "Nothing to be done"}) ||
         (starts_with(rest, "Target '") && ends_with(rest, "' not remade because of errors.")) ||
         ends_with(rest, "' is up to date.");
}

}  // namespace zub
