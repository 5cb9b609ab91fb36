// Near-lossless compression of any command output.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/output.h"

namespace zub {

// `input` is valid UTF-8 (the front end prints nothing otherwise).
int cmd_trim(std::string_view input, uint64_t width, Output& out);

}  // namespace zub
