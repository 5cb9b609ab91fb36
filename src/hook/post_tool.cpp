#include "hook/post_tool.h"

#include <algorithm>
#include <optional>
#include <string>

#include "base/env.h"
#include "base/json_doc.h"
#include "base/shown_path.h"
#include "base/text.h"
#include "base/utf8.h"
#include "compress/diag.h"
#include "compress/diff_digest.h"
#include "compress/hits.h"
#include "compress/logs.h"
#include "compress/ls_listing.h"
#include "compress/path_list.h"
#include "compress/progress.h"
#include "compress/raw_keep.h"
#include "compress/trim.h"
#include "hook/output_kind.h"
#include "hook/probe_file.h"

namespace zub {

namespace {

// No stream's share of the inline room is smaller than this.
constexpr uint64_t kLeastShareChars = 2000;
// Room kept in a head-and-tail cut for the gap line and the note.
constexpr uint64_t kCutReserveChars = 600;
// A grouped search aims at this share of what the host would show.
constexpr double kSearchShare = 0.4;
// A diff too long for the host shows this share of it before its map.
constexpr double kDiffHeadShare = 0.25;
// A diff over this many times the host's limit (in bytes) is not trimmed whole.
constexpr uint64_t kDiffWholeTrimFactor = 8;

// A stream of the tool's response and what becomes of it.
struct Stream {
  std::string_view field;  // "stdout" or "stderr"
  std::string text;        // decoded
  uint64_t chars = 0;      // its characters
  std::optional<std::string> shown;
};

struct Context {
  OutputKind kind = OutputKind::kOther;
  std::string cwd;
  bool interrupted = false;
  uint64_t limit = kHostInlineChars;
};

// The raw copy of a stream, kept on first use.
class Raw {
 public:
  Raw(std::string_view sub, std::string_view text) : sub_(sub), text_(text) {}
  // Keeps the copy; false when it cannot be kept (or keeping is off).
  bool keep() {
    if (!tried_) {
      tried_ = true;
      if (!env_switch_set("ZUB_NO_RAW")) copy_ = keep_raw_copy(sub_, text_);
    }
    return copy_.ok;
  }
  std::string path() const { return shown_path(copy_.path); }
  uint64_t lines() const { return copy_.lines; }
  std::string read_range(uint64_t from, uint64_t to) const {
    return "zub read " + path() + " " + std::to_string(from) + "-" + std::to_string(to);
  }

 private:
  std::string_view sub_;
  std::string_view text_;
  bool tried_ = false;
  RawCopy copy_;
};

uint64_t newlines_in(std::string_view s) {
  return static_cast<uint64_t>(std::count(s.begin(), s.end(), '\n'));
}

// `text` cut to its head and tail within `chars` characters, whole lines
// where the lines allow, around one line that names what was left out.
// `exact`: the raw copy holds `text` itself, so the gap names its lines;
// otherwise the gap points to the whole raw copy.
std::string head_and_tail(std::string_view text, uint64_t chars, const Raw& raw, bool exact) {
  const uint64_t room = chars > kCutReserveChars * 2 ? chars - kCutReserveChars : chars / 2;
  const size_t head_max = char_offset(text, static_cast<size_t>(room * 6 / 10));
  size_t head_end = text.rfind('\n', head_max == 0 ? 0 : head_max - 1);
  head_end = head_end == std::string_view::npos || head_end == 0 ? head_max : head_end + 1;
  const size_t tail_chars = static_cast<size_t>(room - room * 6 / 10);
  const size_t total_chars = char_count(text);
  size_t tail_start =
      total_chars > tail_chars ? char_offset(text, total_chars - tail_chars) : text.size();
  tail_start = std::max(tail_start, head_end);
  if (tail_start < text.size() && tail_start > 0 && text[tail_start - 1] != '\n') {
    const size_t nl = text.find('\n', tail_start);
    if (nl != std::string_view::npos && nl + 1 < text.size()) tail_start = nl + 1;
  }
  // Line numbers of the left-out part: a line cut in two counts as left out.
  const uint64_t from = newlines_in(text.substr(0, head_end)) + 1;
  const uint64_t to = newlines_in(text.substr(0, tail_start)) +
                      (tail_start > 0 && text[tail_start - 1] != '\n' ? 1 : 0);
  std::string out(text.substr(0, head_end));
  if (!out.empty() && out.back() != '\n') out += '\n';
  const uint64_t gap_bytes = tail_start - head_end;
  if (exact) {
    out += "[zub hook: 여기서 " + std::to_string(to - from + 1) + "줄(" +
           std::to_string(gap_bytes) + " bytes) 생략 · " + raw.read_range(from, to) + "]\n";
  } else {
    out += "[zub hook: 요약이 길어 가운데 " + std::to_string(gap_bytes) +
           " bytes 생략 · 원문 전체: " + raw.read_range(1, raw.lines()) + "]\n";
  }
  out.append(text.substr(tail_start));
  return out;
}

// diag's summary when it lists an error or a failing test.
std::optional<std::string> problems(std::string_view text, const std::string& cwd) {
  DiagSummary d = diag_summary(text, cwd);
  if (d.kind != DiagSummary::Kind::kSummary || d.errors + d.failures == 0) return std::nullopt;
  return std::move(d.text);
}

// The shortened text of one stream (without the note) and what was done,
// or nothing when the kind leaves it as it is.
struct Shortening {
  std::string text;
  std::string_view how;
};

std::string trim_text(std::string_view text) { return trim(text, kTrimDefaultWidth); }

std::string folded(std::string_view text) { return trim_text(fold_progress(text).text); }

std::optional<Shortening> search_grouping(std::string_view text, Raw& raw, const Context& c) {
  if (!raw.keep()) return std::nullopt;
  const size_t budget = static_cast<size_t>(static_cast<double>(c.limit) * kSearchShare);
  std::optional<HitsGrouping> g = group_hits(text, raw.path(), budget);
  if (!g) return std::nullopt;
  return Shortening{std::move(g->text), "search hits grouped by file"};
}

std::optional<Shortening> shorten(std::string_view text, Raw& raw, const Context& c) {
  const uint64_t size = text.size();
  switch (c.kind) {
    case OutputKind::kContent: return std::nullopt;
    case OutputKind::kBuild: {
      if (size <= kPostSmallBytes) return std::nullopt;
      if (auto summary = problems(text, c.cwd))
        return Shortening{std::move(*summary), "diag summary"};
      return Shortening{folded(text), "progress folded"};
    }
    case OutputKind::kDiff: {
      if (size <= kPostSmallBytes) return std::nullopt;
      // A diff many times the host's limit cannot fit once trimmed (its hunks
      // stay whole): only the part its head comes from is trimmed.
      const bool huge = size > kDiffWholeTrimFactor * c.limit;
      std::string_view part = text;
      if (huge) part = text.substr(0, text.rfind('\n', kDiffWholeTrimFactor * c.limit) + 1);
      std::string trimmed = trim_text(part);
      if (!huge && char_count(trimmed) + kCutReserveChars <= c.limit)
        return Shortening{trimmed, "diff-aware trim"};
      // Too long to be read at once: its first part as it is, then a map of
      // every commit and file with the raw lines that hold each.
      if (!raw.keep()) return std::nullopt;
      std::optional<std::string> map = diff_digest(text, raw.path());
      if (!map) return Shortening{std::move(trimmed), "diff-aware trim"};
      const size_t room = static_cast<size_t>(static_cast<double>(c.limit) * kDiffHeadShare);
      size_t head = char_offset(trimmed, room);
      if (head < trimmed.size()) {
        const size_t nl = trimmed.rfind('\n', head);
        head = nl == std::string::npos ? head : nl + 1;
      }
      std::string body = trimmed.substr(0, head);
      if (head < trimmed.size()) body += "[zub hook: diff 앞부분만, 나머지는 아래 지도의 범위로]\n";
      body += *map;
      return Shortening{std::move(body), "diff head and map"};
    }
    case OutputKind::kLogs:
      if (size <= kPostSmallBytes) return std::nullopt;
      return Shortening{logs(text, kLogsDefaultLimit), "logs folded"};
    case OutputKind::kInstall:
      if (size <= kPostSmallBytes) return std::nullopt;
      return Shortening{folded(text), "progress folded"};
    case OutputKind::kSearch:
      if (size <= kPostLargeBytes) return std::nullopt;
      if (auto g = search_grouping(text, raw, c)) return g;
      return Shortening{trim_text(text), "trim"};
    case OutputKind::kOther: {
      if (size <= kPostSmallBytes) return std::nullopt;
      // A command of no known kind may still print a test run or a build
      // (a test binary run by its path, a project's own script): its shape
      // says so when diag finds failures or errors in it.
      if (auto summary = problems(text, c.cwd))
        return Shortening{std::move(*summary), "diag summary"};
      // So does a passing run: a third or more of its lines progress.
      ProgressFold fold = fold_progress(text);
      if (fold.folded * 3 > newlines_in(text))
        return Shortening{trim_text(fold.text), "progress folded"};
      if (size <= kPostLargeBytes) return std::nullopt;
      if (auto g = search_grouping(text, raw, c)) return g;
      if (auto paths = fold_path_list(text))
        return Shortening{trim_text(*paths), "paths folded by directory"};
      // Not trimmed: in a listing of several directories two equal lines
      // are two files.
      if (auto listing = fold_long_listing(text))
        return Shortening{std::move(*listing), "ls -l columns folded"};
      return Shortening{trim_text(text), "trim"};
    }
  }
  return std::nullopt;
}

std::string note(const Raw& raw, std::string_view how, const Context& c) {
  std::string n = "[zub hook: ";
  n += how;
  if (c.interrupted) n += " · interrupted: 명령이 끝까지 돌지 않았다";
  n += " · 원문 " + std::to_string(raw.lines()) + " lines · " + raw.read_range(1, raw.lines()) +
       "]\n";
  return n;
}

// What the model sees of `text` (of `text_chars` characters) in place of
// the whole, or nothing when the stream stays. `chars`: the inline room this
// stream has.
std::optional<std::string> replacement(std::string_view text, uint64_t text_chars,
                                       std::string_view sub, uint64_t chars, const Context& c) {
  Raw raw(sub, text);
  std::optional<Shortening> s = shorten(text, raw, c);
  if (s) {
    std::string body = std::move(s->text);
    if (!body.empty() && body.back() != '\n') body += '\n';
    // A shortening that saves little is not worth the note and the copy.
    if (char_count(body) + 200 < text_chars || text_chars > chars) {
      if (!raw.keep()) return std::nullopt;
      if (char_count(body) + kCutReserveChars > chars)
        body = head_and_tail(body, chars, raw, false);
      if (char_count(body) < text_chars) return body + note(raw, s->how, c);
    }
  }
  // Unshortened, or shortened to no gain: what is over the host's limit
  // keeps its head and tail instead of the host's own cut.
  if (text_chars <= chars || !raw.keep()) return std::nullopt;
  return head_and_tail(text, chars, raw, true) + note(raw, "head and tail", c);
}

// The value of member `key` of `object` when it is a string.
std::optional<std::string> string_member(const JsonValue& object, std::string_view key) {
  const JsonValue* v = member(object, key);
  return v ? json_text(*v) : std::nullopt;
}

bool is_true_member(const JsonValue& object, std::string_view key) {
  const JsonValue* v = member(object, key);
  return v && v->kind == JsonValue::Kind::kTrue;
}

// Drops the white space the host put between tokens: the answer is one line.
void compact(JsonValue& v) {
  v.inner.clear();
  for (JsonEntry& e : v.entries) {
    e.before.clear();
    e.before_colon.clear();
    e.after_colon.clear();
    e.after.clear();
    compact(e.value);
  }
}

}  // namespace

PostToolAnswer answer_post_tool(std::string_view event, Output& out) {
  PostToolAnswer a;
  if (env_switch_set("ZUB_NO_POST")) return a;
  JsonParse p = parse_json(event);
  if (!p.doc || !p.doc->root.is_object()) return a;
  JsonValue& root = p.doc->root;
  if (string_member(root, "hook_event_name") != "PostToolUse") return a;
  if (string_member(root, "tool_name") != "Bash") return a;
  // The PreToolUse side gives no `zub wrap` hint once it knows outputs
  // are shortened anyway.
  const std::string marker = post_marker_path(probe_path(string_member(root, "session_id")));
  if (read_probe_count(marker) == 0) write_probe_count(marker, 1);

  JsonValue* response_at = member(root, "tool_response");
  if (!response_at) return a;
  JsonValue& response = *response_at;
  if (!response.is_object() || is_true_member(response, "isImage")) return a;

  Context c;
  c.limit = host_inline_chars();
  c.interrupted = is_true_member(response, "interrupted");
  c.cwd = string_member(root, "cwd").value_or("");
  if (c.cwd.empty() || c.cwd.front() != '/') c.cwd.clear();
  if (const JsonValue* in = member(root, "tool_input")) {
    const std::optional<std::string> command = string_member(*in, "command");
    c.kind = command ? output_kind(*command) : OutputKind::kOther;
  }

  Stream streams[2] = {{"stdout", {}, 0, {}}, {"stderr", {}, 0, {}}};
  uint64_t total_bytes = 0, total_chars = 0;
  for (Stream& s : streams) {
    s.text = string_member(response, s.field).value_or("");
    s.chars = char_count(s.text);
    total_bytes += s.text.size();
    total_chars += s.chars;
  }
  if (total_bytes <= kPostSmallBytes) return a;

  bool changed = false;
  for (Stream& s : streams) {
    if (s.text.empty()) continue;
    // Each stream gets its share of the inline room.
    const uint64_t share = std::max<uint64_t>(kLeastShareChars, c.limit * s.chars / total_chars);
    s.shown = replacement(s.text, s.chars, s.field == "stdout" ? "hook" : "hook-stderr", share, c);
    changed = changed || s.shown.has_value();
  }
  if (!changed) return a;

  for (const Stream& s : streams) {
    const std::string& shown = s.shown ? *s.shown : s.text;
    a.printed += shown.size();
    if (JsonValue* v = member(response, s.field); v && s.shown) *v = json_string(*s.shown);
  }
  // What the host would have shown: the raw output up to its limit.
  uint64_t room = c.limit;
  for (const Stream& s : streams) {
    const size_t cut = char_offset(s.text, static_cast<size_t>(room));
    a.baseline += cut;
    const uint64_t used = char_count(std::string_view(s.text).substr(0, cut));
    room = room > used ? room - used : 0;
  }
  a.answered = true;

  compact(response);
  std::string line = R"({"hookSpecificOutput":{"hookEventName":"PostToolUse","updatedToolOutput":)";
  line += write_json(response);
  line += "}}\n";
  out.write_out(line);
  return a;
}

}  // namespace zub
