#include "compress/wrap.h"

#include "base/os_error.h"
#include "base/process.h"
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
    line.push_back('\'');
    for (char c : w) {
      if (c == '\'') {
        line += "'\\''";
      } else {
        line.push_back(c);
      }
    }
    line.push_back('\'');
  }
  line += " 2>&1";
  return line;
}

std::string compress_capture(std::string_view text, WrapMode mode, uint64_t width) {
  switch (mode) {
    case WrapMode::kTrim: return trim(text, width);
    case WrapMode::kLogs: return logs(text, kLogsDefaultLimit);
    case WrapMode::kDiag: return diag(text);
    case WrapMode::kRaw: break;
  }
  return std::string(text);
}

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
  ProcessOptions po;
  po.read_after_exit_ms = kReadAfterExitMs;
  ProcessResult r = run_process({"sh", "-c", shell_command_line(opts.command)}, po);
  if (!r.started) {
    out.write_err("zub wrap: " + os_error_text(r.start_error) + "\n");
    return {127, 0};
  }
  const int code = r.exited ? r.exit_code : 1;
  const std::string shown = compress_capture(decode_lossy(r.out), opts.mode, opts.width);
  out.write_out(shown);
  if (code != 0) out.write_err("[zub wrap: exit " + std::to_string(code) + "]\n");
  keep_raw_if_shortened("wrap", r.out, shown.size(), code, out);
  return {code, r.out.size()};
}

}  // namespace zub
