// The path error text: the operating system's description of an error
// followed by " (os error {code})".
#pragma once

#include <string>

namespace zub {

inline constexpr const char* kNotUtf8Error = "stream did not contain valid UTF-8";
inline constexpr const char* kSpecialFileError =
    "장치·소켓 같은 특수 파일이라 읽지 않는다: 일반 파일을 지정해라";

// The tool's own reasons for not reading a file, kept beside errno values
// (which are positive) in the same error slot.
inline constexpr int kErrNotUtf8 = -1;
inline constexpr int kErrSpecialFile = -2;   // a device or a socket
inline constexpr int kErrFileTooLarge = -3;  // more than an unmapped read may hold

std::string os_error_text(int err);

}  // namespace zub
