// A host name as curl reads it before resolving it: its IDN library maps
// the name by IDNA (UTS 46), so "１２７.０.０.１" (fullwidth digits and
// full stops), "127。0。0。1" (ideographic full stops) and "ⓛⓞⓒⓐⓛⓗⓞⓢⓣ"
// (circled letters) all reach 127.0.0.1 or localhost. Every judgement of
// where a URL leads is made on this form. Pure.
#pragma once

#include <string>
#include <string_view>

namespace zub {

// `host` with each character that the mapping turns into ASCII letters,
// digits, '.' or '-' so turned (letters lower-cased), and the characters it
// drops (soft hyphen, zero-width ones) removed. Other characters, and bytes
// that are not UTF-8, stay as they are: such a name is no address.
std::string idna_host(std::string_view host);

}  // namespace zub
