// curl's standard output: the single-fetch trailer (with the hop line) and the
// batch write-out blocks.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "web/curl_runner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  zub::CurlOutput out = zub::split_curl_output(text);
  if (out.body.size() + out.header_json.size() + out.remote_ip.size() + out.redirect_url.size() >
      text.size())
    std::abort();
  auto transfers = zub::parse_batch_writeout(text, 4);
  if (transfers.size() != 4) std::abort();
  for (const auto& t : transfers)
    if (t.header_json.size() > text.size()) std::abort();
  return 0;
}
