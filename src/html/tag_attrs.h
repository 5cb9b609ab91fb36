// Reading the few attributes of an opening tag that decide whether a reader
// sees the element and what part of the page it is: class, id, style,
// role, hidden and aria-hidden, and any one attribute by its name. No tree,
// no allocation.
// Pure functions; safe to call from any number of threads.
#pragma once

#include <string_view>

namespace zub {

struct TagAttrs {
  std::string_view cls;      // the class value as written (not decoded)
  std::string_view id;       // the id value as written
  std::string_view style;    // the style value as written
  std::string_view role;     // the role value as written
  bool hidden = false;       // a hidden attribute (any value, "until-found" too)
  bool aria_hidden = false;  // aria-hidden="true", in any letter case
};

// The attributes of the tag text `tag`, which runs from its "<" up to (not
// including) its ">". Attribute names are compared ASCII case-insensitively;
// values may be double-quoted, single-quoted or bare. The first occurrence
// of a name counts, as in a browser.
TagAttrs read_tag_attrs(std::string_view tag);

// Any attribute of the tag text by its name (lower case): true when the tag
// has it, with its value as written (empty without one) in `value`.
bool find_tag_attr(std::string_view tag, std::string_view lower_name, std::string_view& value);

}  // namespace zub
