#include "base/os_error.h"

#include <cstring>

#include "base/file_io.h"

namespace zub {

std::string os_error_text(int err) {
  char buf[256];
  // GNU strerror_r may return a static string instead of filling buf.
  const char* msg = strerror_r(err, buf, sizeof buf);
  return std::string(msg) + " (os error " + std::to_string(err) + ")";
}

std::string file_error_text(int err) {
  switch (err) {
    case kErrNotUtf8: return kNotUtf8Error;
    case kErrSpecialFile: return kSpecialFileError;
    case kErrFileTooLarge:
      return std::to_string(kMaxUnmappedBytes >> 20) +
             " MiB 를 넘어 읽기를 멈췄다(크기를 미리 알 수 없는 파이프·/proc 파일 등): 앞부분은 "
             "`zub read --bytes N` 으로 읽어라";
    default: return os_error_text(err);
  }
}

}  // namespace zub
