// A hosts file as the machine holds it, and a name looked up in it: the
// first line of the input is the name, the rest the file. No crash; every
// address found is a word of the file.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "web/hosts_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t nl = input.find('\n');
  const std::string_view name = input.substr(0, nl);
  const std::string_view text = nl == std::string_view::npos ? "" : input.substr(nl + 1);
  for (const std::string& a : zub::hosts_file_addresses(text, name)) {
    if (a.empty() || text.find(a) == std::string_view::npos) std::abort();
    if (a.find_first_of(" \t\n#") != std::string::npos) std::abort();
  }
  return 0;
}
