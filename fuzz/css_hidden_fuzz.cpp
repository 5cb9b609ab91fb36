// Hiding rules on arbitrary bytes: style sheets (their selector chains
// matched through the contexts of ancestors), style attributes and tag
// attributes never crash; the stripping pass never gets longer than its
// input and keeps valid UTF-8 valid; an element that the input's own sheet
// hides by a class leaves nothing of a marker inside it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/utf8.h"
#include "html/class_words.h"
#include "html/css_hidden.h"
#include "html/css_hidden_sheet.h"
#include "html/html_strip.h"
#include "html/tag_attrs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  zub::HiddenSelectors sel;
  sel.add_sheet(in);
  (void)zub::style_hides(in);
  const zub::TagAttrs attrs = zub::read_tag_attrs(in);
  // A chain of elements with these attributes, each judged in the context
  // of the one before: the context's bits stay within the selectors read.
  zub::HiddenSelectors::Context ctx[3];
  for (size_t k = 0; k < 3; ++k)
    (void)sel.hides(k == 1 ? "p" : "div", in, attrs, k ? &ctx[k - 1] : nullptr, &ctx[k]);
  (void)zub::class_role(attrs.cls, attrs.id);
  (void)zub::landmark_role(attrs.role);
  const zub::StrippedPage page = zub::strip_page(in);
  // Each removed element becomes one "\n": never more than it removed.
  if (page.text.size() > in.size()) std::abort();
  if (zub::is_valid_utf8(in) && !zub::is_valid_utf8(page.text)) std::abort();
  for (const zub::TextSpan& s : page.candidates)
    if (s.start > s.end || s.end > page.text.size()) std::abort();
  for (const zub::TextSpan& s : page.boilerplate)
    if (s.start > s.end || s.end > page.text.size()) std::abort();
  // Text right inside an element the page's sheet hides never shows,
  // whatever follows it (unless the input names the class itself, and may
  // show it again, or carries the marker: after its own "</div>" that text
  // is rightly shown).
  bool names_class = false;
  for (size_t i = 0; i + 1 < in.size(); ++i)
    if ((in[i] | 0x20) == 'z' && (in[i + 1] | 0x20) == 'q') names_class = true;
  if (!names_class && in.find("MARK") == std::string_view::npos) {
    // The page shows more text than it hides, or the hidden element would
    // be a template that a script shows.
    const std::string wrapped = "<style>.zq{display:none}</style><p>" +
                                std::string(2 * in.size() + 16, 'v') + "</p><div class=zq><p>MARK" +
                                std::string(in);
    if (zub::strip_page(wrapped).text.find("MARK") != std::string::npos) std::abort();
  }
  return 0;
}
