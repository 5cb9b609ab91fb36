#include "web/searx_json.h"

#include "base/json_string.h"
#include "base/text.h"

namespace zub {

namespace {

constexpr size_t npos = std::string_view::npos;

}  // namespace

std::vector<std::string_view> searx_result_objects(std::string_view body) {
  std::vector<std::string_view> objects;
  const size_t key = find_bytes(body, "\"results\"");
  if (key == npos) return objects;
  const size_t open = body.find('[', key + 9);
  if (open == npos) return objects;
  bool in_string = false;
  size_t depth = 0;
  size_t start = 0;
  for (size_t i = open + 1; i < body.size(); ++i) {
    const char c = body[i];
    if (in_string) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        in_string = false;
      continue;
    }
    if (c == '"') {
      in_string = true;
    } else if (c == '{') {
      if (depth == 0) start = i;
      ++depth;
    } else if (c == '}') {
      if (depth == 0) continue;  // a stray brace closes nothing
      if (--depth == 0) objects.push_back(body.substr(start, i + 1 - start));
    } else if (c == ']' && depth == 0) {
      break;
    }
  }
  return objects;
}

std::vector<SearchHit> parse_searx_results(std::string_view body) {
  std::vector<SearchHit> hits;
  for (std::string_view object : searx_result_objects(body)) {
    SearchHit hit;
    hit.url = json_string_field(object, "url").value_or("");
    if (hit.url.size() <= 3 || !starts_with(hit.url, "http")) continue;
    hit.title = json_string_field(object, "title").value_or("");
    hit.snippet = json_string_field(object, "content").value_or("");
    hits.push_back(std::move(hit));
  }
  return hits;
}

}  // namespace zub
