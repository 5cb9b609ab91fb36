#include "web/curl_exit.h"

#include <string_view>

namespace zub {

namespace {

struct Reason {
  int status;
  std::string_view text;
};

// The statuses a fetch meets (curl's own list names them all).
constexpr Reason kReasons[] = {
    {1, "지원하지 않는 프로토콜이다"},
    {3, "URL 형식이 틀렸다"},
    {5, "프록시의 호스트 이름을 찾지 못했다"},
    {6, "호스트 이름을 찾지 못했다 (DNS 실패이거나 네트워크가 없다)"},
    {7, "서버에 연결하지 못했다 (연결 거부이거나 네트워크가 없다)"},
    {16, "HTTP/2 오류"},
    {18, "전송이 중간에 끊겼다 (알린 크기보다 덜 받았다)"},
    {22, "서버가 HTTP 오류로 답했다"},
    {23, "받은 내용을 쓰지 못했다"},
    {26, "보낼 내용을 읽지 못했다"},
    {27, "메모리가 모자랐다"},
    {kCurlTimedOut, "시간 안에 끝나지 않았다"},
    {35, "TLS 연결을 맺지 못했다"},
    {47, "리다이렉트가 너무 많다"},
    {52, "서버가 아무것도 보내지 않았다"},
    {55, "보내다가 연결이 끊겼다"},
    {56, "받다가 연결이 끊겼다"},
    {58, "클라이언트 인증서에 문제가 있다"},
    {60, "서버 인증서를 확인하지 못했다"},
    {61, "모르는 전송 인코딩이다"},
    {63, "크기 한도를 넘었다"},
    {67, "로그인에 실패했다"},
    {77, "CA 인증서 파일을 읽지 못했다"},
    {92, "HTTP/2 스트림 오류"},
    {95, "HTTP/3 오류"},
    {97, "프록시 오류"},
};

}  // namespace

std::string curl_exit_text(std::optional<int> status) {
  if (!status) return "curl 이 신호를 받고 끝났다";
  std::string text = "curl " + std::to_string(*status) + ": ";
  for (const Reason& r : kReasons)
    if (r.status == *status) return text + std::string(r.text);
  return text + "실패 (man curl 의 EXIT CODES)";
}

}  // namespace zub
