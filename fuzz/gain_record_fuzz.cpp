// A gain ledger line, read back from disk: whatever the line, parsing never
// fails badly, and a record it accepts is written back as the same line.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "cli/gain_ledger.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view line(reinterpret_cast<const char*>(data), size);
  auto rec = zub::parse_gain_record(line);
  if (!rec) return 0;
  const std::string again = zub::format_gain_record(*rec);
  // Numbers may carry leading zeros on disk; the text written back is the
  // record's canonical form, and that form reads back unchanged.
  auto back = zub::parse_gain_record(std::string_view(again).substr(0, again.size() - 1));
  if (!back || back->time != rec->time || back->sub != rec->sub ||
      back->baseline != rec->baseline || back->printed != rec->printed || back->ms != rec->ms ||
      back->status != rec->status)
    std::abort();
  return 0;
}
