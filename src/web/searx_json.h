// Reading the hits out of the local metasearch service's JSON answer
// without a JSON library: the objects of the "results" array are cut out
// by a string-aware brace scan, and three string fields are read from each
// with base/json_string.
// Pure functions, thread-safe.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "web/result_block.h"

namespace zub {

// The texts (braces included) of the top-level objects of the array that
// follows the first "results" key; empty when there is none.
std::vector<std::string_view> searx_result_objects(std::string_view body);

// The hits of a JSON answer: title, url and content of each result object;
// objects whose url is not an absolute http address are dropped.
std::vector<SearchHit> parse_searx_results(std::string_view body);

}  // namespace zub
