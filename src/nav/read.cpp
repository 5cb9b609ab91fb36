#include "nav/read.h"

#include <sys/stat.h>
#include <cerrno>
#include <optional>

#include "base/elide.h"
#include "base/file_io.h"
#include "base/number.h"
#include "base/os_error.h"
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
};

bool all_digits(std::string_view s) {
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// Builds the kept lines of one block: elision, optional numbering, and the
// running total of bytes removed by elision.
struct LineSink {
  std::string& block;
  bool numbering;
  uint64_t elided = 0;

  void add(uint64_t n, std::string_view line) {
    if (numbering) {
      block.append(pad_left(std::to_string(n), 5));
      block.append("| ");
    }
    elided += append_elided(block, line, kReadWidth);
    block.push_back('\n');
  }

  void finish() {
    if (elided > 0)
      block.append("[zub read: " + std::to_string(elided) + " chars over 200-col elided]\n");
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

bool read_lines(const Request& r, size_t file_count, bool numbering, Output& out) {
  ReadResult file = read_file_view(r.path);
  if (file.ok && !is_valid_utf8(file.text())) {
    file.ok = false;
    file.err = kErrNotUtf8;
  }
  if (!file.ok) {
    out.write_out(shown_path(r.path) + ": " + file_error_text(file.err) + "\n");
    return true;
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
  const std::string_view text = file.text();
  size_t pos = 0;
  // Walk lines by hand so a range near the top of a large file stops early.
  while (pos < text.size()) {
    ++n;
    if (r.b && n > *r.b) break;
    size_t nl = text.find('\n', pos);
    size_t end = nl == std::string_view::npos ? text.size() : nl;
    if (n >= r.a) {
      size_t line_end = end;
      if (nl != std::string_view::npos && line_end > pos && text[line_end - 1] == '\r') --line_end;
      sink.add(n, text.substr(pos, line_end - pos));
    }
    if (nl == std::string_view::npos) break;
    pos = nl + 1;
  }
  sink.finish();
  if (is_blank(block)) {
    out.write_err("zub: " + shown_path(r.path) + ": " + std::to_string(r.a) + "-" + b_text +
                  " 범위에 내용이 없다(파일이 그보다 짧다)\n");
    out.write_out(block);
    return false;
  }
  out.write_out(block);
  return true;
}

void read_bytes(const Request& r, size_t file_count, uint64_t limit, bool numbering, Output& out) {
  ReadResult file = read_file_prefix(r.path, limit);
  if (!file.ok) {
    out.write_out(shown_path(r.path) + ": " + file_error_text(file.err) + "\n");
    return;
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
}

}  // namespace

bool is_range_arg(const std::string& arg) {
  const size_t dash = arg.find('-');
  if (dash == std::string::npos || dash == 0) return false;
  return all_digits(std::string_view(arg).substr(0, dash)) &&
         all_digits(std::string_view(arg).substr(dash + 1));
}

int cmd_read(const ReadOptions& opts, Output& out) {
  const std::vector<std::string>& args = opts.args;
  size_t file_count = 0;
  for (const auto& a : args)
    if (!is_range_arg(a)) ++file_count;

  std::vector<Request> requests;
  for (size_t i = 0; i < args.size(); ++i) {
    Request r;
    r.path = args[i];
    if (i + 1 < args.size() && is_range_arg(args[i + 1])) {
      const std::string& range = args[++i];
      const size_t dash = range.find('-');
      r.a = parse_u64(std::string_view(range).substr(0, dash)).value_or(1);
      const std::string_view b = std::string_view(range).substr(dash + 1);
      if (!b.empty()) r.b = parse_u64(b);  // overflow leaves the end open
    }
    requests.push_back(std::move(r));
  }

  bool failed = false;
  for (const Request& r : requests) {
    if (!check_file_path(r.path, out)) {
      failed = true;
      continue;
    }
    if (opts.byte_mode) {
      read_bytes(r, file_count, opts.bytes, opts.numbering, out);
    } else if (!read_lines(r, file_count, opts.numbering, out)) {
      failed = true;
    }
  }
  return failed ? 2 : 0;
}

}  // namespace zub
