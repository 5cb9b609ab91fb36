// What CSS hides from every reader: inline style declarations that make an
// element invisible (display:none, visibility:hidden, a zero font size or
// opacity, a box of at most one pixel that clips its content, a place far
// off the screen), and the simple selectors (.c, #i, tag.c, tag#i and lists
// of them) that a page's own style sheets hide that way. Used to keep text
// that the page shows to no one from reaching an agent.
// Pure functions and a read-only set; safe to call from any number of threads.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "html/tag_attrs.h"

namespace zub {

// True when the declarations (the text of a style attribute or of one rule
// block) hide the element. Letter case, white space, comments, "!important",
// CSS escapes and, with `decode_refs`, character references (as in an
// attribute value) do not change the answer.
bool style_hides(std::string_view declarations, bool decode_refs = true);

// The selectors a page's style sheets hide. Rules inside at-rules (media
// queries, print sheets) are conditional and hide nothing; a class that such
// a conditional rule displays again is not taken as hidden.
class HiddenSelectors {
 public:
  // Adds the hiding rules of one style sheet (the text of a style element);
  // true when it hides something.
  bool add_sheet(std::string_view css);

  bool empty() const { return classes_.empty() && ids_.empty(); }

  // True when an element `tag_name` (lower case) with these attributes
  // matches a hiding selector and no displaying one.
  bool hides(std::string_view tag_name, const TagAttrs& attrs) const;

 private:
  // Entries are "name" (any element) or "tag\tname" (that element only),
  // lower case, sorted after each sheet.
  std::vector<std::string> classes_, ids_, shown_classes_;
  // A filter over the names of classes_ and ids_: most class words of a
  // page are in no sheet's hiding rules.
  std::array<uint64_t, 4> bloom_{};
  static size_t bloom_bit(std::string_view name);
  void add_selector(std::string_view sel, bool shown);
  void add_selectors(std::string_view list, bool shown);
};

}  // namespace zub
