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

inline constexpr uint64_t kWebDefaultResults = 6;
inline constexpr uint64_t kWebDefaultChars = 9000;

struct WebOptions {
  std::string query;
  uint64_t results = kWebDefaultResults;  // listed
  uint64_t deep = 0;                      // pages whose bodies follow the list
  uint64_t chars = kWebDefaultChars;      // shared by those bodies
  FetchPolicy policy;
};

// Searches the query, lists `results` results and prints the bodies of the
// first `deep` kept records with `chars / deep` characters each. Returns 1
// when no engine gave any usable result (with a hint on standard error),
// else 0.
int cmd_web(const WebOptions& opts, Output& out);

}  // namespace zub
