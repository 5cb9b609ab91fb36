// logs never crashes; once it folds, the output ends in a line feed with one
// closing line whose numbers agree with the entries above it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/text.h"
#include "compress/escapes.h"
#include "compress/logs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint64_t limit = data[0] & 0x40 ? data[0] % 64 : 3000;
  std::string_view in(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string grown(in);
  while (!in.empty() && grown.size() < 2048 && (data[0] & 0x80)) grown += in;
  const std::string out = zub::logs(grown, limit);
  if (grown.size() < 2048) {
    if (out != grown) std::abort();
    return 0;
  }
  if (out.empty() || out.back() != '\n') std::abort();
  const size_t last = out.rfind('\n', out.size() - 2);
  const size_t start = last == std::string::npos ? 0 : last + 1;
  unsigned long total = 0, unique = 0, dropped = 0;
  const int got =
      std::sscanf(out.c_str() + start, "[%lu lines in -> %lu unique, %lu older dropped]", &total,
                  &unique, &dropped);
  if (got < 2) std::abort();
  std::string storage;
  const uint64_t lines = zub::split_lines(zub::strip_escapes(grown, storage)).size();
  if (total != lines) std::abort();
  if (dropped != (lines > limit ? lines - limit : 0)) std::abort();
  // One output line per entry, each entry standing for at least one line.
  size_t entry_lines = 0;
  for (size_t i = 0; i < start; ++i) entry_lines += (out[i] == '\n');
  if (entry_lines != unique || unique > total - dropped) std::abort();
  return 0;
}
