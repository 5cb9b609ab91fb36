#include "web/address_kind.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "base/text.h"
#include "web/idna_host.h"

namespace zub {

namespace {

AddressKind v4_kind(uint32_t a) {
  const uint32_t first = a >> 24;
  if (first == 127 || first == 0) return AddressKind::kLoopback;  // 0/8 reaches this host too
  if (first == 10 || (a >> 20) == 0xAC1 || (a >> 16) == 0xC0A8 || (a >> 22) == 0x191)
    return AddressKind::kPrivate;  // 10/8, 172.16/12, 192.168/16, 100.64/10 (carrier NAT)
  if ((a >> 16) == 0xA9FE) return AddressKind::kLinkLocal;  // 169.254/16
  return AddressKind::kPublic;
}

AddressKind v6_kind(const unsigned char b[16]) {
  static const unsigned char kZero[16] = {};
  if (std::memcmp(b, kZero, 15) == 0 && (b[15] == 0 || b[15] == 1)) return AddressKind::kLoopback;
  const uint32_t last =
      uint32_t{b[12]} << 24 | uint32_t{b[13]} << 16 | uint32_t{b[14]} << 8 | b[15];
  // IPv4 inside IPv6: mapped (::ffff:a.b.c.d), compatible (::a.b.c.d) and
  // the translation prefix 64:ff9b::/96 all lead to that IPv4 address.
  static const unsigned char kMapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
  static const unsigned char kNat64[12] = {0, 0x64, 0xff, 0x9b, 0, 0, 0, 0, 0, 0, 0, 0};
  if (std::memcmp(b, kMapped, 12) == 0 || std::memcmp(b, kZero, 12) == 0 ||
      std::memcmp(b, kNat64, 12) == 0)
    return v4_kind(last);
  if (b[0] == 0xfe && (b[1] & 0xc0) == 0x80) return AddressKind::kLinkLocal;  // fe80::/10
  if (b[0] == 0xfe && (b[1] & 0xc0) == 0xc0) return AddressKind::kPrivate;    // fec0::/10
  if ((b[0] & 0xfe) == 0xfc) return AddressKind::kPrivate;                    // fc00::/7
  return AddressKind::kPublic;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<AddressKind> ip_kind(std::string_view text, const PublicStandIns& stand_ins) {
  if (text.size() >= 2 && text.front() == '[' && text.back() == ']')
    text = text.substr(1, text.size() - 2);
  if (text.empty() || text.size() > 64) return std::nullopt;
  if (std::find(stand_ins.begin(), stand_ins.end(), text) != stand_ins.end())
    return AddressKind::kPublic;
  std::string s(text);
  if (s.find(':') != std::string::npos) {
    const size_t zone = s.find('%');
    if (zone != std::string::npos) s.resize(zone);
    unsigned char b[16];
    if (inet_pton(AF_INET6, s.c_str(), b) != 1) return std::nullopt;
    return v6_kind(b);
  }
  // inet_aton reads the same shorthand and number bases as curl does.
  in_addr a;
  if (inet_aton(s.c_str(), &a) == 0) return std::nullopt;
  return v4_kind(ntohl(a.s_addr));
}

UrlTarget url_target(std::string_view url) {
  UrlTarget t;
  const size_t sep = url.find("://");
  if (sep == std::string_view::npos) return t;
  t.scheme = ascii_lower(url.substr(0, sep));
  std::string_view rest = url.substr(sep + 3);
  rest = rest.substr(0, std::min(rest.size(), rest.find_first_of("/?#\\")));
  const size_t at = rest.rfind('@');
  if (at != std::string_view::npos) rest.remove_prefix(at + 1);
  if (!rest.empty() && rest.front() == '[') {
    const size_t close = rest.find(']');
    rest = rest.substr(0, close == std::string_view::npos ? rest.size() : close + 1);
  } else {
    rest = rest.substr(0, std::min(rest.size(), rest.find(':')));
  }
  std::string host;
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '%' && i + 2 < rest.size() && hex_value(rest[i + 1]) >= 0 &&
        hex_value(rest[i + 2]) >= 0 && rest.front() != '[') {
      host += static_cast<char>(hex_value(rest[i + 1]) * 16 + hex_value(rest[i + 2]));
      i += 2;
    } else {
      host += rest[i];
    }
  }
  // As curl will read it: "１２７.０.０.１" is 127.0.0.1.
  host = idna_host(host);
  while (!host.empty() && host.back() == '.') host.pop_back();
  t.host = std::move(host);
  return t;
}

std::optional<AddressKind> host_kind(std::string_view host, const PublicStandIns& stand_ins) {
  if (auto k = ip_kind(host, stand_ins)) return k;
  if (host == "localhost" || ends_with(host, ".localhost")) return AddressKind::kLoopback;
  return std::nullopt;
}

std::optional<AddressKind> addresses_kind(const std::vector<std::string>& addresses,
                                          const PublicStandIns& stand_ins) {
  std::optional<AddressKind> kind;
  for (const std::string& a : addresses) {
    const std::optional<AddressKind> k = ip_kind(a, stand_ins);
    if (!k) continue;
    // One address inside the machine or its networks makes the name lead
    // there: curl may well pick that one.
    if (!kind || *kind == AddressKind::kPublic) kind = k;
  }
  return kind;
}

bool redirect_allowed(AddressKind from, AddressKind to) {
  return to == AddressKind::kPublic || to == from;
}

std::string_view address_kind_name(AddressKind k) {
  switch (k) {
    case AddressKind::kPublic: return "공개";
    case AddressKind::kPrivate: return "사설";
    case AddressKind::kLoopback: return "루프백";
    case AddressKind::kLinkLocal: return "링크 로컬";
  }
  return "";
}

}  // namespace zub
