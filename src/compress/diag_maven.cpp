// Maven: "[INFO]" lines are its progress, "[ERROR]" and "[WARNING]" lines
// carry javac's diagnostics with their place in brackets, Surefire's
// failing tests and counts, and the build's own failure line; its advice
// on how to rerun is left out. Gradle: "> Task :x:y" lines are progress.
// javac's "symbol:" and "location:" lines, under Maven or javac's own
// error lines, go onto the error they explain.
#include <string>
#include <utility>

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

// Maven's own advice under a failed build, and its banners.
bool maven_chatter(std::string_view t) {
  return t.empty() || t == "COMPILATION ERROR :" || t == "-> [Help 1]" ||
         starts_with_any(t, {"To see the full stack trace", "Re-run Maven using",
                             "For more information about the errors", "[Help ",
                             "Failures:", "Errors:", "Tests in error:", "Failed tests:", "Results:",
                             "After correcting the problems", "mvn <args> -rf"});
}

// javac's place as Maven prints it, "/x/App.java:[12,9] msg", as the
// compilers' "/x/App.java:12:9: error: msg"; empty when `t` has none.
std::string javac_place(std::string_view t, const char* severity) {
  const size_t open = t.find(":[");
  if (open == std::string_view::npos || open == 0) return {};
  const size_t line = digits_at(t, open + 2);
  if (line == 0 || t.size() <= open + 2 + line || t[open + 2 + line] != ',') return {};
  const size_t col_at = open + 3 + line;
  const size_t col = digits_at(t, col_at);
  if (col == 0 || t.size() <= col_at + col || t[col_at + col] != ']') return {};
  std::string out(t.substr(0, open));
  out += ':';
  out += t.substr(open + 2, line);
  out += ':';
  out += t.substr(col_at, col);
  out += ": ";
  out += severity;
  out += ": ";
  out += trim_ws(t.substr(col_at + col + 1));
  return out;
}

// javac's "symbol:" and "location:" lines under an error say what it is
// about: they go onto the error line. Under Maven they follow it; javac's
// own output quotes the source and a caret first.
bool javac_detail(DiagState& st, std::string_view t, Pending before) {
  if (!starts_with(t, "symbol:") && !starts_with(t, "location:")) return false;
  const bool under_javac = st.javac_error_line != 0 && st.total - st.javac_error_line <= 4;
  if (st.errors.empty() || (before != Pending::kErrorLocation && !under_javac)) return true;
  std::string& e = st.errors.back();
  e = std::string(byte_cut(e + " (" + std::string(trim_ws(t)) + ")", kDiagErrorBytes + 80));
  st.pending = Pending::kErrorLocation;  // the other detail line may follow
  return true;
}

// Surefire's counts: "Tests run: 5, Failures: 1, Errors: 0, Skipped: 1".
bool surefire_counts(DiagState& st, std::string_view t) {
  if (!starts_with(t, "Tests run: ")) return false;
  const uint64_t run = number_at(t, 11);
  uint64_t failures = 0, errors = 0, skipped = 0;
  for (const auto& [word, value] : {std::pair<std::string_view, uint64_t*>{"Failures: ", &failures},
                                    {"Errors: ", &errors},
                                    {"Skipped: ", &skipped}}) {
    const size_t w = t.find(word);
    if (w != std::string_view::npos) *value = number_at(t, w + word.size());
  }
  // The counts of one test class ("... - in x.AppTest") add up to the
  // module's line without it, which is the one kept.
  if (contains(t, " - in ") || contains(t, " -- in ")) return true;
  count_ran(st, run > skipped ? run - skipped : 0, failures + errors);
  record_summary(st, t);
  return true;
}

// Under a Surefire failure: its exception is the failure's message and the
// frame of the test method its place (JUnit's own frames come first).
bool surefire_detail(DiagState& st, std::string_view t) {
  if (st.open_failure >= st.failures.size()) return false;
  DiagFailure& f = st.failures[st.open_failure];
  if (!contains(f.line, "<<< ")) return false;
  std::string_view name;
  if (f.message.empty() && exception_line(t, name)) {
    f.message = byte_cut(t, kDiagErrorBytes);
    return true;
  }
  if (!starts_with(t, "at ")) return false;
  // "testAdd(com.example.AppTest)" is at "com.example.AppTest.testAdd(".
  const size_t open = f.key.find('(');
  if (f.place.empty() && open != std::string::npos && ends_with(f.key, ")")) {
    const std::string frame =
        f.key.substr(open + 1, f.key.size() - open - 2) + "." + f.key.substr(0, open) + "(";
    const size_t at = t.find(frame);
    if (at != std::string_view::npos) {
      const std::string_view in = t.substr(at + frame.size());
      f.place = byte_cut(in.substr(0, in.find(')')), 200);
    }
  }
  return true;
}

// A failing test Surefire named is open: its frames follow.
bool in_surefire_failure(const DiagState& st) {
  return st.open_failure < st.failures.size() &&
         contains(st.failures[st.open_failure].line, "<<< ");
}

bool maven_shape(const DiagState& st, const NoFamilyState&, const Line& l) {
  const char c = l.t[0];
  return c == '[' || c == '>' || c == 's' || c == 'l' || in_surefire_failure(st);
}

Verdict maven_lines(DiagState& st, NoFamilyState&, const Line& l) {
  std::string_view t = l.t;
  if (starts_with(t, "> Task :")) {
    if (ends_with(t, " FAILED")) {
      record_error(st, t);
      st.pending = Pending::kNone;
    } else {
      ++st.progress;
    }
    return Verdict::kRecognized;
  }
  if (javac_detail(st, t, l.pending) || surefire_detail(st, t)) return Verdict::kRecognized;
  const char* severity = nullptr;
  if (starts_with(t, "[INFO]")) {
    t = trim_ws(t.substr(6));
  } else if (starts_with(t, "[ERROR]")) {
    t = trim_ws(t.substr(7));
    severity = "error";
  } else if (starts_with(t, "[WARNING]")) {
    t = trim_ws(t.substr(9));
    severity = "warning";
  } else {
    return Verdict::kNotMine;
  }
  if (surefire_counts(st, t)) return Verdict::kRecognized;
  if (severity == nullptr) {
    ++st.progress;
    return Verdict::kRecognized;
  }
  if (javac_detail(st, t, l.pending) || maven_chatter(t)) return Verdict::kRecognized;
  // "testFoo(x.AppTest)  Time elapsed: 0.01 s  <<< FAILURE!"
  if (contains(t, "<<< FAILURE!") || contains(t, "<<< ERROR!")) {
    const std::string_view name = trim_ws(t.substr(0, t.find("  ")));
    record_failure(
        st, std::string(name) + (contains(t, "<<< ERROR!") ? " <<< ERROR!" : " <<< FAILURE!"),
        name);
    return Verdict::kRecognized;
  }
  // Surefire's closing list, "AppTest.testAdd:15 expected:<3> but was:<4>",
  // names again the failures listed with their place and message.
  if (st.failures_seen > 0) {
    const size_t colon = t.find(':');
    if (colon != std::string_view::npos && digits_at(t, colon + 1) > 0 &&
        t.substr(0, colon).find(' ') == std::string_view::npos && contains(t.substr(0, colon), "."))
      return Verdict::kRecognized;
  }
  const std::string placed = javac_place(t, severity);
  const std::string_view text = placed.empty() ? t : std::string_view(placed);
  if (severity[0] == 'e') {
    record_error(st, text);
  } else {
    record_rule(st, "(no-rule-id) warning", byte_cut(text, 160));
  }
  return Verdict::kRecognized;
}

}  // namespace

const DiagFamily kDiagMaven = diag_family<NoFamilyState, maven_shape, maven_lines>("maven");

}  // namespace zub
