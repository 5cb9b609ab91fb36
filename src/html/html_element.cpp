#include "html/html_element.h"

#include "base/ascii.h"
#include "html/entities.h"

namespace zub {

namespace {

constexpr size_t npos = std::string_view::npos;

// True when the attribute text of `tag` has a class attribute whose value,
// split at white space, holds `cls`.
bool tag_has_class(std::string_view tag, std::string_view cls) {
  for (size_t at = tag.find("class="); at != npos; at = tag.find("class=", at + 6)) {
    if (at == 0 || !is_html_space(tag[at - 1]) || at + 6 >= tag.size()) continue;
    const char quote = tag[at + 6];
    if (quote != '"' && quote != '\'') continue;
    const size_t end = tag.find(quote, at + 7);
    std::string_view value = tag.substr(at + 7, end == npos ? npos : end - at - 7);
    while (!value.empty()) {
      size_t i = 0;
      while (i < value.size() && is_html_space(value[i])) ++i;
      size_t j = i;
      while (j < value.size() && !is_html_space(value[j])) ++j;
      if (value.substr(i, j - i) == cls) return true;
      value.remove_prefix(j);
    }
    return false;
  }
  return false;
}

size_t after_comment(std::string_view html, size_t lt) {
  const size_t end = html.find("-->", lt + 4);
  return end == npos ? html.size() : end + 3;
}

// The first "</script" at or after `from`, letters in any case.
size_t find_script_close(std::string_view html, size_t from) {
  for (size_t at = html.find("</", from); at != npos; at = html.find("</", at + 2)) {
    char name[33];
    if (std::string_view(name, read_tag_name(html, at, name)) == "script") return at;
  }
  return npos;
}

}  // namespace

size_t find_class_tag(std::string_view html, std::string_view cls, size_t from) {
  if (cls.empty()) return npos;
  for (size_t lt = html.find('<', from); lt != npos;) {
    const size_t gt = html.find('>', lt);
    if (tag_has_class(html.substr(lt, gt == npos ? npos : gt - lt), cls)) return lt;
    if (gt == npos) return npos;
    lt = html.find('<', gt);
  }
  return npos;
}

size_t find_tag(std::string_view html, std::string_view name, size_t from) {
  char buf[33];
  for (size_t lt = html.find('<', from); lt != npos; lt = html.find('<', lt + 1)) {
    if (lt + 1 < html.size() && html[lt + 1] == '/') continue;
    if (std::string_view(buf, read_tag_name(html, lt, buf)) == name) return lt;
  }
  return npos;
}

size_t element_close(std::string_view html, size_t lt) {
  char buf[33];
  const std::string_view own(buf, read_tag_name(html, lt, buf));
  if (own.empty()) return npos;
  const std::string name(own);
  size_t depth = 1;
  size_t pos = html.find('>', lt);
  if (pos == npos) return npos;
  while ((pos = html.find('<', pos + 1)) != npos) {
    if (html.compare(pos, 4, "<!--") == 0) {
      pos = after_comment(html, pos) - 1;
      continue;
    }
    const bool closing = pos + 1 < html.size() && html[pos + 1] == '/';
    const std::string_view tag(buf, read_tag_name(html, pos, buf));
    if (!closing && tag == "script" && name != "script") {
      // Script text may hold markup in strings; it never closes anything.
      pos = find_script_close(html, pos + 1);
      if (pos == npos) return npos;
      continue;
    }
    if (tag != name) continue;
    if (!closing) {
      ++depth;
    } else if (--depth == 0) {
      return pos;
    }
  }
  return npos;
}

std::string_view element_inner(std::string_view html, size_t lt) {
  const size_t gt = html.find('>', lt);
  if (gt == npos) return {};
  const size_t close = element_close(html, lt);
  if (close == npos) return {};
  return html.substr(gt + 1, close - gt - 1);
}

}  // namespace zub
