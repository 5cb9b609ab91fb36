#include "cli/frontend.h"

#include <cstdlib>
#include <optional>
#include <string_view>

#include "base/env.h"
#include "base/file_io.h"
#include "base/gain_baseline.h"
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
#include "nav/brief.h"
#include "nav/map.h"
#include "nav/outline.h"
#include "nav/read.h"
#include "search/def.h"
#include "search/grep.h"
#include "web/cache_cmd.h"
#include "web/fetch.h"
#include "html/md.h"
#include "web/web.h"

namespace zub {

namespace {

using Args = std::vector<std::string>;

int usage_error(Output& out) {
  out.write_err(std::string(kUsageText) + "\n");
  return 2;
}

// Whole standard input; nothing when it cannot be read.
std::optional<std::string> read_stdin() {
  ReadResult r = read_fd_all(0);
  if (!r.ok) return std::nullopt;
  return std::move(r.data);
}

// Standard input as the filters see it: an invalid byte sequence becomes
// U+FFFD and everything around it is kept, so one stray byte in a build log
// never empties the summary. Valid input (mapped when large) is used in
// place; otherwise the decoded copy lives in `fixed`. A read error keeps
// what was read before it.
std::string_view filter_text(const FdText& in, std::string& fixed) {
  const std::string_view raw = in.text();
  if (is_valid_utf8(raw)) return raw;
  fixed = decode_lossy(raw);
  return fixed;
}

uint64_t number_or(const Args& a, size_t i, uint64_t fallback) {
  if (i >= a.size()) return fallback;
  return parse_u64(a[i]).value_or(fallback);
}

int run_outline_branch(const Args& a, Output& out) {
  if (a.empty()) return usage_error(out);
  uint64_t cap = 400;
  Args files;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] == "-n") {
      cap = number_or(a, i + 1, 400);
      ++i;
      continue;
    }
    files.push_back(a[i]);
  }
  if (files.empty()) return usage_error(out);
  return cmd_outline(files, cap, out);
}

int run_read_branch(Args a, Output& out) {
  if (a.empty()) return usage_error(out);
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
  uint64_t cap = 200;
  Args roots;
  for (size_t i = 1; i < a.size(); ++i) {
    if (a[i] == "-n") {
      cap = number_or(a, i + 1, 200);
      ++i;
      continue;
    }
    roots.push_back(a[i]);
  }
  return cmd_def(a[0], roots, cap, out);
}

// Roots with a row count "-n N" anywhere among them, as map and brief take
// them; a missing or bad number is reported under the subcommand's name.
bool parse_rows_and_roots(const Args& a, const char* sub, uint64_t& rows, Args& roots, Output& out) {
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
  uint64_t n = 25;
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
      opts.width = number_or(a, i + 1, 200);
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

// The cache flags shared by `web` and `fetch`; they become environment
// switches that the fetch cache reads later in this process. Returns true
// when a[i] was one of them and advances i past what it consumed.
bool take_cache_flag(const Args& a, size_t& i) {
  const std::string& w = a[i];
  if (w == "--stale" || w == "--ttl") {
    if (i + 1 < a.size())
      setenv(w == "--stale" ? "ZUB_STALE" : "ZUB_CACHE_TTL", a[i + 1].c_str(), 1);
    i += 2;
    return true;
  }
  if (w == "--no-cache" || w == "--refresh") {
    setenv(w == "--no-cache" ? "ZUB_NO_CACHE" : "ZUB_REFRESH", "1", 1);
    i += 1;
    return true;
  }
  return false;
}

int run_web_branch(const Args& a, Output& out) {
  if (a.empty()) return usage_error(out);
  uint64_t n = 6, k = 0, c = 9000;
  size_t i = 1;
  while (i < a.size()) {
    if (take_cache_flag(a, i)) continue;
    if (a[i] == "-d") {
      k = number_or(a, i + 1, 3);
      i += 2;
    } else if (a[i] == "-n") {
      c = number_or(a, i + 1, 9000);
      i += 2;
    } else {
      n = parse_u64(a[i]).value_or(6);
      ++i;
    }
  }
  return cmd_web(a[0], n, k, c, out);
}

int run_fetch_branch(const Args& a, Output& out) {
  if (a.empty()) return usage_error(out);
  uint64_t c = 6000;
  Args urls;
  size_t i = 0;
  while (i < a.size()) {
    if (take_cache_flag(a, i)) continue;
    if (a[i] == "-n") {
      c = number_or(a, i + 1, 6000);
      i += 2;
    } else {
      urls.push_back(a[i]);
      ++i;
    }
  }
  return cmd_fetch(urls, c, out);
}

int run_md_branch(Output& out) {
  const FdText in = read_fd_text(0);
  std::string fixed;
  const std::string_view input = filter_text(in, fixed);
  const uint64_t repeats = env_number("ZUB_BENCH").value_or(1);
  const bool quiet = std::getenv("ZUB_BENCH_QUIET") != nullptr;
  return cmd_md(input, repeats, quiet, out);
}

int run_subcommand(const std::vector<std::string>& argv, Output& out) {
  if (argv.size() < 2) return usage_error(out);
  const std::string& sub = argv[1];
  const Args a(argv.begin() + 2, argv.end());

  if (sub == "help" || sub == "-h" || sub == "--help") {
    out.write_out(std::string(kUsageText) + "\n");
    return 0;
  }
  if (sub == "version" || sub == "-V" || sub == "--version") {
    out.write_out(std::string(kVersionLine) + "\n");
    return 0;
  }
  if (sub == "brief") return run_brief_branch(a, out);
  if (sub == "outline") return run_outline_branch(a, out);
  if (sub == "read") return run_read_branch(a, out);
  if (sub == "def") return run_def_branch(a, out);
  if (sub == "grep") return cmd_grep(a, out);
  if (sub == "map") return run_map_branch(a, out);
  if (sub == "wrap") return run_wrap_branch(a, out);
  if (sub == "diag" || sub == "logs" || sub == "trim") {
    const FdText in = read_fd_text(0);
    std::string fixed;
    const std::string_view text = filter_text(in, fixed);
    add_gain_baseline(in.text().size());
    const uint64_t before = out.written;
    const int status = sub == "diag"   ? cmd_diag(text, out)
                       : sub == "logs" ? cmd_logs(text, number_or(a, 0, 3000), out)
                                       : cmd_trim(text, number_or(a, 0, 200), out);
    keep_raw_if_shortened(sub, in.text(), out.written - before, std::nullopt, out);
    return status;
  }
  if (sub == "web") return run_web_branch(a, out);
  if (sub == "fetch") return run_fetch_branch(a, out);
  if (sub == "md") return run_md_branch(out);
  if (sub == "cache") return cmd_cache(a, out);
  if (sub == "hook") return cmd_hook(read_stdin(), out);

  out.write_err("zub: 알 수 없는 서브커맨드 `" + sub + "`\n\n" + kUsageText + "\n");
  return 2;
}

}  // namespace

int run_cli(const std::vector<std::string>& argv, Output& out) {
  if (argv.size() > 1 && argv[1] == "gain") return cmd_gain(Args(argv.begin() + 2, argv.end()), out);
  GainCall call(argv.size() > 1 ? std::string_view(argv[1]) : std::string_view(), out);
  return call.finish(run_subcommand(argv, out));
}

}  // namespace zub
