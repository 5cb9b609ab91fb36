// Long-line elision: keeps a head and a tail of a line that is longer than
// the width and puts "…{k}c…" between them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zub {

// Appends `line` to `out`, elided at width `w` when it is longer than `w`
// bytes. Returns the number of bytes removed (0 when the line was kept).
// Sets *shortened when the marker was written (a line of 201 bytes at width
// 200 is "shortened" even if the result is not shorter).
uint64_t append_elided(std::string& out, std::string_view line, uint64_t w,
                       bool* shortened = nullptr);

std::string elide_line(std::string_view line, uint64_t w);

}  // namespace zub
