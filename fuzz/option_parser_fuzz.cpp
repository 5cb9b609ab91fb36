// The option tables of every subcommand on argument lists of any shape (the
// input split at NUL bytes): parsing never fails to end, never reads past
// the list, and gives the same result twice; an unknown option, a help
// request or a bad value names a non-empty argument, a missing operand
// names none.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cli/option_table.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

template <typename Opts>
void parse_twice(const std::vector<std::string>& args, const zub::OptionTable<Opts>& table) {
  Opts a{};
  Opts b{};
  const zub::ParseResult first = zub::parse_options(args, table, a);
  const zub::ParseResult second = zub::parse_options(args, table, b);
  check(first.status == second.status && first.argument == second.argument &&
        first.message == second.message);
  switch (first.status) {
    case zub::ParseStatus::kUnknown:
    case zub::ParseStatus::kHelp:
    case zub::ParseStatus::kBadValue: check(!first.argument.empty()); break;
    case zub::ParseStatus::kMissing: check(first.argument.empty()); break;
    case zub::ParseStatus::kOk: break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> args;
  size_t start = 0;
  while (start <= text.size() && args.size() < 64) {
    const size_t nul = text.find('\0', start);
    const size_t end = nul == std::string_view::npos ? text.size() : nul;
    args.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  parse_twice(args, zub::kHelpTable);
  parse_twice(args, zub::kFilterTable);
  parse_twice(args, zub::kBriefTable);
  parse_twice(args, zub::kOutlineTable);
  parse_twice(args, zub::kReadTable);
  parse_twice(args, zub::kDefTable);
  parse_twice(args, zub::kGrepTable);
  parse_twice(args, zub::kMapTable);
  parse_twice(args, zub::kWrapTable);
  parse_twice(args, zub::kLogsTable);
  parse_twice(args, zub::kTrimTable);
  parse_twice(args, zub::kWebTable);
  parse_twice(args, zub::kFetchTable);
  parse_twice(args, zub::kCacheTable);
  parse_twice(args, zub::kGainTable);
  parse_twice(args, zub::kInitTable);
  return 0;
}
