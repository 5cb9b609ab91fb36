// Line shapes of compiler, linter and test-runner output that diag
// recognises beyond its rule tables: located diagnostics
// ("path:line:col: error: ..."), severity headers ("error[E0308]: ..."),
// exception lines of tracebacks, test-runner result lines and the context
// lines around them (source quotes, carets, stack frames, run banners).
// Every function looks at one line trimmed of white space. Pure;
// thread-safe.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>

namespace zub {

// The pairs of adjacent bytes a text holds, hashed into 128 bits: a cheap
// test that a line cannot contain a word (a word's pairs must all be in
// the line's). Made once per line; a word's at compile time.
struct BytePairs {
  uint64_t bits[2] = {0, 0};
};

constexpr unsigned pair_slot(unsigned char a, unsigned char b) {
  return (static_cast<unsigned>(a) * 37u + static_cast<unsigned>(b)) & 127u;
}

constexpr BytePairs byte_pairs(std::string_view s) {
  BytePairs p;
  for (size_t i = 1; i < s.size(); ++i) {
    const unsigned k =
        pair_slot(static_cast<unsigned char>(s[i - 1]), static_cast<unsigned char>(s[i]));
    p.bits[k >> 6] |= uint64_t{1} << (k & 63);
  }
  return p;
}

// False when a text with pairs `line` cannot contain the word with pairs
// `word`; true when it may.
constexpr bool may_hold(const BytePairs& line, const BytePairs& word) {
  return (line.bits[0] & word.bits[0]) == word.bits[0] &&
         (line.bits[1] & word.bits[1]) == word.bits[1];
}

// The number of ASCII digits from byte `i` on.
size_t digits_at(std::string_view t, size_t i);
bool starts_with_any(std::string_view t, std::initializer_list<std::string_view> heads);
// The decimal number at byte `i` (capped far above any test count).
uint64_t number_at(std::string_view t, size_t i);
// The number just after the first `label` in `t` ("4" of "out of 4" for
// "out of "), or false when no digit follows it.
bool number_after(std::string_view t, std::string_view label, uint64_t& n);
// The number written just before " `word`" ("2 failed, 6 passed" gives 6
// for "passed"); 0 when there is none.
uint64_t count_of(std::string_view t, std::string_view word);
// The first bytes of every test runner's count line ("Tests", "==", "50%",
// "Ran", "FAILED", "OK", "# pass", "ℹ", "test result", "All tests"), or
// its closing ")" (prove's "t/x.t (Wstat: ...)"): most lines are ruled
// out at once.
bool may_be_count_line(std::string_view t);
// What follows the last `sep` in `t`, or `t` when there is none.
std::string_view after_last(std::string_view t, std::string_view sep);

enum class Severity { kNone, kError, kWarning, kNote };

// A line that opens with a severity word: "error: m", "fatal error: m",
// "error[E0308]: m", "warning: m", "note: m", "remark: m". `code` is the
// bracketed code after the word, `message` the text after the colon.
struct SeverityHead {
  Severity severity = Severity::kNone;
  std::string_view code;
  std::string_view message;
};
SeverityHead severity_head(std::string_view t);

// "path:line: rest" or "path:line:col: rest": the path has no spaces and
// holds a letter, the numbers are decimal. `rest` is trimmed.
struct Located {
  std::string_view path;
  std::string_view where;  // "path:line[:col]"
  std::string_view rest;
};
std::optional<Located> split_location(std::string_view t);

// The rule name in a trailing "[...]" ("[-Wunused-variable]",
// "[-Werror,-Wformat]" gives -Wformat, "[assignment]"), or empty. A bracket
// holding spaces or no letter is no rule name.
std::string_view trailing_rule(std::string_view t);

// A rule code such as F401 or E501 (3 to 8 ASCII letters and digits, a
// capital first, a digit after it).
bool is_rule_code(std::string_view w);

// "ValueError: m", "json.decoder.JSONDecodeError: m", "KeyError",
// "AssertionError [ERR_ASSERTION]: m", "DeprecationWarning: m": sets `name`.
bool exception_line(std::string_view t, std::string_view& name);

// "^~~~", "~~^~~", "  ^": marks under a quoted source line.
bool is_caret_line(std::string_view t);

// Banners, separators, stack frames and closing counts of compilers and
// test runners: recognised, worth nothing in a summary. `pairs` are `t`'s.
bool is_context_line(std::string_view t, const BytePairs& pairs);

// A test-runner line that names a failing test (ctest, cargo test, go
// test, TAP, jest, unittest, pytest, spec reporters).
bool is_test_failure(std::string_view t);

// A test-runner line that reports one passing test.
bool is_test_pass(std::string_view t);

// Progress lines of unittest and pytest (".F.E", "test_x.py ..F  [100%]");
// sets `dots` to the number of passes they show.
bool is_progress_line(std::string_view t, uint64_t& dots);

// The place a stack frame names: "at f (x.js:3:9)", "f (x.js:3:9)",
// "at x.js:3:9". Empty when it names none, and for frames in the runtime
// ("node:internal/...", "<anonymous>", "/rustc/...") or under node_modules, which are
// not where a test failed.
std::string_view frame_place(std::string_view t);

// A bare path on its own line, naming the file the following lines are
// about ("src/app.tsx"); tab-separated columns are no path.
bool is_file_line(std::string_view t);

// make's "***" lines and ninja's "build stopped".
bool is_make_failure(std::string_view t);

// A linker's "undefined reference to", "multiple definition of".
bool is_link_failure(std::string_view t);

// A crash the shell reported, the shell's own errors (a command not found,
// a script's syntax error), "fatal:" lines, a Ruby exception's first line.
bool is_crash_or_shell_error(std::string_view t);

// make's echo of a recipe that failed ("make[2]: *** [x.make:90: a.o]
// Error 1"): it names the target, the error itself came before it.
bool is_make_echo(std::string_view t);

// A build tool's progress and bookkeeping: cmake's "[ 28%] Building ...",
// ninja's "[3/40] ...", make's "Entering directory", "Nothing to be done",
// "Target 'x' not remade because of errors.".
bool is_build_progress(std::string_view t);

}  // namespace zub
