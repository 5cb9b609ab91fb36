// `web`: one query to three engines at once (on three threads), their
// lists fused by reciprocal-rank fusion, at most two places per host, a
// numbered list and, with -d K, the top K pages' bodies as markdown.
// Thread-safety: the engine threads share nothing but standard error,
// where the local engine may write its restart note.
#pragma once

#include <cstdint>
#include <string>

#include "base/output.h"
#include "web/fetch_policy.h"

namespace zub {

// Searches `query`, lists `n` results and prints the bodies of the first
// `k` kept records with `c / k` characters each. Returns 1 when no engine
// gave any usable result (with a hint on standard error), else 0.
int cmd_web(const std::string& query, uint64_t n, uint64_t k, uint64_t c, const FetchPolicy& policy,
            Output& out);

}  // namespace zub
