// Shell completion for bash, zsh and fish, written from the subcommand and
// option tables so that it never falls behind them: the subcommands, each
// one's options (and whether a value follows), and what its operands are
// (files, a command line, subcommand names, nothing). `zub completion
// SHELL` prints one; the build installs all three. Pure.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/option_parser.h"

namespace zub {

enum class Operands { kFiles, kCommand, kSubcommands, kNone };

struct CompletedSub {
  std::string_view name;
  std::vector<OptionSummary> options;
  Operands operands = Operands::kFiles;
};

inline constexpr std::string_view kCompletionUsage = "zub completion bash|zsh|fish";

struct CompletionOptions {
  std::string shell;
  bool extra = false;  // a second operand
};

// The script for `shell` ("bash", "zsh", "fish"); nothing for another.
std::optional<std::string> completion_script(std::string_view shell,
                                             const std::vector<CompletedSub>& subs);

}  // namespace zub
