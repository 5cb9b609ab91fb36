// The rules of a page's own style sheets that hide elements from every
// reader (by the declarations of css_hidden.h), and the elements they match.
// A selector is a chain of compound selectors (a tag or "*", classes, ids,
// attribute tests) joined by descendant or child combinators; a selector
// with a pseudo-class, a pseudo-element or a sibling combinator depends on
// what a reader does or on the elements around it and hides nothing. Rules
// at the top level, in "@media screen" and "@media all" hide; rules inside
// other at-rules (print sheets, width queries) are conditional and hide
// nothing, and an element that any rule inside an at-rule displays again is
// not taken as hidden.
// A built set is read-only; safe to call from any number of threads.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "html/tag_attrs.h"

namespace zub {

class HiddenSelectors {
 public:
  // Selectors looking at ancestors are matched through this context, which
  // an element hands to its children: which leading parts of the chains it
  // matches itself, and which it or an ancestor matches. Chains beyond its
  // bits are not read (a trace of at most 512 leading parts per page).
  static constexpr size_t kContextWords = 8;
  struct Context {
    std::array<uint64_t, kContextWords> self{};
    std::array<uint64_t, kContextWords> below{};
  };

  // Adds the hiding rules of one style sheet (the text of a style element);
  // true when it hides something.
  bool add_sheet(std::string_view css);

  bool empty() const { return hiding_ == 0; }
  // True when a selector looks at ancestors: a caller then keeps a Context
  // for each open element.
  bool needs_context() const { return bits_ > 0; }
  // The compound selectors read so far.
  size_t size() const { return compounds_.size(); }

  // The names elements are found by (tag, id, class words), noted for the
  // elements a reader of the page has passed.
  static constexpr size_t kSeenBits = 4096;
  using Seen = std::array<uint64_t, kSeenBits / 64>;
  static void note_seen(std::string_view tag_name, const TagAttrs& attrs, Seen& seen);
  // True when a hiding selector read after the first `from` compound
  // selectors may match an element noted in `seen`.
  bool may_hide_seen(size_t from, const Seen& seen) const;

  // True when an element `tag_name` (lower case) with the tag text `tag`
  // (from "<" up to its ">", for attribute tests) and these attributes
  // matches a hiding selector and no displaying one. `parent` is the
  // context of its parent (nullptr: none); `out`, when given, receives the
  // element's own context for its children. `seen`, when given, notes the
  // element's names as note_seen does.
  bool hides(std::string_view tag_name, std::string_view tag, const TagAttrs& attrs,
             const Context* parent = nullptr, Context* out = nullptr, Seen* seen = nullptr) const;

 private:
  struct AttrTest {
    std::string name;
    std::string value;
    char op = 0;  // 0: present; '=', '~', '|', '^', '$', '*' as in CSS
  };
  // One compound selector of a chain: every test must hold.
  struct Compound {
    std::string tag;  // empty: any element
    std::vector<std::string> classes, ids;
    std::vector<AttrTest> attrs;
    uint16_t bit = 0;       // the bit of the chain up to here (not for the last)
    uint16_t left_bit = 0;  // the bit of the chain before it (not for the first)
    bool first = true, last = true, child = false, shown = false;
  };

  std::vector<Compound> compounds_;
  struct KeyHash {
    using is_transparent = void;
    size_t operator()(std::string_view k) const { return std::hash<std::string_view>{}(k); }
  };
  // Keys ("#id", ".class", "<tag") with the compounds they key.
  std::unordered_map<std::string, std::vector<uint32_t>, KeyHash, std::equal_to<>> index_;
  std::vector<uint32_t> unkeyed_;  // "*" and attribute tests alone
  std::array<uint64_t, 4> bloom_{};
  size_t hiding_ = 0;
  size_t bits_ = 0;
  static size_t seen_bit(char kind, std::string_view name);
  static bool key_of(const Compound& c, char& kind, std::string_view& name);
  size_t indexed_ = 0;  // compounds in the index

  static size_t bloom_bit(std::string_view name);
  bool matches(const Compound& c, std::string_view tag_name, std::string_view tag,
               const TagAttrs& attrs) const;
  void add_selector_list(std::string_view list, bool shown);
  bool add_selector(std::string_view sel, bool shown);
  void read_rules(std::string_view css, size_t& at, int depth, bool applies, bool& added);
  void rebuild_index();
};

}  // namespace zub
