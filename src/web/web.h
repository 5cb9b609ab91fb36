// Metasearch over three engines with reciprocal-rank fusion.
#pragma once

#include <cstdint>
#include <string>

#include "base/output.h"

namespace zub {

int cmd_web(const std::string& query, uint64_t n, uint64_t k, uint64_t c, Output& out);

}  // namespace zub
