// Character references and tag removal for HTML fragments: the small text
// tools that the page converter and the search-result parsers share.
// Pure functions; safe to call from any number of threads.
#pragma once

#include <string>
#include <string_view>

namespace zub {

// Replaces the character references of a fixed table (&lt; &gt; &amp; &quot;
// &apos; &nbsp; &mdash; &ndash; &hellip; and &#N; / &#xH; scalar values) by
// their text. A reference must end with ";" within 10 bytes of its "&";
// anything unrecognised is left exactly as written.
std::string decode_entities(std::string_view s);

// Appends decode_entities(s) to `out` (the converter's allocation-free form).
void append_decoded(std::string& out, std::string_view s);

// Removes every tag ("<" to the next ">", or to the end); the tags a, p, br,
// li, h1, h2, h3, div and span become "\n". The result is entity-decoded.
std::string strip_tags(std::string_view html);

// The name of the tag starting at html[lt] (which is "<"): slashes after the
// "<" are skipped, then up to 32 ASCII letters and digits, lower-cased.
// Writes it to `name` (capacity 33) and returns its length.
size_t read_tag_name(std::string_view html, size_t lt, char* name);

}  // namespace zub
