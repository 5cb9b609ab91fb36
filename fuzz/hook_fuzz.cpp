// Feeds arbitrary bytes to the hook's event field lookup and the command
// classification, the two parts that see outside input.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/json_string.h"
#include "hook/classify.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view json(reinterpret_cast<const char*>(data), size);
  auto tool = zub::json_string_field(json, "tool_name");
  auto session = zub::json_string_field(json, "session_id");
  auto command = zub::json_string_field(json, "command");
  // The raw input doubles as a command so the classifier sees every byte mix.
  for (std::string_view c : {json, command ? std::string_view(*command) : std::string_view()}) {
    bool sleep = zub::is_single_sleep(c);
    bool ro = zub::is_read_only(c);
    auto word = zub::program_word(c);
    if (word) {
      // The program word is a non-empty view into the command.
      if (word->empty() || word->data() < c.data() ||
          word->data() + word->size() > c.data() + c.size())
        __builtin_trap();
    }
    if (ro && !word) __builtin_trap();
    (void)sleep;
  }
  (void)tool;
  (void)session;
  return 0;
}
