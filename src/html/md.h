// HTML on standard input to main-content markdown.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/outcome.h"
#include "base/output.h"

namespace zub {

// The most input md converts (ZUB_FILTER_MAX may set less): the converter
// holds the page several times over (its stripped text, its blocks, their
// plain text, the output), so its memory follows this bound and not the
// 256 MiB the other filters keep. It is also the most a fetched page may
// be. Past it the head and the tail are converted, with a note.
inline constexpr uint64_t kMdMaxInputBytes = uint64_t{32} << 20;

// Converts `repeats` times, keeping the last result; prints it unless `quiet`.
// The baseline is the whole converted page.
Outcome cmd_md(std::string_view input, uint64_t repeats, bool quiet, Output& out);

}  // namespace zub
