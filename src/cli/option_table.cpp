#include "cli/option_table.h"

#include <algorithm>

#include "base/env.h"
#include "web/fetch_policy.h"

namespace zub {

namespace {

constexpr OptionKind kNumber = OptionKind::kNumber;
constexpr OptionKind kText = OptionKind::kText;
constexpr OptionKind kHelp = OptionKind::kHelp;
constexpr BadValue kFallback = BadValue::kFallback;
constexpr BadValue kError = BadValue::kError;

// A missing or bad number given to grep counts as 3.
constexpr uint64_t kGrepNumberFallback = 3;
// `web -d` without a number reads the first three pages.
constexpr uint64_t kWebDefaultDeepPages = 3;

// ---- Shared rows ----

// The cache flags of `web` and `fetch`: each overrides the field of the
// policy that its environment variable set, read by the same rule; a flag
// without its value changes nothing.
template <typename Opts>
void set_stale(Opts& o, const OptionValue& v) {
  o.policy.stale_floor = setting_number(v.text).value_or(0);
}
template <typename Opts>
void set_ttl(Opts& o, const OptionValue& v) {
  o.policy.ttl = setting_number(v.text);
}
template <typename Opts>
void set_no_cache(Opts& o, const OptionValue&) {
  o.policy.no_cache = true;
}
template <typename Opts>
void set_refresh(Opts& o, const OptionValue&) {
  o.policy.refresh = true;
}
template <typename Opts>
void policy_from_env(Opts& o) {
  o.policy = fetch_policy_from_env();
}

// grep's file filter.
void set_extensions(GrepOptions& o, const OptionValue& v) {
  o.filter.extensions = parse_ext_list(v.text);
}
void add_name_glob(GrepOptions& o, const OptionValue& v) { o.filter.names.emplace_back(v.text); }
void add_excluded_glob(GrepOptions& o, const OptionValue& v) {
  o.filter.excludes.emplace_back(v.text);
}
void search_all_files(GrepOptions& o, const OptionValue&) { o.filter.include_all = true; }

// Arguments that are accepted and not used.
template <typename Opts>
constexpr OptionRow<Opts> kIgnoredOperands = {.kind = kText};

// clang-format off

// ---- The tables, in the order of the usage text ----

constexpr OptionRow<NoOptions> kNoRows[] = {kIgnoredOperands<NoOptions>};

constexpr OptionRow<BriefOptions> kBriefRows[] = {
    {.spellings = {"-n"}, .kind = kNumber, .on_bad = kError,
     .message = "zub brief: -n 뒤에 숫자가 와야 한다\n", .set = set_number<&BriefOptions::rows>},
    {.kind = kText, .set = append_text<&BriefOptions::roots>},
};

constexpr OptionRow<OutlineOptions> kOutlineRows[] = {
    {.spellings = {"-n"}, .kind = kNumber, .on_bad = kFallback, .fallback = kOutlineDefaultLines,
     .set = set_number<&OutlineOptions::cap>},
    {.kind = kText, .set = append_text<&OutlineOptions::files>},
};

// Only the first byte option is one; a later "-c" is a path like any other.
constexpr OptionRow<ReadOptions> kReadRows[] = {
    {.spellings = {"--bytes", "-c"}, .kind = kNumber, .on_bad = kError, .min = 1,
     .first_only = true, .message = "zub read --bytes N (N>0)\n",
     .set = [](ReadOptions& o, const OptionValue& v) {
       o.byte_mode = true;
       o.bytes = v.number;
     }},
    {.kind = kText, .set = append_text<&ReadOptions::args>},
};

constexpr OptionRow<DefOptions> kDefRows[] = {
    {.spellings = {"-n"}, .kind = kNumber, .on_bad = kFallback, .fallback = kDefDefaultLines,
     .set = [](DefOptions& o, const OptionValue& v) {
       o.lines = v.number;
       o.lines_given = true;
     }},
    {.spellings = {"--all"}, .set = set_true<&DefOptions::all>},
    {.kind = kText, .set = set_text<&DefOptions::symbol>},
    {.kind = kText, .set = append_text<&DefOptions::roots>},
};

// The first operand is the pattern unless -e gave one before it.
constexpr OptionRow<GrepOptions> kGrepRows[] = {
    {.spellings = {"-E", "-P"}, .set = set_true<&GrepOptions::regex>},
    {.spellings = {"-i"}, .set = set_true<&GrepOptions::icase>},
    {.spellings = {"-w"}, .set = set_true<&GrepOptions::word>},
    {.spellings = {"-v"}, .set = set_true<&GrepOptions::invert>},
    {.spellings = {"-l"}, .set = set_true<&GrepOptions::files_only>},
    {.spellings = {"-c"}, .set = set_true<&GrepOptions::count>},
    {.spellings = {"-o", "--only-matching"}, .set = set_true<&GrepOptions::only_matching>},
    {.spellings = {"-C"}, .kind = kNumber, .on_bad = kFallback, .fallback = kGrepNumberFallback,
     .set = [](GrepOptions& o, const OptionValue& v) {
       o.before = o.after = v.number;
       o.context_requested = true;
     }},
    {.spellings = {"-A"}, .kind = kNumber, .on_bad = kFallback, .fallback = kGrepNumberFallback,
     .set = [](GrepOptions& o, const OptionValue& v) {
       o.after = v.number;
       o.context_requested = true;
     }},
    {.spellings = {"-B"}, .kind = kNumber, .on_bad = kFallback, .fallback = kGrepNumberFallback,
     .set = [](GrepOptions& o, const OptionValue& v) {
       o.before = v.number;
       o.context_requested = true;
     }},
    {.spellings = {"-n"}, .kind = kNumber, .on_bad = kFallback, .fallback = kGrepNumberFallback,
     .set = set_at_least_one<&GrepOptions::limit>},
    {.spellings = {"--max-files"}, .kind = kNumber, .on_bad = kFallback,
     .fallback = kGrepNumberFallback,
     .set = set_at_least_one<&GrepOptions::file_cap>},
    {.spellings = {"-e"}, .kind = kText, .set = append_text<&GrepOptions::patterns>},
    {.spellings = {"--ext"}, .kind = kText, .set = set_extensions},
    {.spellings = {"--name"}, .kind = kText, .set = add_name_glob},
    {.spellings = {"--not"}, .kind = kText, .set = add_excluded_glob},
    {.spellings = {"--all"}, .set = search_all_files},
    {.spellings = {"-h", "--help"}, .kind = kHelp},
    {.kind = kText, .set = [](GrepOptions& o, const OptionValue& v) {
       (o.patterns.empty() ? o.patterns : o.roots).emplace_back(v.text);
     }},
};

constexpr OptionRow<MapOptions> kMapRows[] = {
    {.spellings = {"-n"}, .kind = kNumber, .on_bad = kError,
     .message = "zub map: -n 뒤에 숫자가 와야 한다\n", .set = set_number<&MapOptions::rows>},
    {.kind = kText, .set = append_text<&MapOptions::roots>},
};

constexpr OptionRow<WrapOptions> kWrapRows[] = {
    {.spellings = {"-w"}, .kind = kNumber, .on_bad = kFallback, .fallback = kTrimDefaultWidth,
     .set = set_number<&WrapOptions::width>},
    {.spellings = {"--diag"}, .set = set_to<&WrapOptions::mode, WrapMode::kDiag>},
    {.spellings = {"--logs"}, .set = set_to<&WrapOptions::mode, WrapMode::kLogs>},
    {.spellings = {"--raw"}, .set = set_to<&WrapOptions::mode, WrapMode::kRaw>},
    {.kind = kText, .set = append_text<&WrapOptions::command>},
};

// logs and trim read their first argument as a number, if it is one.
constexpr OptionRow<LogsOptions> kLogsRows[] = {
    {.kind = kNumber, .on_bad = kFallback, .fallback = kLogsDefaultLimit,
     .set = set_number<&LogsOptions::limit>},
    kIgnoredOperands<LogsOptions>,
};

constexpr OptionRow<TrimOptions> kTrimRows[] = {
    {.kind = kNumber, .on_bad = kFallback, .fallback = kTrimDefaultWidth,
     .set = set_number<&TrimOptions::width>},
    kIgnoredOperands<TrimOptions>,
};

// Every operand after the query is the result count; the last one counts,
// and one that is not a number stands for the default.
constexpr OptionRow<WebOptions> kWebRows[] = {
    {.spellings = {"--stale"}, .kind = kText, .set = set_stale<WebOptions>},
    {.spellings = {"--ttl"}, .kind = kText, .set = set_ttl<WebOptions>},
    {.spellings = {"--no-cache"}, .set = set_no_cache<WebOptions>},
    {.spellings = {"--refresh"}, .set = set_refresh<WebOptions>},
    {.spellings = {"-d"}, .kind = kNumber, .on_bad = kFallback, .fallback = kWebDefaultDeepPages,
     .set = set_number<&WebOptions::deep>},
    {.spellings = {"-n"}, .kind = kNumber, .on_bad = kFallback, .fallback = kWebDefaultChars,
     .set = set_number<&WebOptions::chars>},
    {.kind = kText, .set = set_text<&WebOptions::query>},
    {.kind = kNumber, .on_bad = kFallback, .fallback = kWebDefaultResults,
     .set = set_number<&WebOptions::results>},
};

constexpr OptionRow<FetchOptions> kFetchRows[] = {
    {.spellings = {"--stale"}, .kind = kText, .set = set_stale<FetchOptions>},
    {.spellings = {"--ttl"}, .kind = kText, .set = set_ttl<FetchOptions>},
    {.spellings = {"--no-cache"}, .set = set_no_cache<FetchOptions>},
    {.spellings = {"--refresh"}, .set = set_refresh<FetchOptions>},
    {.spellings = {"-n"}, .kind = kNumber, .on_bad = kFallback, .fallback = kFetchDefaultChars,
     .set = set_number<&FetchOptions::chars>},
    {.kind = kText, .set = append_text<&FetchOptions::urls>},
};

// `cache`, `cache clear`, `cache ttl URL...`; any other first word shows
// the status.
constexpr OptionRow<CacheOptions> kCacheRows[] = {
    {.kind = kText, .set = [](CacheOptions& o, const OptionValue& v) {
       o.action = v.text == "ttl" ? CacheAction::kTtl
                : v.text == "clear" ? CacheAction::kClear : CacheAction::kStatus;
     }},
    {.kind = kText, .set = append_text<&CacheOptions::urls>},
};

// `gain` alone or `gain --reset`; anything else is a usage error.
constexpr OptionRow<GainOptions> kGainRows[] = {
    {.spellings = {"--reset"}, .set = [](GainOptions& o, const OptionValue&) {
       if (o.reset) o.unexpected = true;
       o.reset = true;
     }},
    {.kind = kText, .set = set_true<&GainOptions::unexpected>},
};

// `init`'s five switches; any operand is a usage error.
constexpr OptionRow<InitOptions> kInitRows[] = {
    {.spellings = {"--project"}, .set = set_true<&InitOptions::project>},
    {.spellings = {"--dry-run"}, .set = set_true<&InitOptions::dry_run>},
    {.spellings = {"--show"}, .set = set_true<&InitOptions::show>},
    {.spellings = {"--uninstall"}, .set = set_true<&InitOptions::uninstall>},
    {.spellings = {"--notes"}, .set = set_true<&InitOptions::notes>},
    {.spellings = {"-h", "--help"}, .kind = kHelp},
    {.kind = kText, .set = [](InitOptions& o, const OptionValue& v) {
       if (o.stray.empty()) o.stray = v.text;
     }},
};

// clang-format on

}  // namespace

constexpr OptionTable<NoOptions> kNoOptionsTable = {.rows = kNoRows};

// No root means ".".
constexpr OptionTable<BriefOptions> kBriefTable = {.rows = kBriefRows};

constexpr OptionTable<OutlineOptions> kOutlineTable = {
    .rules = {.needs_operand = true},
    .rows = kOutlineRows,
};

constexpr OptionTable<ReadOptions> kReadTable = {
    .rules = {.needs_operand = true},
    .rows = kReadRows,
    .prepare = [](ReadOptions& o) { o.numbering = env_switch_set("ZUB_READ_NUM"); },
};

// The symbol is the first argument, whatever it looks like.
constexpr OptionTable<DefOptions> kDefTable = {
    .rules = {.leading = 1, .min_args = 2, .missing = "zub def SYM ROOT... [-n 200]\n"},
    .rows = kDefRows,
};

// Any other argument that begins with '-' is an unknown flag.
constexpr OptionTable<GrepOptions> kGrepTable = {
    .rules = {.unlisted_dash = UnlistedDash::kUnknown},
    .rows = kGrepRows,
    .usage = kGrepUsage,
};

constexpr OptionTable<MapOptions> kMapTable = {
    .rules = {.needs_operand = true},
    .rows = kMapRows,
};

// Options come before the command; the command's own arguments are its.
constexpr OptionTable<WrapOptions> kWrapTable = {
    .rules = {.operand_ends_options = true, .double_dash_ends_options = true},
    .rows = kWrapRows,
};

constexpr OptionTable<LogsOptions> kLogsTable = {.rows = kLogsRows};

constexpr OptionTable<TrimOptions> kTrimTable = {.rows = kTrimRows};

// The query is the first argument, whatever it looks like.
constexpr OptionTable<WebOptions> kWebTable = {
    .rules = {.leading = 1, .min_args = 1},
    .rows = kWebRows,
    .prepare = policy_from_env<WebOptions>,
};

// No URL is not an error: nothing is printed.
constexpr OptionTable<FetchOptions> kFetchTable = {
    .rules = {.min_args = 1},
    .rows = kFetchRows,
    .prepare = policy_from_env<FetchOptions>,
};

constexpr OptionTable<CacheOptions> kCacheTable = {.rows = kCacheRows};

constexpr OptionTable<GainOptions> kGainTable = {.rows = kGainRows};

constexpr OptionTable<InitOptions> kInitTable = {
    .rules = {.unlisted_dash = UnlistedDash::kUnknown},
    .rows = kInitRows,
    .usage = kInitHelp,
};

}  // namespace zub
