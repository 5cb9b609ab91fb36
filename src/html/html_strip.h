// The first two stages of the page converter: narrowing a document to its
// content root and cutting out comments and the elements that never hold
// readable text (scripts, styles, navigation, forms, media...).
// Pure functions; safe to call from any number of threads.
#pragma once

#include <string>
#include <string_view>

namespace zub {

// The part of `doc` inside the first of <article, <main, <div id="content,
// <div class="content (case-insensitive) whose last closing tag lies more
// than 400 bytes after it; the whole of `doc` when none qualifies.
std::string_view content_root(std::string_view doc);

// Removes comments and the dropped elements (head, script, style, noscript,
// template, svg, nav, footer, aside, form, iframe, picture, video, canvas,
// select, button, dialog) with their content; each removed element becomes
// one "\n". Other markup is copied. Linear in the input, also when the
// closing tags are missing.
std::string strip_elements(std::string_view html);

// The same for comments and the script, style and svg elements only: what
// a fragment holds besides code and drawings.
std::string strip_code_elements(std::string_view html);

}  // namespace zub
