// What diag gathers while it reads a log line by line: the rule table with
// examples, the error and failure lines it keeps, the pass count, a sample
// of unrecognised lines, and the little memory of the lines just before
// (a header waiting for its "-->" place, a TAP block, a traceback frame)
// that lets a later line complete an earlier one. The recording functions
// keep every list bounded. Single-threaded; one state per summary.
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
enum class Pending { kNone, kErrorLocation, kRuleLocation, kErrorMessage, kTapMessage };

struct DiagState {
  std::unordered_map<std::string, DiagRule> rules;
  std::vector<std::string> failures;
  std::vector<std::string> errors;
  std::vector<std::string> sample;  // first unrecognised lines, cut
  uint64_t failures_seen = 0;
  uint64_t errors_seen = 0;
  uint64_t total = 0;
  uint64_t recognized = 0;
  uint64_t passed = 0;
  uint64_t clean_bytes = 0;  // the escape-free text with every line ended
  std::string current_file;  // prefix for examples of table-style lines
  bool after_gutter = false;

  Pending pending = Pending::kNone;
  size_t pending_index = 0;
  std::string pending_key;
  std::string traceback_place;    // "path:line" of the last traceback frame
  bool expect_source = false;     // the next line may quote the source
  bool after_tap = false;         // the last line was a TAP test line
  bool in_yaml = false;           // inside a TAP diagnostic block
  bool after_e_line = false;      // pytest's "E   " explanation runs
  size_t tap_failure = SIZE_MAX;  // the stored "not ok" line its block describes
  bool tap_located = false;       // that line has its place already
};

// Counts an occurrence under `key`. Error lines are listed in full in
// their own section, so only the other lines serve as examples.
void record_rule(DiagState& st, std::string key, std::string_view example, bool error = false);
void record_error(DiagState& st, std::string_view line);
void record_failure(DiagState& st, std::string_view t);

// Puts the place a "-->" line names in front of the header stored last.
void attach_location(DiagState& st, Pending pending, std::string_view place);

// A line of a failing TAP test's indented block: its "location:" and its
// "error:" message go onto the failure line.
void add_tap_detail(DiagState& st, std::string_view t, bool message_line);

// The rule key of a diagnostic: its code, else the trailing "[rule]", else
// "(no-rule-id) error|warning".
std::string severity_key(Severity sev, std::string_view code, std::string_view line);

// An error line is also counted under its rule when it names one.
void count_error_rule(DiagState& st, std::string_view code, std::string_view line);

// A diagnostic with its place in front ("main.c:3:5: error: ...").
void record_located(DiagState& st, std::string_view t, const Located& loc);

}  // namespace zub
