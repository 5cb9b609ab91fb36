// Every word that wrap quotes must reach the command byte for byte through a
// real `sh`. The input is split at NUL bytes into words (a NUL cannot be
// part of an argument); printf prints each back NUL-terminated.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/process.h"
#include "compress/wrap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  std::vector<std::string> words = {"printf", "%s\\0"};
  std::string expected;
  std::string cur;
  for (size_t i = 0; i <= size; ++i) {
    if (i == size || data[i] == 0) {
      words.push_back(cur);
      expected += cur;
      expected.push_back('\0');
      cur.clear();
    } else {
      cur.push_back(static_cast<char>(data[i]));
    }
  }
  const std::string line = zub::shell_command_line(words);
  zub::ProcessResult r = zub::run_process({"sh", "-c", line});
  if (!r.started || !r.exited || r.exit_code != 0 || r.out != expected) std::abort();
  return 0;
}
