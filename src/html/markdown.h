// HTML to main-content markdown: the whole-page converter behind `md`,
// `fetch` and `web -d`. It never builds a tree: a pass that cuts out unwanted
// elements, a pass that cuts blocks, a classifier, and the printer. Every
// stage is linear in its input, also on malformed or hostile markup.
// Pure functions; safe to call from any number of threads at once.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "html/html_blocks.h"

namespace zub {

// The main content of an HTML document as markdown; empty when nothing
// qualifies. When too little content survives it falls back to a looser
// classification, then to a list of link texts.
std::string html_to_markdown(std::string_view doc);

// Prints the kept blocks: each reflowed (code verbatim), boilerplate and
// repeated blocks skipped, headings set off by an empty line.
std::string render_blocks(const std::vector<Block>& blocks, const std::vector<bool>& keep);

// The last resort: "- {text}" lines for the distinct link texts of at least
// 12 characters in `doc`, at most 201 of them.
std::string link_list(std::string_view doc);

}  // namespace zub
