#include "cli/frontend.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <optional>
#include <string_view>
#include <type_traits>

#include "base/ascii.h"
#include "base/env.h"
#include "base/file_io.h"
#include "base/head_tail.h"
#include "base/option_parser.h"
#include "base/outcome.h"
#include "base/shown_path.h"
#include "base/utf8.h"
#include "cli/completion.h"
#include "cli/filter_input.h"
#include "cli/gain_call.h"
#include "cli/init.h"
#include "cli/option_help.h"
#include "cli/option_table.h"
#include "cli/peer_names.h"
#include "cli/usage.h"
#include "compress/diag.h"
#include "compress/raw_keep.h"
#include "hook/hook.h"
#include "html/md.h"
#include "search/grep.h"
#include "search/grep_options.h"

namespace zub {

namespace {

using Args = std::vector<std::string>;

constexpr uint64_t kDefaultBenchRepeats = 1;

int usage_error(Output& out) {
  out.write_err(std::string(kUsageText) + "\n");
  return 2;
}

// ---- Standard input ----

// Whole standard input; nothing when it cannot be read or holds more than
// `cap` bytes. `reserve`: see read_fd_all.
std::optional<std::string> read_stdin(uint64_t cap, bool reserve = false) {
  ReadResult r = read_fd_all(0, cap + 1, reserve);
  if (!r.ok || r.data.size() > cap) return std::nullopt;
  return std::move(r.data);
}

// Calls `use` with standard input as the filters see it: an invalid byte
// sequence becomes U+FFFD and everything around it is kept, so one stray
// byte in a build log never empties the summary. Valid input (mapped when
// large) is used in place. A read error keeps what was read before it.
template <typename Use>
auto with_filter_text(const ReadResult& in, Use&& use) {
  const std::string_view raw = in.text();
  if (is_valid_utf8(raw)) return use(raw);
  const std::string fixed = decode_lossy(raw);
  return use(std::string_view(fixed));
}

// A handler that measures nothing returns its status alone.
Outcome as_outcome(int status) { return {status, 0}; }
Outcome as_outcome(const Outcome& outcome) { return outcome; }

// Runs a filter on its input up to the filters' cap (standard input or the
// files named): past it, the head and tail with a gap line between them,
// and a note after the output. A named file that cannot be read makes the
// status 2; when none could be, the filter does not run on nothing.
// A compressor's baseline is the bytes read, and when it prints less than
// it kept, those exact bytes are kept (unless they came from files, which
// keep them already).
template <typename Filter>
Outcome run_filter(std::string_view sub, const std::vector<std::string>& files, bool compressor,
                   Output& out, Filter&& filter, const bool* dropped = nullptr,
                   uint64_t max_cap = UINT64_MAX) {
  const uint64_t cap = std::min(filter_input_cap(), max_cap);
  const FilterInput in = read_filter_input(files, cap, out);
  if (in.empty_handed) return {2, 0};
  const uint64_t before = out.written;
  Outcome outcome = as_outcome(with_filter_text(in.read.in, filter));
  if (in.read.left_out > 0)
    out.write_out(head_tail_note(sub, "입력", in.read.total, in.read.left_out, cap));
  if (compressor) {
    if (!in.on_disk)
      keep_raw_if_shortened(sub, in.read.in.text(), out.written - before, std::nullopt, out,
                            in.read.left_out, dropped && *dropped);
    outcome.baseline = in.read.total;
  }
  if (in.failed) outcome.status = 2;
  return outcome;
}

// ---- Handlers ----
//
// Each gets its subcommand's options as the option table read them.

Outcome run_diag(const FilterOptions& opts, Output& out) {
  return run_filter("diag", opts.files, true, out,
                    [&](std::string_view text) { return cmd_diag(text, out); });
}

Outcome run_logs(const LogsArgs& opts, Output& out) {
  return run_filter("logs", opts.files, true, out,
                    [&](std::string_view text) { return cmd_logs(text, opts, out); });
}

Outcome run_trim(const TrimArgs& opts, Output& out) {
  bool dropped = false;
  return run_filter(
      "trim", opts.files, true, out,
      [&](std::string_view text) { return cmd_trim(text, opts, out, &dropped); }, &dropped);
}

// A web address given where a file is read (`zub md https://…`): the call
// fails with one line naming fetch, unless a file of that name exists.
bool refuses_urls(std::string_view sub, const std::vector<std::string>& paths, Output& out) {
  for (const std::string& p : paths) {
    if (!(p.starts_with("http://") || p.starts_with("https://")) || path_exists(p)) continue;
    out.write_err("zub " + std::string(sub) + ": 웹 주소는 파일이 아니다 — zub fetch " +
                  shown_path(p) + "\n");
    return true;
  }
  return false;
}

Outcome run_read(const ReadOptions& opts, Output& out) {
  if (refuses_urls("read", opts.args, out)) return {2, 0};
  return as_outcome(cmd_read(opts, out));
}

Outcome run_outline(const OutlineOptions& opts, Output& out) {
  if (refuses_urls("outline", opts.files, out)) return {2, 0};
  return cmd_outline(opts, out);
}

// A name as code writes it, plain or with "::" between parts: never a path.
bool is_plain_name(std::string_view s) {
  if (s.empty() || is_digit(s[0])) return false;
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '_' || is_alnum(c)) continue;
    if (c == ':' && i + 2 < s.size() && s[i + 1] == ':') {
      ++i;
      continue;
    }
    return false;
  }
  return true;
}

// Two habits of the batch: several symbols before the roots ("def A B
// src": an operand that names no file but is a plain name, where another
// root exists, is one more symbol; each gets its report under a header),
// and the file named before the symbol ("def src/a.py parse", when the
// symbol is a file and the root is not).
Outcome run_def(const DefOptions& given, Output& out) {
  DefOptions opts = given;
  if (opts.roots.size() == 1 && path_exists(opts.symbol) && !path_exists(opts.roots[0]) &&
      is_plain_name(opts.roots[0]))
    std::swap(opts.symbol, opts.roots[0]);
  std::vector<std::string> symbols = {opts.symbol};
  std::vector<std::string> roots;
  for (const std::string& r : opts.roots)
    (!path_exists(r) && is_plain_name(r) ? symbols : roots).push_back(r);
  if (symbols.size() == 1 || roots.empty()) return as_outcome(cmd_def(opts, out));
  int status = 0;
  for (const std::string& sym : symbols) {
    out.write_out("== def " + sym + " ==\n");
    opts.symbol = sym;
    opts.roots = roots;
    status = std::max(status, cmd_def(opts, out));
  }
  return {status, 0};
}

// ZUB_BENCH repeats the conversion for timing; ZUB_BENCH_QUIET then keeps
// the result off standard output.
Outcome run_md(const FilterOptions& opts, Output& out) {
  if (refuses_urls("md", opts.files, out)) return {2, 0};
  return run_filter(
      "md", opts.files, false, out,
      [&](std::string_view input) {
        const uint64_t repeats = env_number("ZUB_BENCH").value_or(kDefaultBenchRepeats);
        const bool quiet = env_present("ZUB_BENCH_QUIET");
        return cmd_md(input, repeats, quiet, out);
      },
      nullptr, kMdMaxInputBytes);
}

std::string usage_about(std::string_view name);

// wrap without a command gets its lines, as read and grep without operands do.
Outcome run_wrap(const WrapOptions& opts, Output& out) {
  if (opts.command.empty()) {
    out.write_err("zub wrap: 실행할 명령이 없다\n\n" + usage_about("wrap") + "\n");
    return {2, 0};
  }
  return cmd_wrap(opts, out);
}

// A shortened shell output is recorded in the gain ledger against what the
// host would have shown. The hook's status is 0 whatever happens: the one
// failure that is not a value, memory running out on a large event (under a
// limit the host set), leaves the output as it is like any other.
int run_hook(const NoOptions&, Output& out) {
  const GainClock clock;
  try {
    const PostToolAnswer a = cmd_hook(read_stdin(kHookInputCap, true), out);
    if (a.answered) record_gain("hook", a.baseline, a.printed, clock, 0);
  } catch (const std::bad_alloc&) {
  }
  return 0;
}

// The lines about subcommand `name` for its help and after an unknown
// option: its own text (grep, init), else its lines of the usage text, else
// (a subcommand the usage text does not list, or none) the whole usage text.
std::string usage_about(std::string_view name) {
  if (name == "grep") return std::string(kGrepUsage);
  if (name == "init") return std::string(kInitHelp);
  std::string lines = usage_lines(name);
  if (lines.empty()) return std::string(kUsageText);
  const std::string_view more = usage_more(name);
  if (!more.empty()) {
    lines += '\n';
    lines.append(more.substr(0, more.size() - 1));  // the caller ends the text
  }
  return lines;
}

struct Subcommand;
const Subcommand* find_subcommand(std::string_view name);
const Subcommand* peer_of(std::string_view name);
std::string_view name_of(const Subcommand& sub);
std::vector<OptionSummary> options_of_sub(const Subcommand& sub);

// `text`, then the list of `options` below it when there are any.
std::string with_options(std::string text, const std::vector<OptionSummary>& options) {
  const std::string list = option_list_text(options);
  if (!list.empty()) text += "\n" + list;
  return text;
}

// `zub help` and `zub help SUB`; the name of another tool (help cat) is
// answered by the subcommand that does its work.
int show_usage(const HelpOptions& opts, Output& out) {
  std::string_view name = opts.sub;
  if (!name.empty() && find_subcommand(name) == nullptr)
    if (const Subcommand* peer = peer_of(name)) name = name_of(*peer);
  const Subcommand* sub = find_subcommand(name);
  const std::string text =
      sub ? with_options(usage_about(name), options_of_sub(*sub)) : usage_about(name);
  out.write_out(text + "\n");
  return 0;
}

int show_version(const NoOptions&, Output& out) {
  out.write_out(std::string(kVersionLine) + "\n");
  return 0;
}

// ---- The subcommand table ----

// Reads the arguments after the subcommand's name and runs it.
using Runner = Outcome (*)(const Subcommand& sub, const Args& args, Output& out);

struct Subcommand {
  std::string_view name;
  std::array<std::string_view, 2> aliases;  // empty where there are none
  bool hidden;                              // left out of the usage text on purpose
  Runner run;
  std::vector<OptionSummary> (*options)();  // for help and shell completion
  Operands operands;                        // for shell completion
};

template <const auto& Table>
std::vector<OptionSummary> options_of() {
  return option_summaries(Table);
}

// The lines about `sub`: its table's own text, else as usage_about says.
std::string usage_of(const Subcommand& sub, std::string_view own) {
  return own.empty() ? usage_about(sub.name) : std::string(own);
}

// Its help: those lines, then its options from the rows of its table.
std::string help_of(const Subcommand& sub, std::string_view own) {
  return with_options(usage_of(sub, own), sub.options());
}

// What a failed reading of the arguments prints, and its status.
int report_parse(const Subcommand& sub, std::string_view own_usage, const ParseResult& p,
                 Output& out) {
  switch (p.status) {
    case ParseStatus::kOk: break;
    case ParseStatus::kHelp: out.write_out(help_of(sub, own_usage) + "\n"); return 0;
    case ParseStatus::kUnknown:
      out.write_err("zub " + std::string(sub.name) + ": 모르는 플래그 `" + std::string(p.argument) +
                    "`\n\n" + usage_of(sub, own_usage) + "\n");
      return 2;
    case ParseStatus::kBadValue: out.write_err(std::string(p.message)); return 2;
    case ParseStatus::kMissing:
      // A call without its operands gets the lines about the subcommand,
      // not the whole usage text.
      out.write_err(p.message.empty() ? usage_of(sub, own_usage) + "\n" : std::string(p.message));
      return 2;
  }
  return 0;
}

// Reads the arguments with `Table` and runs `Handler` on the options.
template <const auto& Table, auto Handler>
Outcome parse_and_run(const Subcommand& sub, const Args& args, Output& out) {
  typename std::remove_cvref_t<decltype(Table)>::Options opts;
  const ParseResult p = parse_options(args, Table, opts);
  if (p.status != ParseStatus::kOk) return as_outcome(report_parse(sub, Table.usage, p, out));
  return as_outcome(Handler(opts, out));
}

int print_completion(const CompletionOptions& opts, Output& out);
int print_option_list(const OptionListOptions& opts, Output& out);

// A row of the table below: `Table` reads the arguments, `Handler` runs.
template <const auto& Table, auto Handler>
constexpr Subcommand row(std::string_view name, bool hidden, Operands operands,
                         std::array<std::string_view, 2> aliases = {}) {
  return {name, aliases, hidden, parse_and_run<Table, Handler>, options_of<Table>, operands};
}

// In the order of the usage text.
constexpr Subcommand kSubcommands[] = {
    row<kHelpTable, show_usage>("help", true, Operands::kSubcommands, {"-h", "--help"}),
    row<kNoOptionsTable, show_version>("version", true, Operands::kNone, {"-V", "--version"}),
    row<kBriefTable, cmd_brief>("brief", false, Operands::kFiles),
    row<kOutlineTable, run_outline>("outline", false, Operands::kFiles),
    row<kReadTable, run_read>("read", false, Operands::kFiles),
    row<kDefTable, run_def>("def", false, Operands::kFiles),
    row<kGrepTable, cmd_grep>("grep", false, Operands::kFiles),
    row<kMapTable, cmd_map>("map", false, Operands::kFiles),
    row<kWrapTable, run_wrap>("wrap", false, Operands::kCommand),
    row<kFileFilterTable, run_diag>("diag", false, Operands::kFiles),
    row<kLogsTable, run_logs>("logs", false, Operands::kFiles),
    row<kTrimTable, run_trim>("trim", false, Operands::kFiles),
    row<kWebTable, cmd_web>("web", false, Operands::kNone),
    row<kFetchTable, cmd_fetch>("fetch", false, Operands::kNone),
    row<kFileFilterTable, run_md>("md", false, Operands::kFiles),
    row<kCacheTable, cmd_cache>("cache", false, Operands::kNone),
    row<kFilterTable, run_hook>("hook", false, Operands::kNone),
    // Not in the usage text, which stays as it was.
    row<kGainTable, cmd_gain>("gain", true, Operands::kNone),
    row<kInitTable, cmd_init>("init", true, Operands::kNone),
    row<kCompletionTable, print_completion>("completion", true, Operands::kNone),
    // The option lists of the man page and the README, for the tool that
    // keeps them current.
    row<kOptionListTable, print_option_list>("optionlist", true, Operands::kNone),
};

// `zub completion SHELL`: the script, from the table above.
int print_completion(const CompletionOptions& opts, Output& out) {
  std::vector<CompletedSub> subs;
  for (const Subcommand& s : kSubcommands) subs.push_back({s.name, s.options(), s.operands});
  std::optional<std::string> script =
      opts.extra ? std::nullopt : completion_script(opts.shell, subs);
  if (!script) {
    out.write_err("zub completion: 모르는 셸 `" + opts.shell + "`\n\n" +
                  std::string(kCompletionUsage) + "\n");
    return 2;
  }
  out.write_out(*script);
  return 0;
}

// `zub optionlist text|man|markdown SUB`: the list of SUB's options.
int print_option_list(const OptionListOptions& opts, Output& out) {
  const Subcommand* sub = find_subcommand(opts.sub);
  using Format = std::string (*)(const std::vector<OptionSummary>&);
  const Format format = opts.format == "text"       ? option_list_text
                        : opts.format == "man"      ? option_list_man
                        : opts.format == "markdown" ? option_list_markdown
                                                    : nullptr;
  if (sub == nullptr || format == nullptr || opts.extra) {
    out.write_err(std::string(kOptionListUsage) + "\n");
    return 2;
  }
  out.write_out(format(sub->options()));
  return 0;
}

// Exact, case-sensitive match of the name or an alias.
const Subcommand* find_subcommand(std::string_view name) {
  for (const Subcommand& s : kSubcommands) {
    if (s.name == name) return &s;
    for (std::string_view alias : s.aliases)
      if (!alias.empty() && alias == name) return &s;
  }
  return nullptr;
}

std::string_view name_of(const Subcommand& sub) { return sub.name; }

std::vector<OptionSummary> options_of_sub(const Subcommand& sub) { return sub.options(); }

// ---- A name that is not a subcommand ----
//
// Another tool's name, or a slip of a subcommand's name, is not run as the
// subcommand (cli/peer_names.h says why): it fails with one line naming
// the subcommand instead of the whole usage text.

// The subcommand a name not found stands for, if any.
const Subcommand* peer_of(std::string_view name) {
  std::vector<std::string_view> names;
  for (const Subcommand& s : kSubcommands) names.push_back(s.name);
  const std::string_view peer = peer_subcommand(name, names);
  return peer.empty() ? nullptr : find_subcommand(peer);
}

int unknown_subcommand(const std::string& name, Output& out) {
  std::string text = "zub: 알 수 없는 서브커맨드 `" + name + "`\n";
  const Subcommand* peer = peer_of(name);
  if (peer == nullptr) {
    out.write_err(text + "\n" + kUsageText + "\n");
    return 2;
  }
  // The peer's first usage line, which names its form.
  std::string line = usage_lines(peer->name);
  line = line.substr(0, line.find('\n'));
  text += "→ zub ";
  text += line.empty() ? std::string(peer->name) : line;
  out.write_err(text + "\n");
  return 2;
}

}  // namespace

std::vector<SubcommandName> subcommand_names() {
  std::vector<SubcommandName> names;
  for (const Subcommand& s : kSubcommands) names.push_back({s.name, s.hidden});
  return names;
}

int run_cli(const std::vector<std::string>& argv, Output& out) {
  if (argv.size() < 2) return usage_error(out);
  const std::string& sub = argv[1];
  const Subcommand* s = find_subcommand(sub);
  if (s == nullptr) return unknown_subcommand(sub, out);
  // The one place every subcommand runs from: what has to happen around
  // each run goes here. The gain ledger records the run (for the
  // subcommands it covers).
  GainCall call(sub, out);
  return call.finish(s->run(*s, Args(argv.begin() + 2, argv.end()), out));
}

}  // namespace zub
