// The first stage of the page converter: one pass that cuts out comments,
// the elements that never hold readable text (scripts, styles, navigation,
// forms, media...) and every element that the page hides from its readers,
// and that marks where the elements that may hold the main content, and
// those that hold boilerplate, begin and end.
// Pure functions; safe to call from any number of threads.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "html/css_hidden_sheet.h"

namespace zub {

// A part of the stripped text: from the "<" of an element's opening tag to
// the "<" of its closing tag (or to where an enclosing element, or the
// text, ends).
struct TextSpan {
  size_t start = 0;
  size_t end = 0;
  // A boilerplate element by its name alone (form, nav, aside, footer), not
  // by its class or id.
  bool by_name = false;
};

struct StrippedPage {
  std::string text;                   // the markup that is left
  std::vector<TextSpan> candidates;   // elements that may hold the main content
  std::vector<TextSpan> boilerplate;  // elements whose class or id says boilerplate
  TextSpan first_root;                // content_root(doc), mapped into `text`
  bool has_first_root = false;
  bool hidden_text = false;  // some text of the page lies in an element it hides
};

// The part of `doc` inside the first of <article, <main, <div id="content,
// <div class="content (case-insensitive) whose last closing tag lies more
// than 400 bytes after it; the whole of `doc` when none qualifies. The
// converter weighs it against the candidates of strip_page.
std::string_view content_root(std::string_view doc);

// The hiding rules of the style elements of `doc`.
HiddenSelectors page_hidden_selectors(std::string_view doc);

// The stripping pass over a whole document. Removed with their content:
// comments; the dropped elements (head, script, style, noscript, template,
// svg, nav, footer, aside, form, iframe, picture, video, canvas, select,
// button, dialog, noembed, noframes); elements with a hidden attribute, aria-hidden="true", an
// inline style that hides them, or a class or id that the page's style
// sheets hide. Each removed element becomes one "\n"; other markup is
// copied. Candidates are article and main elements and elements whose class
// or id names content, outside comment elements; boilerplate elements are
// those whose class or id says so, never html, body, article, main or table
// parts, and the form, nav, aside and footer elements that start in the
// first quarter of the body and span more than half of it, which are kept
// and marked (`by_name`) instead of removed: a page may wrap all of its
// text in one of them. At most 4096 of each are marked. Linear
// in the input, also when closing tags are missing or the nesting is deep.
StrippedPage strip_page(std::string_view doc);

// The markup of strip_page, for a fragment whose page has the hiding rules
// `hidden` (nullptr: none).
std::string strip_elements(std::string_view html, const HiddenSelectors* hidden = nullptr);

// The same for comments, the script, style and svg elements and the hidden
// elements only: what a fragment shows besides code and drawings.
std::string strip_code_elements(std::string_view html, const HiddenSelectors* hidden = nullptr);

}  // namespace zub
