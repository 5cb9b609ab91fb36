#include "compress/wrap.h"

#include <unistd.h>

#include "base/env.h"
#include "base/head_tail.h"
#include "base/os_error.h"
#include "base/process.h"
#include "base/shell_quote.h"
#include "base/text.h"
#include "base/utf8.h"
#include "compress/diag.h"
#include "compress/logs.h"
#include "compress/raw_keep.h"
#include "compress/trim.h"

namespace zub {

namespace {

// How long the output pipe is still read after the command has ended.
constexpr int kReadAfterExitMs = 1000;

}  // namespace

std::string shell_command_line(const std::vector<std::string>& words) {
  std::string line;
  for (const std::string& w : words) {
    if (!line.empty()) line.push_back(' ');
    append_shell_quoted(line, w);
  }
  line += " 2>&1";
  return line;
}

bool is_shell_line(const std::vector<std::string>& words) {
  if (words.size() != 1) return false;
  return words[0].find_first_of(" \t\n|&;<>()$`\\\"'*?[#~") != std::string::npos;
}

std::string wrap_command_line(const std::vector<std::string>& words, bool shell_line) {
  if (!shell_line && !is_shell_line(words)) return shell_command_line(words);
  // eval, so that the line's own syntax errors arrive with its output.
  std::string line = "eval ";
  append_shell_quoted(line, words[0]);
  line += " 2>&1";
  return line;
}

namespace {

// Applies the mode's filter to a decoded capture (trim at `width`, logs
// with its default limit, diag, or unchanged).
std::string compress_capture(std::string_view text, WrapMode mode, uint64_t width, bool* dropped) {
  switch (mode) {
    case WrapMode::kTrim: return trim(text, width, dropped);
    case WrapMode::kLogs: return logs(text, kLogsDefaultLimit);
    case WrapMode::kDiag: {
      // A command's output that is no build or test log (a program that
      // crashed, a script's own messages) is shown as trim shows it: the
      // refusal alone would hide what the command said.
      DiagSummary summary = diag_summary(text, working_dir());
      if (summary.kind != DiagSummary::Kind::kRefused) return std::move(summary.text);
      return trim(text, width, dropped) +
             "[zub wrap: 빌드·테스트 로그 모양이 아니라 --diag 대신 trim 으로 보였다]\n";
    }
    case WrapMode::kRaw: break;
  }
  return std::string(text);
}

}  // namespace

Outcome cmd_wrap(const WrapOptions& opts, Output& out) {
  if (opts.command.empty()) {
    out.write_err("zub wrap: 실행할 명령이 없다\n");
    return {2, 0};
  }
  // Standard input stays empty (run_process gives /dev/null) so a command
  // that waits for input cannot hang the agent. The shell's own standard
  // error is captured apart and dropped; the command's arrives through the
  // appended redirection.
  // A server or daemon started in the background by the command may keep the
  // output pipe open for as long as it runs; what the command itself printed
  // is complete when it ends, so the capture stops shortly after that.
  // Output of any length is captured within the filters' cap, as its head
  // and its tail; the command always runs to its end and its status holds.
  ProcessOptions po;
  po.read_after_exit_ms = kReadAfterExitMs;
  const uint64_t cap = filter_input_cap();
  po.out_head_tail = cap;
  std::vector<std::string> argv = {"sh", "-c", wrap_command_line(opts.command, opts.shell_line)};
  // As with sh -c, the words after the line are its $0, $1, ...
  if (opts.shell_line) argv.insert(argv.end(), opts.command.begin() + 1, opts.command.end());
  ProcessResult r = run_process(argv, po);
  if (!r.started) {
    out.write_err("zub wrap: " + os_error_text(r.start_error) + "\n");
    return {127, 0};
  }
  const int code = r.exited ? r.exit_code : 1;
  std::string shown;
  bool dropped = false;
  if (is_valid_utf8(r.out)) {
    shown = compress_capture(r.out, opts.mode, opts.width, &dropped);
  } else {
    shown = compress_capture(decode_lossy(r.out), opts.mode, opts.width, &dropped);
  }
  if (r.out_left_out > 0) shown += head_tail_note("wrap", "출력", r.out_total, r.out_left_out, cap);
  out.write_out(shown);
  if (code != 0) out.write_err("[zub wrap: exit " + std::to_string(code) + "]\n");
  keep_raw_if_shortened("wrap", r.out, shown.size(), code, out, r.out_left_out, dropped);
  return {code, r.out_total};
}

}  // namespace zub
