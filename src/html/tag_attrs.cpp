#include "html/tag_attrs.h"

#include <array>
#include <cstddef>

#include "base/ascii.h"

namespace zub {

namespace {

char lower(char c) { return is_upper(c) ? static_cast<char>(c + ('a' - 'A')) : c; }

bool name_is(std::string_view name, std::string_view lower_name) {
  if (name.size() != lower_name.size()) return false;
  for (size_t i = 0; i < name.size(); ++i)
    if (lower(name[i]) != lower_name[i]) return false;
  return true;
}

bool value_is(std::string_view value, std::string_view lower_value) {
  size_t b = 0;
  size_t e = value.size();
  while (b < e && is_html_space(value[b])) ++b;
  while (e > b && is_html_space(value[e - 1])) --e;
  return name_is(value.substr(b, e - b), lower_value);
}

// The bytes that end an attribute name or the space between attributes,
// as bits: one load per byte of every tag.
constexpr unsigned char kSpace = 1, kSlash = 2, kEquals = 4;
constexpr std::array<unsigned char, 256> kTagByte = [] {
  std::array<unsigned char, 256> t{};
  for (int c = 0; c < 256; ++c)
    if (is_html_space(static_cast<char>(c))) t[static_cast<size_t>(c)] = kSpace;
  t['/'] = kSlash;
  t['='] = kEquals;
  return t;
}();

bool byte_is(char c, unsigned char kinds) {
  return (kTagByte[static_cast<unsigned char>(c)] & kinds) != 0;
}

// Calls f(name, value, has_value) for each attribute of the tag text, in
// order, until f returns false.
template <typename F>
void for_each_attr(std::string_view tag, F&& f) {
  const size_t n = tag.size();
  size_t i = 1;
  // The tag name: letters, digits and whatever else runs up to white space.
  while (i < n && !byte_is(tag[i], kSpace | kSlash)) ++i;
  while (i < n) {
    while (i < n && byte_is(tag[i], kSpace | kSlash)) ++i;
    if (i >= n) break;
    const size_t name_start = i;
    // A name may start with "=" in the HTML tokenizer; take it as a letter.
    ++i;
    while (i < n && !byte_is(tag[i], kSpace | kSlash | kEquals)) ++i;
    const std::string_view name = tag.substr(name_start, i - name_start);
    size_t j = i;
    while (j < n && byte_is(tag[j], kSpace)) ++j;
    std::string_view value;
    bool has_value = false;
    if (j < n && tag[j] == '=') {
      ++j;
      while (j < n && byte_is(tag[j], kSpace)) ++j;
      has_value = true;
      if (j < n && (tag[j] == '"' || tag[j] == '\'')) {
        const char q = tag[j];
        const size_t end = tag.find(q, j + 1);
        const size_t stop = end == std::string_view::npos ? n : end;
        value = tag.substr(j + 1, stop - j - 1);
        i = stop == n ? n : stop + 1;
      } else {
        const size_t start = j;
        while (j < n && !byte_is(tag[j], kSpace)) ++j;
        value = tag.substr(start, j - start);
        i = j;
      }
    }
    if (!f(name, value, has_value)) return;
  }
}

}  // namespace

TagAttrs read_tag_attrs(std::string_view tag) {
  TagAttrs a;
  bool seen_class = false, seen_id = false, seen_style = false, seen_hidden = false,
       seen_aria = false, seen_role = false;
  for_each_attr(tag, [&](std::string_view name, std::string_view value, bool) {
    switch (name.size()) {
      case 2:
        if (!seen_id && name_is(name, "id")) {
          seen_id = true;
          a.id = value;
        }
        break;
      case 5:
        if (!seen_class && name_is(name, "class")) {
          seen_class = true;
          a.cls = value;
        } else if (!seen_style && name_is(name, "style")) {
          seen_style = true;
          a.style = value;
        }
        break;
      case 4:
        if (!seen_role && name_is(name, "role")) {
          seen_role = true;
          a.role = value;
        }
        break;
      case 6:
        if (!seen_hidden && name_is(name, "hidden")) {
          seen_hidden = true;
          // "until-found" content too: the page shows it only to a reader
          // who searches for the words it hides.
          a.hidden = true;
        }
        break;
      case 11:
        if (!seen_aria && name_is(name, "aria-hidden")) {
          seen_aria = true;
          a.aria_hidden = value_is(value, "true");
        }
        break;
      default: break;
    }
    return true;
  });
  return a;
}

bool find_tag_attr(std::string_view tag, std::string_view lower_name, std::string_view& value) {
  bool found = false;
  for_each_attr(tag, [&](std::string_view name, std::string_view v, bool) {
    if (!name_is(name, lower_name)) return true;
    value = v;
    found = true;
    return false;
  });
  return found;
}

}  // namespace zub
