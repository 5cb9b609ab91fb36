// MSBuild and dotnet: "x.cs(12,5): error CS1002: msg [x.csproj]" lines,
// listed as "x.cs:12:5: error CS1002: msg" and counted by code, but not
// again from the summary after "Build FAILED." that repeats every
// diagnostic; its counts and restore lines are progress.
#include <string>

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_families.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

struct DotnetState : DiagFamilyState {
  bool build_summary = false;  // after "Build FAILED.": its diagnostics again
};

// "/x/Program.cs(12,5): error CS1002: msg [/x/app.csproj]" as
// "/x/Program.cs:12:5: error CS1002: msg" with its severity and code.
struct MsbuildLine {
  std::string text;
  std::string_view code;
  bool error = false;
};

bool msbuild_line(std::string_view t, MsbuildLine& out) {
  size_t sev = t.find("): error ");
  out.error = sev != std::string_view::npos;
  if (!out.error) sev = t.find("): warning ");
  if (sev == std::string_view::npos) return false;
  const size_t open = t.rfind('(', sev);
  if (open == std::string_view::npos || open == 0) return false;
  const std::string_view nums = t.substr(open + 1, sev - open - 1);
  const size_t comma = nums.find(',');
  const size_t line = digits_at(nums, 0);
  if (line == 0 || (comma == std::string_view::npos
                        ? line != nums.size()
                        : comma != line || digits_at(nums, comma + 1) != nums.size() - comma - 1))
    return false;
  std::string_view rest = t.substr(sev + 3);  // "error CS1002: msg [x.csproj]"
  const size_t space = rest.find(' ');
  const size_t colon = rest.find(": ");
  if (colon == std::string_view::npos || space > colon) return false;
  out.code = rest.substr(space + 1, colon - space - 1);
  if (starts_with(out.code, "TS")) return false;  // tsc's own reader has these
  if (ends_with(rest, ".csproj]") || ends_with(rest, ".vbproj]") || ends_with(rest, ".fsproj]") ||
      ends_with(rest, ".vcxproj]")) {
    const size_t bracket = rest.rfind(" [");
    if (bracket != std::string_view::npos) rest = rest.substr(0, bracket);
  }
  out.text.assign(t.substr(0, open));
  out.text += ':';
  out.text += nums.substr(0, line);
  if (comma != std::string_view::npos) {
    out.text += ':';
    out.text += nums.substr(comma + 1);
  }
  out.text += ": ";
  out.text += rest;
  return true;
}

// Its own lines' first bytes ("Build", "Determining", "All", "Restored",
// "Time"), a count's closing ")" and the ")" a diagnostic's place ends in.
bool dotnet_shape(const DiagState&, const DotnetState&, const Line& l) {
  switch (l.t[0]) {
    case 'B':
    case 'D':
    case 'A':
    case 'R':
    case 'T': return true;
    default: return l.t.find(')') != std::string_view::npos;
  }
}

Verdict dotnet_lines(DiagState& st, DotnetState& s, const Line& l) {
  const std::string_view t = l.t;
  if (t == "Build FAILED." || t == "Build succeeded.") {
    s.build_summary = true;
    return Verdict::kRecognized;
  }
  if (starts_with_any(t, {"Determining projects to restore", "All projects are up-to-date",
                          "Restored ", "Time Elapsed "}) ||
      ((ends_with(t, " Warning(s)") || ends_with(t, " Error(s)")) && digits_at(t, 0) > 0)) {
    ++st.progress;
    return Verdict::kRecognized;
  }
  MsbuildLine m;
  if (!msbuild_line(t, m)) return Verdict::kNotMine;
  if (s.build_summary) return Verdict::kRecognized;  // said once already
  if (m.error) {
    count_error_rule(st, m.code, m.text);
    record_error(st, m.text);
  } else {
    record_rule(st, m.code.empty() ? "(no-rule-id) warning" : std::string(m.code),
                byte_cut(m.text, 160));
  }
  return Verdict::kRecognized;
}

}  // namespace

const DiagFamily kDiagDotnet = diag_family<DotnetState, dotnet_shape, dotnet_lines>("dotnet");

}  // namespace zub
