// Near-lossless compression of any command output: exact repeats of lines
// (outside a diff's hunks) are dropped, runs of blank lines collapse to
// one, over-long lines keep a head and a tail, and one bracketed note says
// how much went away. Inputs under 2048 bytes pass through untouched. Pure
// functions; thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/output.h"

namespace zub {

// Inputs shorter than this come back byte for byte.
inline constexpr size_t kTrimPassthroughBytes = 2048;

// Compresses `input` at width `width` (bytes). Pure; linear in the input,
// memory bounded by the input plus 8 bytes per distinct line. The lines of
// a unified diff in the input are kept whole and in order (see
// diff_lines.h); git's redundant header lines and a deleted file's body are
// folded, with a note. `dropped`, when given, tells whether anything but
// blank lines went away, so that the caller can keep the exact input.
std::string trim(std::string_view input, uint64_t width, bool* dropped = nullptr);

inline constexpr uint64_t kTrimDefaultWidth = 200;

struct TrimOptions {
  uint64_t width = kTrimDefaultWidth;  // bytes
};

// `input` is valid UTF-8 (the front end prints nothing otherwise).
int cmd_trim(std::string_view input, const TrimOptions& opts, Output& out, bool* dropped = nullptr);

}  // namespace zub
