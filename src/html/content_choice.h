// Choosing the part of a page that holds its main content: among the
// candidate elements of the stripping pass, the one whose blocks the
// classifier keeps most of (the innermost when several hold nearly all of
// it), weighed against the first-candidate span of earlier versions; and,
// inside the chosen part, dropping the boilerplate elements that hold less
// than half of what it keeps.
// Pure functions; safe to call from any number of threads.
#pragma once

#include <cstddef>
#include <vector>

#include "html/block_classify.h"
#include "html/html_blocks.h"
#include "html/html_strip.h"

namespace zub {

// The chosen part of the page's text, `whole` being all of it (the caller
// may have given page.text back once it was cut into blocks); `whole` when
// no candidate keeps anything.
TextSpan choose_root(const StrippedPage& page, TextSpan whole, const std::vector<Block>& blocks,
                     const std::vector<Verdict>& verdicts);

// Keep flags (one per block) for the blocks of `span`: the boilerplate
// elements inside it that hold less than half of its kept text are dropped,
// then the verdicts of the rest are settled among themselves. With `simple`
// the looser classification decides instead of the verdicts. `kept` gets
// the plain bytes of the kept blocks.
std::vector<bool> keep_in_span(const StrippedPage& page, const std::vector<Block>& blocks,
                               const std::vector<Verdict>& verdicts, TextSpan span, bool simple,
                               size_t& kept);

}  // namespace zub
