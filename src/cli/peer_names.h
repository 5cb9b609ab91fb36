// The names an agent types for a subcommand it does not remember: another
// tool's name (cat, rg, tree, curl) and a slip of a subcommand's own name
// (one letter wrong, missing, extra or two swapped, any case). Such a call
// is not run as the subcommand: the other tool's options mean other things
// (head's ten lines, find's -name), so running it could answer something
// else than was asked; the front end names the subcommand instead. Pure.
#pragma once

#include <string_view>
#include <vector>

namespace zub {

// The subcommand of `subcommands` that `name` stands for, or empty: the
// peer of another tool's name, else the subcommand of which `name` (three
// letters or more) is a slip.
std::string_view peer_subcommand(std::string_view name,
                                 const std::vector<std::string_view>& subcommands);

}  // namespace zub
