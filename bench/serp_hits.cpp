// Prints the hits that the result-page reader finds in saved result pages,
// one JSON object per line: {"page", "rank", "title", "url", "snippet"}.
// serp_quality.py compares them with the pages' own headings and
// descriptions. Usage: serp_hits PAGE...
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "base/file_io.h"
#include "base/utf8.h"
#include "web/engines.h"

namespace {

std::string json_string(std::string_view s) {
  std::string out = "\"";
  for (const char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

int main(int argc, char** argv) {
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string path = argv[i];
    const zub::ReadResult file = zub::read_file(path);
    if (!file.ok) {
      std::fprintf(stderr, "serp_hits: %s: %s\n", path.c_str(), std::strerror(file.err));
      status = 1;
      continue;
    }
    // Fetched pages reach the reader decoded this way.
    const std::string page = zub::decode_lossy(file.data);
    const std::string_view name = std::string_view(path).substr(path.rfind('/') + 1);
    // Each saved page holds the results of one engine; its marker tells which.
    for (const std::string_view marker : {"<li class=\"b_algo\"", "data-type=\"web\""}) {
      int rank = 0;
      for (const auto& h : zub::parse_result_page(page, marker))
        std::printf("{\"page\": %s, \"rank\": %d, \"title\": %s, \"url\": %s, \"snippet\": %s}\n",
                    json_string(name).c_str(), ++rank, json_string(h.title).c_str(),
                    json_string(h.url).c_str(), json_string(h.snippet).c_str());
    }
  }
  return status;
}
