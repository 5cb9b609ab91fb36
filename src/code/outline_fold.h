// Which outline lines fold into one with their neighbours: imports and
// includes (the names they bring in are read where the run is, when needed),
// and plain fields, variables and object-like macros (kept as a list of
// their names). A run of such lines under one key becomes one outline line
// with its range and count, since a file's head of thirty imports says
// little for the bytes it costs. Pure functions.
#pragma once

#include <cstddef>
#include <string_view>

#include "code/declaration.h"

namespace zub {

struct FoldKey {
  std::string_view key;   // what a run of these lines is called; empty: the line does not fold
  std::string_view name;  // the name the line declares, for runs listed by name; else empty
};

// The fold key of outline line `i` of `src`. For files of no recognised
// language only imports fold (src.scopes may be empty there).
FoldKey outline_fold_key(const SourceText& src, size_t i);

}  // namespace zub
