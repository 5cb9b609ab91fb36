#include "compress/progress.h"

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"

namespace zub {

namespace {

// Lines that begin (after their indentation) with one of these report a
// step done: package managers, cargo, apt, compilers' drivers.
constexpr std::string_view kStepHeads[] = {
    // cargo, rustup
    "Compiling ",
    "Checking ",
    "Downloaded ",
    "Downloading ",
    "Fresh ",
    "Documenting ",
    "Updating ",
    "Locking ",
    "Adding ",
    "Installing ",
    "Installed ",
    "Blocking ",
    "Unpacking ",
    "Updated ",
    // pip, uv
    "Collecting ",
    "Using cached ",
    "Requirement already satisfied: ",
    "Obtaining ",
    "Building wheel for ",
    "Created wheel for ",
    "Stored in directory: ",
    "Preparing metadata ",
    "Getting requirements ",
    "Attempting uninstall: ",
    "Found existing installation: ",
    "Uninstalling ",
    "Successfully uninstalled ",
    "Prepared ",
    "Resolved ",
    "Audited ",
    // apt, dpkg
    "Get:",
    "Hit:",
    "Ign:",
    "Setting up ",
    "Selecting previously unselected package ",
    "Preparing to unpack ",
    "Processing triggers for ",
    "(Reading database ",
    // npm, yarn, pnpm
    "npm warn deprecated ",
    "npm WARN deprecated ",
    "npm http fetch ",
    "Progress: resolved ",
    "[1/4] ",
    "[2/4] ",
    "[3/4] ",
    "[4/4] ",
    // make, kbuild, gradle, maven
    "make[",
    "CC ",
    "CXX ",
    "LD ",
    "AR ",
    "AS ",
    "> Task :",
    "[INFO] ",
    // node --test, jest, vitest, mocha
    "\xE2\x9C\x94 ",
    "\xE2\x9C\x93 ",
    "ok ",
};

// A runner's lines for one passing test alternate ("[ RUN      ]" then
// "[       OK ]"): they are one kind, named by the first.
constexpr std::string_view kTestSteps[][4] = {
    {"=== RUN ", "=== PAUSE ", "=== CONT ", "--- PASS: "},
    {"[ RUN      ] ", "[       OK ] ", "[----------] ", "[ RUN      ] "},
};

// Lines that end with one of these report a test that passed.
constexpr std::string_view kPassTails[] = {" ... ok", " ... Passed", " PASSED", " passed", " OK"};

// "[ 28%] " (cmake) or "[3/40] " (ninja) at the front of `t`.
bool has_counter_head(std::string_view t) {
  if (t.size() < 5 || t[0] != '[') return false;
  const size_t close = t.find(']');
  if (close == std::string_view::npos || close > 16 || close + 1 >= t.size() || t[close + 1] != ' ')
    return false;
  for (size_t i = 1; i < close; ++i)
    if (!is_digit(t[i]) && t[i] != ' ' && t[i] != '%' && t[i] != '/') return false;
  return true;
}

// pytest's progress: "tests/test_a.py ......        [ 40%]".
bool is_dot_progress(std::string_view t) {
  if (!ends_with(t, "%]")) return false;
  const size_t space = t.find(' ');
  if (space == std::string_view::npos) return false;
  const std::string_view marks = trim_ws(t.substr(space, t.rfind('[') - space));
  if (marks.empty()) return false;
  for (char c : marks)
    if (c != '.' && c != 's' && c != 'x' && c != ' ') return false;
  return true;
}

// ctest: "  3/50 Test  #3: name .......   Passed    0.01 sec".
bool is_ctest_pass(std::string_view t) {
  return contains(t, " Test ") && contains(t, "   Passed ");
}

// pytest -v: "test_a.py::test_x PASSED      [ 10%]".
bool is_pytest_pass(std::string_view t) {
  const size_t at = t.rfind(" PASSED ");
  if (at == std::string_view::npos) return false;
  const std::string_view rest = trim_ws(t.substr(at + 8));
  return starts_with(rest, "[") && ends_with(rest, "%]");
}

// The lines around a passing TAP test of node --test ("# Subtest: x" before
// its "ok", the indented YAML block after it): of one kind with the "ok".
bool is_tap_pass_detail(std::string_view line) {
  const std::string_view t = trim_ws(line);
  if (starts_with(t, "# Subtest: ")) return true;
  if (!starts_with(line, "  ")) return false;
  return t == "---" || t == "..." || starts_with(t, "duration_ms: ") || t == "type: 'test'";
}

}  // namespace

std::string_view progress_kind(std::string_view line) {
  const std::string_view t = trim_ws(line);
  if (t.empty()) return {};
  for (std::string_view head : kStepHeads)
    if (starts_with(t, head)) return head;
  for (const auto& steps : kTestSteps)
    for (std::string_view head : steps)
      if (starts_with(t, head)) return steps[0];
  if (has_counter_head(t)) return "[n/m] ";
  if (is_dot_progress(t)) return "pytest .... [ n%]";
  if (is_ctest_pass(t)) return "Test #n ... Passed";
  for (std::string_view tail : kPassTails)
    if (ends_with(t, tail)) return tail;
  if (is_pytest_pass(t)) return " PASSED";
  if (is_tap_pass_detail(line)) return "ok ";
  return {};
}

ProgressFold fold_progress(std::string_view text) {
  ProgressFold r;
  r.text.reserve(text.size() / 2);
  std::string_view run_kind;
  std::string_view last;  // the run's latest line
  uint64_t run_left = 0;  // lines of the current run not shown yet
  auto close_run = [&] {
    if (run_left == 1) {
      // One more line costs less than the note that would stand for it.
      r.text.append(last);
      r.text += '\n';
    } else if (run_left > 1) {
      r.text += "  \xE2\x80\xA6 (+" + std::to_string(run_left) + " more progress lines: ";
      r.text += byte_cut(trim_ws(run_kind), 40);
      r.text += "\xE2\x80\xA6)\n";
      r.folded += run_left;
    }
    run_left = 0;
  };
  for_each_line(text, [&](std::string_view line) {
    const std::string_view kind = progress_kind(line);
    if (!kind.empty() && kind.data() == run_kind.data() && kind.size() == run_kind.size()) {
      ++run_left;
      last = line;
      return;
    }
    close_run();
    run_kind = kind;
    r.text.append(line);
    r.text += '\n';
  });
  close_run();
  return r;
}

}  // namespace zub
