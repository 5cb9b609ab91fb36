// What curl's exit status means, in the words the user reads after
// "[fetch 실패: …]": the status number and its reason ("curl 6: 호스트 이름을
// 찾지 못했다 …"), or that curl was ended by a signal. Pure.
#pragma once

#include <optional>
#include <string>

namespace zub {

// curl's status when a transfer ran out of time.
inline constexpr int kCurlTimedOut = 28;

// The failure text for curl's exit `status`; nothing for a signal.
std::string curl_exit_text(std::optional<int> status);

}  // namespace zub
