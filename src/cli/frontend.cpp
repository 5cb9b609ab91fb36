#include "cli/frontend.h"

#include <array>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "base/env.h"
#include "base/file_io.h"
#include "base/gain_baseline.h"
#include "base/head_tail.h"
#include "base/number.h"
#include "base/utf8.h"
#include "cli/gain.h"
#include "cli/gain_call.h"
#include "cli/usage.h"
#include "compress/diag.h"
#include "compress/logs.h"
#include "compress/raw_keep.h"
#include "compress/trim.h"
#include "compress/wrap.h"
#include "hook/hook.h"
#include "html/md.h"
#include "nav/brief.h"
#include "nav/map.h"
#include "nav/outline.h"
#include "nav/read.h"
#include "search/def.h"
#include "search/grep.h"
#include "web/cache_cmd.h"
#include "web/fetch.h"
#include "web/fetch_policy.h"
#include "web/web.h"

namespace zub {

namespace {

using Args = std::vector<std::string>;

// Defaults of the numeric arguments, also used when the given number does
// not parse. They are the ones the usage text shows.
constexpr uint64_t kDefaultOutlineLines = 400;
constexpr uint64_t kDefaultDefLines = 200;
constexpr uint64_t kDefaultMapRows = 25;
constexpr uint64_t kDefaultTrimWidth = 200;
constexpr uint64_t kDefaultBenchRepeats = 1;
constexpr uint64_t kDefaultWebResults = 6;
constexpr uint64_t kDefaultWebDeepPages = 3;  // -d without a number
constexpr uint64_t kDefaultWebChars = 9000;
constexpr uint64_t kDefaultFetchChars = 6000;

int usage_error(Output& out) {
  out.write_err(std::string(kUsageText) + "\n");
  return 2;
}

// ---- Standard input ----

// Whole standard input; nothing when it cannot be read or holds more than
// `cap` bytes.
std::optional<std::string> read_stdin(uint64_t cap) {
  ReadResult r = read_fd_all(0, cap + 1);
  if (!r.ok || r.data.size() > cap) return std::nullopt;
  return std::move(r.data);
}

// Calls `use` with standard input as the filters see it: an invalid byte
// sequence becomes U+FFFD and everything around it is kept, so one stray
// byte in a build log never empties the summary. Valid input (mapped when
// large) is used in place. A read error keeps what was read before it.
template <typename Use>
int with_filter_text(const ReadResult& in, Use&& use) {
  const std::string_view raw = in.text();
  if (is_valid_utf8(raw)) return use(raw);
  const std::string fixed = decode_lossy(raw);
  return use(std::string_view(fixed));
}

// Standard input up to the filters' cap: past it, its head and tail with a
// gap line between them, and a note after the output.
template <typename Use>
int with_filter_input(std::string_view sub, Use&& use, Output& out) {
  const uint64_t cap = filter_input_cap();
  const CappedRead in = read_fd_capped(0, cap);
  const int status = with_filter_text(in.in, use);
  if (in.left_out > 0) out.write_out(head_tail_note(sub, "입력", in.total, in.left_out, cap));
  return status;
}

// diag, logs and trim: the bytes read are the baseline of their savings,
// and when a filter prints less than it kept, those exact bytes are kept.
template <typename Filter>
int run_compressor(std::string_view sub, Output& out, Filter&& filter) {
  const uint64_t cap = filter_input_cap();
  const CappedRead in = read_fd_capped(0, cap);
  add_gain_baseline(in.total);
  const uint64_t before = out.written;
  const int status = with_filter_text(in.in, filter);
  if (in.left_out > 0) out.write_out(head_tail_note(sub, "입력", in.total, in.left_out, cap));
  keep_raw_if_shortened(sub, in.in.text(), out.written - before, std::nullopt, out, in.left_out);
  return status;
}

// ---- Arguments ----

uint64_t number_or(const Args& a, size_t i, uint64_t fallback) {
  if (i >= a.size()) return fallback;
  return parse_u64(a[i]).value_or(fallback);
}

int run_outline_branch(const Args& a, Output& out) {
  if (a.empty()) return usage_error(out);
  uint64_t cap = kDefaultOutlineLines;
  Args files;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] == "-n") {
      cap = number_or(a, i + 1, kDefaultOutlineLines);
      ++i;
      continue;
    }
    files.push_back(a[i]);
  }
  if (files.empty()) return usage_error(out);
  return cmd_outline(files, cap, out);
}

int run_read_branch(const Args& args, Output& out) {
  if (args.empty()) return usage_error(out);
  Args a = args;
  ReadOptions opts;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != "--bytes" && a[i] != "-c") continue;
    std::optional<uint64_t> n;
    if (i + 1 < a.size()) n = parse_u64(a[i + 1]);
    if (!n || *n == 0) {
      out.write_err("zub read --bytes N (N>0)\n");
      return 2;
    }
    opts.byte_mode = true;
    opts.bytes = *n;
    a.erase(a.begin() + static_cast<std::ptrdiff_t>(i),
            a.begin() + static_cast<std::ptrdiff_t>(i + 2));
    break;
  }
  if (a.empty()) return usage_error(out);
  opts.numbering = env_switch_set("ZUB_READ_NUM");
  return cmd_read(a, opts, out);
}

int run_def_branch(const Args& a, Output& out) {
  if (a.size() < 2) {
    out.write_err("zub def SYM ROOT... [-n 200]\n");
    return 2;
  }
  uint64_t cap = kDefaultDefLines;
  Args roots;
  for (size_t i = 1; i < a.size(); ++i) {
    if (a[i] == "-n") {
      cap = number_or(a, i + 1, kDefaultDefLines);
      ++i;
      continue;
    }
    roots.push_back(a[i]);
  }
  return cmd_def(a[0], roots, cap, out);
}

// Roots with a row count "-n N" anywhere among them, as map and brief take
// them; a missing or bad number is reported under the subcommand's name.
bool parse_rows_and_roots(const Args& a, const char* sub, uint64_t& rows, Args& roots,
                          Output& out) {
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] == "-n") {
      std::optional<uint64_t> v;
      if (i + 1 < a.size()) v = parse_u64(a[i + 1]);
      if (!v) {
        out.write_err(std::string("zub ") + sub + ": -n 뒤에 숫자가 와야 한다\n");
        return false;
      }
      rows = *v;
      ++i;
      continue;
    }
    roots.push_back(a[i]);
  }
  return true;
}

// brief takes the distribution's row count the way map does, so the hint
// at the end of that section ("`-n {D}` 로 더 보기") can be followed here.
int run_brief_branch(const Args& a, Output& out) {
  uint64_t rows = kBriefMapRows;
  Args roots;
  if (!parse_rows_and_roots(a, "brief", rows, roots, out)) return 2;
  if (roots.empty()) roots.push_back(".");
  return cmd_brief(roots, rows, out);
}

int run_map_branch(const Args& a, Output& out) {
  if (a.empty()) return usage_error(out);
  uint64_t n = kDefaultMapRows;
  Args roots;
  if (!parse_rows_and_roots(a, "map", n, roots, out)) return 2;
  if (roots.empty()) return usage_error(out);
  return cmd_map(roots, n, out);
}

int run_wrap_branch(const Args& a, Output& out) {
  WrapOptions opts;
  size_t i = 0;
  while (i < a.size()) {
    if (a[i] == "-w") {
      opts.width = number_or(a, i + 1, WrapOptions{}.width);
      i += 2;
    } else if (a[i] == "--diag") {
      opts.mode = WrapMode::kDiag;
      ++i;
    } else if (a[i] == "--logs") {
      opts.mode = WrapMode::kLogs;
      ++i;
    } else if (a[i] == "--raw") {
      opts.mode = WrapMode::kRaw;
      ++i;
    } else if (a[i] == "--") {
      ++i;
      break;
    } else {
      break;
    }
  }
  for (; i < a.size(); ++i) opts.command.push_back(a[i]);
  return cmd_wrap(opts, out);
}

// The cache flags shared by `web` and `fetch`; each overrides the field of
// `policy` that its environment variable set, read by the same rule.
// Returns true when a[i] was one of them and advances i past what it
// consumed.
bool take_cache_flag(const Args& a, size_t& i, FetchPolicy& policy) {
  const std::string& w = a[i];
  if (w == "--stale" || w == "--ttl") {
    if (i + 1 < a.size()) {
      const std::optional<uint64_t> v = setting_number(a[i + 1]);
      if (w == "--stale") {
        policy.stale_floor = v.value_or(0);
      } else {
        policy.ttl = v;
      }
    }
    i += 2;
    return true;
  }
  if (w == "--no-cache" || w == "--refresh") {
    (w == "--no-cache" ? policy.no_cache : policy.refresh) = true;
    i += 1;
    return true;
  }
  return false;
}

int run_web_branch(const Args& a, Output& out) {
  if (a.empty()) return usage_error(out);
  uint64_t n = kDefaultWebResults, k = 0, c = kDefaultWebChars;
  FetchPolicy policy = fetch_policy_from_env();
  size_t i = 1;
  while (i < a.size()) {
    if (take_cache_flag(a, i, policy)) continue;
    if (a[i] == "-d") {
      k = number_or(a, i + 1, kDefaultWebDeepPages);
      i += 2;
    } else if (a[i] == "-n") {
      c = number_or(a, i + 1, kDefaultWebChars);
      i += 2;
    } else {
      n = parse_u64(a[i]).value_or(kDefaultWebResults);
      ++i;
    }
  }
  return cmd_web(a[0], n, k, c, policy, out);
}

int run_fetch_branch(const Args& a, Output& out) {
  if (a.empty()) return usage_error(out);
  uint64_t c = kDefaultFetchChars;
  Args urls;
  FetchPolicy policy = fetch_policy_from_env();
  size_t i = 0;
  while (i < a.size()) {
    if (take_cache_flag(a, i, policy)) continue;
    if (a[i] == "-n") {
      c = number_or(a, i + 1, kDefaultFetchChars);
      i += 2;
    } else {
      urls.push_back(a[i]);
      ++i;
    }
  }
  return cmd_fetch(urls, c, policy, out);
}

int run_diag_branch(const Args&, Output& out) {
  return run_compressor("diag", out, [&](std::string_view text) { return cmd_diag(text, out); });
}

int run_logs_branch(const Args& a, Output& out) {
  return run_compressor("logs", out, [&](std::string_view text) {
    return cmd_logs(text, number_or(a, 0, kLogsDefaultLimit), out);
  });
}

int run_trim_branch(const Args& a, Output& out) {
  return run_compressor("trim", out, [&](std::string_view text) {
    return cmd_trim(text, number_or(a, 0, kDefaultTrimWidth), out);
  });
}

// ZUB_BENCH repeats the conversion for timing; ZUB_BENCH_QUIET then keeps
// the result off standard output.
int run_md_branch(const Args&, Output& out) {
  return with_filter_input(
      "md",
      [&](std::string_view input) {
        const uint64_t repeats = env_number("ZUB_BENCH").value_or(kDefaultBenchRepeats);
        const bool quiet = env_present("ZUB_BENCH_QUIET");
        return cmd_md(input, repeats, quiet, out);
      },
      out);
}

int run_hook_branch(const Args&, Output& out) { return cmd_hook(read_stdin(kHookInputCap), out); }

int show_usage(const Args&, Output& out) {
  out.write_out(std::string(kUsageText) + "\n");
  return 0;
}

int show_version(const Args&, Output& out) {
  out.write_out(std::string(kVersionLine) + "\n");
  return 0;
}

// ---- The subcommand table ----

// A handler gets the arguments after the subcommand's name and returns the
// process exit status.
using Handler = int (*)(const Args& args, Output& out);

struct Subcommand {
  std::string_view name;
  std::array<std::string_view, 2> aliases;  // empty where there are none
  Handler run;
};

// In the order of the usage text.
constexpr Subcommand kSubcommands[] = {
    {"help", {"-h", "--help"}, show_usage},
    {"version", {"-V", "--version"}, show_version},
    {"brief", {}, run_brief_branch},
    {"outline", {}, run_outline_branch},
    {"read", {}, run_read_branch},
    {"def", {}, run_def_branch},
    {"grep", {}, cmd_grep},
    {"map", {}, run_map_branch},
    {"wrap", {}, run_wrap_branch},
    {"diag", {}, run_diag_branch},
    {"logs", {}, run_logs_branch},
    {"trim", {}, run_trim_branch},
    {"web", {}, run_web_branch},
    {"fetch", {}, run_fetch_branch},
    {"md", {}, run_md_branch},
    {"cache", {}, cmd_cache},
    {"hook", {}, run_hook_branch},
    // Not in the usage text, which stays as it was.
    {"gain", {}, cmd_gain},
};

// Exact, case-sensitive match of the name or an alias.
const Subcommand* find_subcommand(std::string_view name) {
  for (const Subcommand& s : kSubcommands) {
    if (s.name == name) return &s;
    for (std::string_view alias : s.aliases)
      if (!alias.empty() && alias == name) return &s;
  }
  return nullptr;
}

}  // namespace

int run_cli(const std::vector<std::string>& argv, Output& out) {
  if (argv.size() < 2) return usage_error(out);
  const std::string& sub = argv[1];
  const Subcommand* s = find_subcommand(sub);
  if (s == nullptr) {
    out.write_err("zub: 알 수 없는 서브커맨드 `" + sub + "`\n\n" + kUsageText + "\n");
    return 2;
  }
  // The one place every subcommand runs from: what has to happen around
  // each run goes here. The gain ledger records the run (for the
  // subcommands it covers).
  GainCall call(sub, out);
  return call.finish(s->run(Args(argv.begin() + 2, argv.end()), out));
}

}  // namespace zub
