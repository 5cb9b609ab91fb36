#include "html/md.h"

#include <string>

#include "html/markdown.h"

namespace zub {

Outcome cmd_md(std::string_view input, uint64_t repeats, bool quiet, Output& out) {
  // Repeats exist for timing the converter from outside the process; only
  // the last result is kept.
  std::string result;
  for (uint64_t i = 0; i < repeats; ++i) result = html_to_markdown(input);
  if (!quiet) out.write_out(result);
  return {0, result.size()};
}

}  // namespace zub
