#include "nav/read.h"

#include <sys/stat.h>
#include <cerrno>
#include <optional>

#include "base/elide.h"
#include "base/env.h"
#include "base/file_io.h"
#include "base/number.h"
#include "base/os_error.h"
#include "base/shell_quote.h"
#include "base/shown_path.h"
#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"

namespace zub {

namespace {

constexpr uint64_t kReadWidth = 200;
constexpr const char* kDirectoryMessage = "디렉터리다: 파일을 지정하거나 `zub map` 을 써라";

struct Request {
  std::string path;
  uint64_t a = 1;
  std::optional<uint64_t> b;  // nullopt: to the end of the file
  uint64_t tail = 0;          // not 0: the last lines instead of A to B
  bool ranged = false;        // a range was given
  bool held = false;          // not read whole: an argument after it was not understood
};

bool all_digits(std::string_view s) {
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

void set_range(Request& r, const LineRange& range) {
  r.a = range.a;
  r.b = range.b;
  r.tail = range.tail;
  r.ranged = true;
}

// Builds the kept lines of one block: elision, optional numbering, and the
// running total of bytes removed by elision.
struct LineSink {
  std::string& block;
  bool numbering;
  uint64_t elided = 0;
  uint64_t escaped = 0;  // lines shown with invalid bytes written as \xHH

  void add(uint64_t n, std::string_view line) {
    if (numbering) {
      block.append(pad_left(std::to_string(n), 5));
      block.append("| ");
    }
    // One stray byte (a Latin-1 letter in a log) must not make the whole
    // file unreadable: the byte is shown, and the note below says so.
    std::string shown;
    if (!is_valid_utf8(line)) {
      shown = escape_invalid_bytes(line);
      line = shown;
      ++escaped;
    }
    elided += append_elided(block, line, kReadWidth);
    block.push_back('\n');
  }

  void finish() {
    if (elided > 0)
      block.append("[zub read: " + std::to_string(elided) + " chars over 200-col elided]\n");
    if (escaped > 0)
      block.append("[zub read: " + std::to_string(escaped) +
                   "줄에 UTF-8 이 아닌 바이트가 있어 \\xHH 로 보였다]\n");
  }
};

}  // namespace

bool check_file_path(const std::string& path, Output& out) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    out.write_err("zub: " + shown_path(path) + ": " + os_error_text(errno) + "\n");
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    out.write_err("zub: " + shown_path(path) + ": " + kDirectoryMessage + "\n");
    return false;
  }
  if (is_special_file(st.st_mode)) {
    out.write_err("zub: " + shown_path(path) + ": " + kSpecialFileError + "\n");
    return false;
  }
  return true;
}

namespace {

// A file read without a range shows at most this many lines (and no more
// bytes than the agent host shows of a result), as the host's own file
// reader does; the rest is one call away.
constexpr uint64_t kWholeReadLines = 2000;

// The line after which the part that starts at `from` (at line `a`) ends:
// kWholeReadLines lines or `cap` bytes, whichever comes first.
uint64_t part_end(std::string_view text, size_t from, uint64_t a, uint64_t cap) {
  uint64_t n = a, bytes = 0;
  for (size_t pos = from; pos < text.size(); ++n) {
    const size_t nl = text.find('\n', pos);
    const size_t next = nl == std::string_view::npos ? text.size() : nl + 1;
    bytes += std::min<uint64_t>(next - pos, kReadWidth + 16);
    if (n > a && (n - a >= kWholeReadLines || bytes > cap)) return n - 1;
    pos = next;
  }
  return n - 1;
}

// The line that ends a whole read cut short: how many lines are left, the
// call for the next part and the call for the file's map.
std::string rest_line(const Request& r, std::string_view text, size_t from, uint64_t next,
                      uint64_t cap) {
  const uint64_t total = next - 1 + count_lines(text.substr(from));
  const uint64_t to = part_end(text, from, next, cap);
  const std::string path = shown_path(r.path);
  return "[zub read: " + std::to_string(next - 1) + "/" + std::to_string(total) +
         "줄까지 보였다, 남은 " + std::to_string(total - next + 1) + "줄 · 다음: zub read " + path +
         " " + std::to_string(next) + "-" + std::to_string(to) + " · 구조: zub outline " + path +
         "]\n";
}

// True when `file` is a pipe read up to its cap and the lines `r` asks
// for (a closed range, not the last lines) all ended within what was kept.
bool within_kept_prefix(const Request& r, const ReadResult& file) {
  if (file.err != kErrFileTooLarge || r.tail > 0 || !r.b) return false;
  const std::string_view kept = file.data;
  uint64_t lines = 0;
  for (size_t at = kept.find('\n'); at != std::string_view::npos && lines < *r.b;
       at = kept.find('\n', at + 1))
    ++lines;
  return lines >= *r.b;
}

// `file` is the request's file as read (or standard input). `bounded`: a
// file read whole stops at kWholeReadLines lines or the host's inline limit
// in bytes.
bool read_lines(const Request& asked, ReadResult& file, size_t file_count, bool numbering,
                bool bounded, Output& out) {
  std::string_view text;
  if (file.ok) {
    text = file.text();
  } else if (within_kept_prefix(asked, file)) {
    text = file.data;
  } else {
    // The asked lines were never seen: that is a failure, not an answer.
    out.write_out(shown_path(asked.path) + ": " + file_error_text(file.err) + "\n");
    return false;
  }
  // The last lines are a range once the lines are counted.
  Request r = asked;
  if (r.tail > 0) {
    const uint64_t total = count_lines(text);
    r.a = total > r.tail ? total - r.tail + 1 : 1;
    r.b = std::max<uint64_t>(total, 1);
  }
  const std::string b_text = r.b ? std::to_string(*r.b) : "끝";
  std::string block;
  if (file_count > 1) {
    if (r.b)
      block = "== " + shown_path(r.path) + " [" + std::to_string(r.a) + "-" + b_text + "] ==\n";
    else
      block = "== " + shown_path(r.path) + " (전체) ==\n";
  }
  LineSink sink{block, numbering};
  uint64_t n = 0;
  size_t pos = 0;
  const uint64_t cap = bounded ? host_inline_chars() : 0;
  const size_t head = block.size();
  std::string rest;
  // Walk lines by hand so a range near the top of a large file stops early.
  while (pos < text.size()) {
    ++n;
    if (r.b && n > *r.b) break;
    size_t nl = text.find('\n', pos);
    size_t end = nl == std::string_view::npos ? text.size() : nl;
    if (bounded && n > 1 &&
        (n > kWholeReadLines ||
         block.size() - head + std::min<uint64_t>(end - pos + 1, kReadWidth + 16) > cap)) {
      rest = rest_line(r, text, pos, n, cap);
      break;
    }
    if (n >= r.a) {
      size_t line_end = end;
      if (nl != std::string_view::npos && line_end > pos && text[line_end - 1] == '\r') --line_end;
      sink.add(n, text.substr(pos, line_end - pos));
    }
    if (nl == std::string_view::npos) break;
    pos = nl + 1;
  }
  sink.finish();
  block += rest;
  if (is_blank(block)) {
    // A start past what 64 bits count was asked as a larger number than
    // the one it is held as: the message says so rather than show that one.
    const std::string range =
        r.a == UINT64_MAX ? std::to_string(r.a) + " 이상" : std::to_string(r.a) + "-" + b_text;
    // Not a short file: a range that ends before it starts. A start past
    // what 64 bits count stands for "past the end", not for a number.
    if (r.b && *r.b < r.a && r.a != UINT64_MAX)
      out.write_err("zub: " + shown_path(r.path) + ": " + range + " 는 빈 범위다(시작 " +
                    std::to_string(r.a) + " 이 끝 " + b_text + " 보다 뒤): `zub read " +
                    shown_path(r.path) + " " + b_text + "-" + std::to_string(r.a) + "`\n");
    else
      out.write_err("zub: " + shown_path(r.path) + ": " + range +
                    " 범위에 내용이 없다(파일이 그보다 짧다)\n");
    out.write_out(block);
    return false;
  }
  out.write_out(block);
  return true;
}

// `file` holds the first `limit` bytes of the request's file.
bool read_bytes(const Request& r, const ReadResult& file, size_t file_count, uint64_t limit,
                bool numbering, Output& out) {
  if (!file.ok) {
    out.write_out(shown_path(r.path) + ": " + file_error_text(file.err) + "\n");
    return false;
  }
  const bool full = file.capped;
  const std::string text = decode_lossy(file.data);
  std::vector<std::string_view> lines = split_lines(text);
  bool cut_note = false;
  if (full && !ends_with(text, "\n") && lines.size() >= 2) {
    lines.pop_back();
    cut_note = true;
  }
  std::string block;
  if (file_count > 1)
    block = "== " + shown_path(r.path) + " (앞 " + std::to_string(limit) + "B) ==\n";
  LineSink sink{block, numbering};
  uint64_t n = 0;
  for (std::string_view line : lines) sink.add(++n, line);
  sink.finish();
  if (full) {
    block.append("[zub read: 앞 " + std::to_string(limit) + " bytes 만" +
                 (cut_note ? " (잘린 마지막 줄 제외)" : "") + "]\n");
  }
  out.write_out(block);
  return true;
}

}  // namespace

bool is_range_arg(const std::string& arg) {
  const size_t dash = arg.find('-');
  if (dash == std::string::npos || dash == 0) return false;
  return all_digits(std::string_view(arg).substr(0, dash)) &&
         all_digits(std::string_view(arg).substr(dash + 1));
}

std::optional<LineRange> parse_range_arg(std::string_view arg) {
  // sed's print command after its address ("10,20p", "$p").
  if (arg.size() >= 2 && arg.back() == 'p') arg.remove_suffix(1);
  if (arg == "$") {
    LineRange last;
    last.tail = 1;
    return last;
  }
  // A line anchor of a code host ("L10-L20", "L10") reads like its digits.
  auto anchor_digits = [](std::string_view s) {
    return s.size() >= 2 && s[0] == 'L' && s[1] >= '0' && s[1] <= '9' ? s.substr(1) : s;
  };
  arg = anchor_digits(arg);
  if (arg.empty() || !(arg[0] >= '0' && arg[0] <= '9')) return std::nullopt;
  size_t sep = arg.find_first_of("-,:.");
  size_t sep_len = 1;
  if (sep != std::string_view::npos && arg[sep] == '.') {
    // "A..B", a range as several languages write it; one dot is no range.
    if (arg.substr(sep, 2) != "..") return std::nullopt;
    sep_len = 2;
  }
  const std::string_view a = arg.substr(0, sep);
  std::string_view b = sep == std::string_view::npos ? a : anchor_digits(arg.substr(sep + sep_len));
  // sed's "A,+N" and "A,$".
  const bool relative = b.size() >= 2 && b[0] == '+';
  const bool to_end = sep != std::string_view::npos && b == "$";
  if (relative) b.remove_prefix(1);
  if (to_end) b = {};
  if (!all_digits(a) || !all_digits(b)) return std::nullopt;
  // "A-" and "A.." run to the end; "A," and "A:" are not ranges.
  if (b.empty() && !to_end && (sep == std::string_view::npos || arg[sep] == ',' || arg[sep] == ':'))
    return std::nullopt;
  LineRange r;
  // A first line past what 64 bits count is past the end of any file.
  r.a = parse_u64(a).value_or(UINT64_MAX);
  if (!b.empty()) r.b = parse_u64(b);  // overflow leaves the end open
  if (relative && r.b) r.b = *r.b > UINT64_MAX - r.a ? std::nullopt : std::optional(r.a + *r.b);
  return r;
}

namespace {

// "F:A-B", "F:A", "F:A,B", "F:A:B", and a code host's "F#L10-L20": the
// file and its range, when the part before some colon (or '#') exists and
// the rest is a range; else, when the text after the last one is a range,
// that split (the file is then reported missing under its own name).
std::optional<std::pair<std::string, LineRange>> file_with_range(const std::string& arg) {
  std::optional<std::pair<std::string, LineRange>> last;
  for (size_t colon = arg.find_last_of(":#"); colon != std::string::npos && colon > 0;
       colon = arg.find_last_of(":#", colon - 1)) {
    const std::optional<LineRange> range = parse_range_arg(std::string_view(arg).substr(colon + 1));
    if (!range) continue;
    std::string path = arg.substr(0, colon);
    if (path_exists(path)) return std::make_pair(std::move(path), *range);
    if (!last) last = std::make_pair(std::move(path), *range);
  }
  return last;
}

// "10-20,30-40": several ranges in one argument, each a range form; empty
// when the argument is not that.
std::vector<LineRange> range_list(std::string_view arg) {
  std::vector<LineRange> ranges;
  if (arg.find(',') == std::string_view::npos) return ranges;
  while (true) {
    const size_t comma = arg.find(',');
    const std::optional<LineRange> r = parse_range_arg(arg.substr(0, comma));
    if (!r) return {};
    ranges.push_back(*r);
    if (comma == std::string_view::npos) break;
    arg.remove_prefix(comma + 1);
  }
  return ranges;
}

// "+N": the lines after the single line just given.
bool extends_line(std::string_view arg) {
  return arg.size() >= 2 && arg[0] == '+' && all_digits(arg.substr(1)) &&
         parse_u64(arg.substr(1)).has_value();
}

struct Plan {
  std::vector<Request> requests;
  std::vector<std::string> orphans;  // ranges that no single file follows
};

// Pairs files with their ranges. After a file every range form is one of
// its ranges; a range before the first file belongs to it when it is the
// only file of the call. Anything else that does not exist is a path that
// will be reported missing.
Plan plan_requests(const std::vector<std::string>& args, bool byte_mode) {
  Plan plan;
  std::vector<LineRange> leading;
  std::optional<size_t> current;  // the file the next ranges belong to
  std::vector<size_t> firsts;     // each file's first request
  auto add_file = [&](std::string path, std::optional<LineRange> range) {
    current = plan.requests.size();
    firsts.push_back(*current);
    Request r;
    r.path = std::move(path);
    if (range) set_range(r, *range);
    plan.requests.push_back(std::move(r));
  };
  auto add_range = [&](const LineRange& range) {
    Request& owner = plan.requests[*current];
    if (byte_mode) return;  // no range applies to a byte prefix
    if (!owner.ranged) {
      set_range(owner, range);
      return;
    }
    Request r = owner;
    set_range(r, range);
    plan.requests.push_back(std::move(r));
    current = plan.requests.size() - 1;
  };
  // The file given without a range just before this argument, if any.
  std::optional<size_t> bare;
  for (const std::string& arg : args) {
    const std::optional<LineRange> range = parse_range_arg(arg);
    std::optional<size_t> next_bare;
    if (extends_line(arg) && !path_exists(arg) && current && plan.requests[*current].ranged &&
        plan.requests[*current].b == plan.requests[*current].a && !byte_mode) {
      // sed's "A,+N" typed as two words: "F 10 +5".
      Request& line = plan.requests[*current];
      line.b = parse_u64(std::string_view(arg).substr(1)).value_or(0) + line.a;
    } else if (range && current) {
      add_range(*range);
    } else if (const std::vector<LineRange> list =
                   current ? range_list(arg) : std::vector<LineRange>();
               !list.empty() && !path_exists(arg)) {
      for (const LineRange& r : list) add_range(r);
    } else if (path_exists(arg)) {
      add_file(arg, std::nullopt);
      next_bare = current;
    } else if (auto fr = file_with_range(arg)) {
      add_file(std::move(fr->first), fr->second);
    } else if (range) {
      leading.push_back(*range);
    } else {
      // Neither a file nor a range: reported missing under its own name.
      // Where a range of the file before it would stand, it was probably
      // meant as one, so that file is not printed whole.
      if (bare) plan.requests[*bare].held = true;
      add_file(arg, std::nullopt);
    }
    bare = next_bare;
  }
  if (!leading.empty()) {
    if (firsts.size() == 1 && !byte_mode) {
      // "read 10-20 F": the ranges come first, in order, then any after F.
      std::vector<Request> after(plan.requests.begin() + (plan.requests[0].ranged ? 0 : 1),
                                 plan.requests.end());
      Request base = plan.requests[0];
      plan.requests.clear();
      for (const LineRange& range : leading) {
        Request r = base;
        set_range(r, range);
        plan.requests.push_back(std::move(r));
      }
      for (Request& r : after) plan.requests.push_back(std::move(r));
    } else if (!(firsts.size() == 1 && byte_mode)) {
      for (size_t k = 0; k < leading.size(); ++k) {
        const std::string& arg = args[k];
        plan.orphans.push_back(arg);
      }
    }
  }
  return plan;
}

// The ranges --lines gave every file without one, or a line naming the
// argument that is not a range.
std::optional<std::vector<LineRange>> option_ranges(const std::vector<std::string>& texts,
                                                    Output& out) {
  std::vector<LineRange> ranges;
  for (const std::string& t : texts) {
    const std::optional<LineRange> range = parse_range_arg(t);
    if (!range) {
      out.write_err("zub read: --lines 뒤에 범위가 와야 한다(A-B, A,+N, A- 등): `" + shown_path(t) +
                    "`\n");
      return std::nullopt;
    }
    ranges.push_back(*range);
  }
  return ranges;
}

// Gives each file read without a range the ranges of the options: --lines,
// else --tail, else -n N.
void apply_option_ranges(const ReadOptions& opts, const std::vector<LineRange>& ranges,
                         std::vector<Request>& requests) {
  std::vector<LineRange> whole = ranges;
  if (whole.empty() && opts.tail > 0) {
    whole.emplace_back();
    whole.back().tail = opts.tail;
  } else if (whole.empty() && opts.head > 0) {
    whole.emplace_back();
    whole.back().b = opts.head;
  }
  if (whole.empty() || opts.byte_mode) return;
  std::vector<Request> all;
  for (Request& r : requests) {
    if (r.ranged) {
      all.push_back(std::move(r));
      continue;
    }
    for (const LineRange& range : whole) {
      all.push_back(r);
      set_range(all.back(), range);
    }
  }
  requests = std::move(all);
}

}  // namespace

int cmd_read(const ReadOptions& opts, Output& out) {
  if (opts.head_flag_before && opts.args.size() > *opts.head_flag_before) {
    // head's and tail's "-n N F" read alike; guessing would show the wrong
    // end of the file as if it were the asked one.
    const std::string n = std::to_string(opts.head);
    std::string files;
    for (size_t i = *opts.head_flag_before; i < opts.args.size(); ++i) {
      files += ' ';
      files += shell_word(shown_path(opts.args[i]));
    }
    out.write_err("zub read: `-n " + n + "` 뒤의 파일은 앞 " + n + "줄인지 끝 " + n +
                  "줄인지 모호하다: 앞은 `zub read --head " + n + files +
                  "`, 끝은 `zub read --tail " + n + files + "`\n");
    return 2;
  }
  const std::optional<std::vector<LineRange>> ranges = option_ranges(opts.ranges, out);
  if (!ranges) return 2;
  Plan plan = plan_requests(opts.args, opts.byte_mode);
  apply_option_ranges(opts, *ranges, plan.requests);
  bool failed = false;
  for (const std::string& arg : plan.orphans) {
    std::string msg = "zub read: `";
    msg += shown_path(arg);
    msg += "` 가 어느 파일의 범위인지 모른다: 파일 뒤에 써라(F A-B 또는 F:A-B)\n";
    out.write_err(msg);
    failed = true;
  }
  // An argument that is not understood never makes a file print whole: the
  // files held back are named instead.
  const bool hold_whole = !plan.orphans.empty();
  std::string held;
  const size_t blocks = plan.requests.size();
  // "-" is standard input (unless a file has that name), read once for all
  // its ranges, at most what an unmapped read holds.
  std::optional<ReadResult> piped;
  const auto standard_input = [&]() -> ReadResult& {
    if (!piped) {
      piped = read_fd_all(0, kMaxUnmappedBytes + 1);
      if (piped->ok && piped->data.size() > kMaxUnmappedBytes) {
        piped->ok = false;
        piped->err = kErrFileTooLarge;
      }
    }
    return *piped;
  };
  for (const Request& r : plan.requests) {
    const bool from_stdin = r.path == "-" && !path_exists(r.path);
    if (!from_stdin && !check_file_path(r.path, out)) {
      failed = true;
      continue;
    }
    if (opts.byte_mode) {
      if (!from_stdin) {
        if (!read_bytes(r, read_file_prefix(r.path, opts.bytes), blocks, opts.bytes, opts.numbering,
                        out))
          failed = true;
        continue;
      }
      const ReadResult& in = standard_input();
      ReadResult prefix;
      // A prefix within what the capped read kept is there to serve.
      prefix.ok = in.ok || (in.err == kErrFileTooLarge && opts.bytes < in.data.size());
      prefix.err = in.err;
      prefix.data = in.data.substr(0, opts.bytes);
      prefix.capped = in.data.size() >= opts.bytes;
      if (!read_bytes(r, prefix, blocks, opts.bytes, opts.numbering, out)) failed = true;
    } else if (r.held || (hold_whole && !r.ranged)) {
      held.push_back(' ');
      held += shown_path(r.path);
      failed = true;
    } else if (from_stdin) {
      if (!read_lines(r, standard_input(), blocks, opts.numbering, false, out)) failed = true;
    } else if (ReadResult file = read_file_view(r.path);
               !read_lines(r, file, blocks, opts.numbering, !r.ranged, out)) {
      failed = true;
    }
  }
  if (!held.empty())
    out.write_err("zub read: 알아듣지 못한 인자가 있어 통째로 읽지 않았다:" + held +
                  " (인자를 고치거나 범위를 붙여라)\n");
  return failed ? 2 : 0;
}

}  // namespace zub
