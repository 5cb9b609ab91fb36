// What CSS declarations hide from every reader: an element made invisible
// (display:none, visibility:hidden, content-visibility:hidden, a zero font
// size, also in the font shorthand, a zero opacity, also as a filter, a box
// of at most one pixel that clips its content, a place far off the screen)
// or its text made unreadable (a transparent colour, the colour of its own
// background). Used, inline and through a page's style sheets
// (css_hidden_sheet.h), to keep text that the page shows to no one from
// reaching an agent.
// Pure functions; safe to call from any number of threads.
#pragma once

#include <string>
#include <string_view>

namespace zub {

// True when the declarations (the text of a style attribute or of one rule
// block) hide the element. Letter case, white space, comments, "!important",
// CSS escapes and, with `decode_refs`, character references (as in an
// attribute value) do not change the answer. Text whose background or
// shadow paints its letters (background-clip:text, text-shadow) is not
// hidden by its colour.
bool style_hides(std::string_view declarations, bool decode_refs = true);

// The same for declarations known to hold no comment, escape or character
// reference (as a style sheet's rule block often is): read as they are.
bool plain_style_hides(std::string_view declarations);

// True when the declarations show an element: a display value other than
// none.
bool style_shows(std::string_view declarations);

// The position of the first byte at or after `at` that is not HTML white
// space (the size of `css` when there is none).
size_t skip_css_space(std::string_view css, size_t at);

// CSS text in lower case, without comments, with escapes resolved (escapes
// of characters beyond ASCII become "?", which no keyword holds).
std::string normalize_css(std::string_view css);

}  // namespace zub
