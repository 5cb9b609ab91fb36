// What diag gathers while it reads a log line by line, shared by every tool
// family: the rule table with examples, the error lines and failing tests
// it keeps (each test with the place where it failed), the pass count and
// the test runners' own summary lines, a sample of unrecognised lines, and
// what one family's lines leave for the next line or another family (a
// header waiting for its "-->" place, the failing test whose details
// follow, the directory make entered). The recording functions keep every
// list bounded. Single-threaded; one state per summary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "compress/diag_shapes.h"

namespace zub {

inline constexpr size_t kDiagErrorBytes = 220;

struct DiagRule {
  uint64_t count = 0;
  std::vector<std::string> examples;
};

// Where the line after a header may add to what the header stored: a
// "-->" location for a header printed before its place, or the message
// line under a panic header.
enum class Pending {
  kNone,
  kErrorLocation,
  kRuleLocation,
  kErrorMessage,
  kTapMessage,
  kTapStack,      // the first frame under a TAP block's "stack:"
  kGoFrame,       // the place under a failing Go test's own frame
  kGtestMessage,  // what failed, under GoogleTest's "x.cc:12: Failure"
};

// A failing test as the runner names it, and where it failed.
struct DiagFailure {
  std::string line;     // the runner's line naming the test, cut
  std::string key;      // the test's name as the runner's other lines give it
  std::string place;    // "path:line[:col]" of the failure, when known
  std::string raised;   // "path:line" of the frame that raised, when not `place`
  std::string message;  // what went wrong, from a TAP block or pytest's "E" line
  std::string form;     // the line's first bytes, digits as 0: which kind of line
  bool full = false;    // the line names the suite or file as well
  bool merged = false;  // a second line about the same test was folded in
  uint32_t more = 0;    // further messages of the same test, counted
};

struct DiagState {
  std::unordered_map<std::string, DiagRule> rules;
  std::vector<DiagFailure> failures;
  std::vector<std::string> errors;
  // make's echoes of failed recipes: listed only when no error came before
  // them, else counted (the errors above already say what failed).
  std::vector<std::string> echoes;
  uint64_t echoes_seen = 0;
  uint64_t progress = 0;            // build progress lines, counted and left out
  std::vector<std::string> sample;  // first unrecognised lines, cut
  uint64_t failures_seen = 0;
  uint64_t errors_seen = 0;
  uint64_t total = 0;
  uint64_t recognized = 0;
  uint64_t passed = 0;
  uint64_t clean_bytes = 0;  // the escape-free text with every line ended

  // The runners' own closing counts: kept whole, and they count passes.
  std::vector<std::string> summaries;
  uint64_t summaries_seen = 0;
  bool summary_passed_known = false;  // a line said "N passed"
  uint64_t summary_passed = 0;
  bool ran_known = false;  // a line said how many ran, others how many did not pass
  uint64_t ran = 0;
  uint64_t not_passed = 0;

  // What one family's lines tell another's. Each family's own memory is
  // in its own state (diag_family.h); these are read across families.
  Pending pending = Pending::kNone;  // set for the next line only
  size_t pending_index = 0;
  std::string pending_key;
  bool expect_source = false;          // the next line may quote the source
  std::string current_file;            // the file the lines are about (ESLint, rustc's "-->")
  std::vector<std::string> make_dirs;  // the directories make said it entered, innermost last
  // The line number of javac's last "x.java:3: error:" line: its "symbol:"
  // and "location:" lines follow the quoted source and the caret.
  uint64_t javac_error_line = 0;
  // unittest's lines after a failing test's exception (the values' diff),
  // up to the next rule or test: part of that failure.
  bool in_failure_detail = false;

  // The failing test whose details (frames, places) the next lines give.
  size_t open_failure = SIZE_MAX;
  bool pytest_report = false;  // it was opened by pytest's report header
  bool repeats = false;        // node's "✖ failing tests:" list repeats the failures
  // A place printed while no failure was open, for the failure line that
  // follows it (go test -v logs before "--- FAIL").
  std::string early_place;
  bool in_go_run = false;  // between go test -v's "=== RUN" and its result
  // GoogleTest prints what failed before the line naming the test: the
  // first failure's message lines, joined, wait here for it.
  std::string early_message;
  uint32_t early_message_lines = 0;
  uint32_t early_more = 0;  // further "Failure" lines of the same test
};

// Counts an occurrence under `key`. Error lines are listed in full in
// their own section, so only the other lines serve as examples.
void record_rule(DiagState& st, std::string key, std::string_view example, bool error = false);
void record_error(DiagState& st, std::string_view line);
void record_echo(DiagState& st, std::string_view line);

// Records a failing test's line. `key` is its name as the runner's other
// lines about it give it; a line whose key matches an earlier failure not
// yet merged is folded into it (a runner names each failing test in its
// progress and again in its report), unless both name the suite or file
// (`full`) or both are the same kind of line outside a list of repeats:
// then they are two tests of one name (two packages' TestParse). The
// failure recorded or folded into is the open one.
void record_failure(DiagState& st, std::string_view t, std::string_view key = {},
                    bool full = false);

// The failing test whose details the next lines give, or nullptr.
DiagFailure* open_failure(DiagState& st);

// Gives the open failure its place unless it has one. True when taken.
bool locate_failure(DiagState& st, std::string_view place);

// Gives the open failure its message unless it has one. True when taken.
bool describe_failure(DiagState& st, std::string_view message);

// What was gathered before a failing test's line (GoogleTest's "Failure"
// blocks, what go test -v logged): its first message and the count of the
// others go to the test just named, and the gathering starts again.
void take_early_message(DiagState& st);
void forget_early_message(DiagState& st);

// Gives the failure named `key` its place unless it has one.
void locate_named(DiagState& st, std::string_view key, std::string_view place);

// No failure is open: a pass or a new test began.
void close_failure(DiagState& st);

// The failure line as listed: the runner's line, " at " its place, and
// ": " its message unless the line already holds it.
std::string failure_text(const DiagFailure& f);

// Keeps a runner's summary line.
void record_summary(DiagState& st, std::string_view t);

// Puts the place a "-->" line names in front of the header stored last.
void attach_location(DiagState& st, Pending pending, std::string_view place);

// The rule key of a diagnostic: its code, else the trailing "[rule]", else
// "(no-rule-id) error|warning".
std::string severity_key(Severity sev, std::string_view code, std::string_view line);

// An error line is also counted under its rule when it names one.
void count_error_rule(DiagState& st, std::string_view code, std::string_view line);

// A runner's count line said `n` passed.
void count_passed(DiagState& st, uint64_t n);
// A runner's count line said how many ran and how many of them did not pass.
void count_ran(DiagState& st, uint64_t ran, uint64_t not_passed);

}  // namespace zub
