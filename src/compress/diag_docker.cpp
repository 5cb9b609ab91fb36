#include "compress/diag_docker.h"

#include "base/ascii.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"
#include "compress/diag_shapes.h"

namespace zub {

namespace {

// "0.613 " at the front of `s`: seconds since a build step began.
size_t step_time(std::string_view s) {
  const size_t whole = digits_at(s, 0);
  if (whole == 0 || whole >= s.size() || s[whole] != '.') return 0;
  const size_t frac = digits_at(s, whole + 1);
  if (frac == 0 || whole + 1 + frac >= s.size() || s[whole + 1 + frac] != ' ') return 0;
  return whole + frac + 2;
}

}  // namespace

BuildKit buildkit_line(DiagState& st, BuildKitState& bs, std::string_view& line) {
  const std::string_view t = trim_ws(line);
  if (t.size() > 2 && t[0] == '#') {
    const size_t step = digits_at(t, 1);
    if (step == 0 || 1 + step >= t.size() || t[1 + step] != ' ') return BuildKit::kNone;
    const std::string_view rest = t.substr(step + 2);
    // Only a timed line or a step header says BuildKit ("#12 fixed" in a
    // changelog does not).
    if (const size_t time = step_time(rest); time != 0) {
      bs.seen = true;
      line = rest.substr(time);
      return BuildKit::kNone;
    }
    if (starts_with(rest, "[")) bs.seen = true;
    if (!bs.seen) return BuildKit::kNone;
    if (starts_with(rest, "ERROR: ")) {
      record_error(st, rest);
      return BuildKit::kTaken;
    }
    return BuildKit::kProgress;
  }
  if (!bs.seen) return BuildKit::kNone;
  if (bs.quote) {
    if (t == "------") bs.quote = false;
    return BuildKit::kProgress;
  }
  if (starts_with(t, "> [") && ends_with(t, ":")) {
    bs.quote = true;
    return BuildKit::kProgress;
  }
  if (starts_with(t, "ERROR: ")) {
    record_error(st, t);
    return BuildKit::kTaken;
  }
  return t == "------" || starts_with(t, "Dockerfile:") ? BuildKit::kProgress : BuildKit::kNone;
}

}  // namespace zub
