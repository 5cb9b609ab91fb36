// Every subcommand's options, one table each, all in one place: the
// spellings, the kind of value, the number a missing or bad value stands for
// or the message it prints, the operands, and where each value goes in the
// subcommand's options struct. The parser in base/option_parser.h reads
// them; the front end picks the table by subcommand.
#pragma once

#include "base/option_parser.h"
#include "cli/completion.h"
#include "cli/gain.h"
#include "cli/init.h"
#include "cli/option_help.h"
#include "compress/logs.h"
#include "compress/trim.h"
#include "compress/wrap.h"
#include "nav/brief.h"
#include "nav/map.h"
#include "nav/outline.h"
#include "nav/read.h"
#include "search/def.h"
#include "search/grep_options.h"
#include "web/cache_cmd.h"
#include "web/fetch.h"
#include "web/web.h"

namespace zub {

// The options of a subcommand that ignores its arguments.
struct NoOptions {};

// diag and md: the files read instead of standard input.
struct FilterOptions {
  std::vector<std::string> files;
};

// logs and trim: their number (logs' count, trim's width) and the files
// read instead of standard input.
struct LogsArgs : LogsOptions {
  static constexpr uint64_t kNumberDefault = kLogsDefaultLimit;
  uint64_t& number() { return limit; }
  std::vector<std::string> files;
  bool number_seen = false;
};
struct TrimArgs : TrimOptions {
  static constexpr uint64_t kNumberDefault = kTrimDefaultWidth;
  uint64_t& number() { return width; }
  std::vector<std::string> files;
  bool number_seen = false;
};

// `zub help SUB`: the subcommand named, if any.
struct HelpOptions {
  std::string sub;
};

extern const OptionTable<NoOptions> kNoOptionsTable;
extern const OptionTable<HelpOptions> kHelpTable;
extern const OptionTable<NoOptions> kFilterTable;          // hook
extern const OptionTable<FilterOptions> kFileFilterTable;  // diag, md
extern const OptionTable<BriefOptions> kBriefTable;
extern const OptionTable<OutlineOptions> kOutlineTable;
extern const OptionTable<ReadOptions> kReadTable;
extern const OptionTable<DefOptions> kDefTable;
extern const OptionTable<GrepOptions> kGrepTable;
extern const OptionTable<MapOptions> kMapTable;
extern const OptionTable<WrapOptions> kWrapTable;
extern const OptionTable<LogsArgs> kLogsTable;
extern const OptionTable<TrimArgs> kTrimTable;
extern const OptionTable<WebOptions> kWebTable;
extern const OptionTable<FetchOptions> kFetchTable;
extern const OptionTable<CacheOptions> kCacheTable;
extern const OptionTable<GainOptions> kGainTable;
extern const OptionTable<InitOptions> kInitTable;
extern const OptionTable<CompletionOptions> kCompletionTable;
extern const OptionTable<OptionListOptions> kOptionListTable;

}  // namespace zub
