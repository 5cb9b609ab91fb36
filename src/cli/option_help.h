// The option lists written from the option tables' help texts: the block
// `zub SUB --help` ends with, the man page's list under each subcommand and
// the README's table, so that the three say the same as the parser does.
// Pure.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/option_parser.h"

namespace zub {

inline constexpr std::string_view kOptionListUsage = "zub optionlist text|man|markdown SUB";

struct OptionListOptions {
  std::string format, sub;
  bool extra = false;  // a third operand
};

// "  -n, --lines N   최근 N줄…" lines after a "옵션:" line; empty when the
// subcommand has no options.
std::string option_list_text(const std::vector<OptionSummary>& options);

// The man page's list: a .TP entry per option.
std::string option_list_man(const std::vector<OptionSummary>& options);

// The README's table: "| option | meaning |" and a row per option.
std::string option_list_markdown(const std::vector<OptionSummary>& options);

// The lines that mark a generated list in the man page and the README:
// the list for `sub` lies between begin and end.
std::string option_list_begin(std::string_view format, std::string_view sub);
std::string option_list_end(std::string_view format);

}  // namespace zub
