// The path error text: the operating system's description of an error
// followed by " (os error {code})".
#pragma once

#include <string>

namespace zub {

inline constexpr const char* kNotUtf8Error = "stream did not contain valid UTF-8";

std::string os_error_text(int err);

}  // namespace zub
