// Unicode character properties from generated range tables, and trimming of
// White_Space. Pure functions.
#pragma once

#include <string_view>

namespace zub {

bool is_white_space(char32_t cp);
bool is_alphabetic(char32_t cp);
bool is_numeric(char32_t cp);

// Removes Unicode White_Space from both ends (or one end) of `s`. Invalid
// UTF-8 is never trimmed into: trimming stops at any byte that does not
// start a white-space character.
std::string_view trim_ws(std::string_view s);
std::string_view trim_ws_start(std::string_view s);
std::string_view trim_ws_end(std::string_view s);

// True when `s` is empty after trimming.
bool is_blank(std::string_view s);

// Splits at runs of Unicode White_Space, dropping empty pieces.
template <typename Fn>
void for_each_word(std::string_view s, Fn&& fn);

}  // namespace zub

#include "base/unicode_words.inc"
