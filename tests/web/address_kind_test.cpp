#include "web/address_kind.h"

#include <gtest/gtest.h>

using zub::AddressKind;

TEST(AddressKind, LiteralAddressesInEverySpelling) {
  // clang-format off
  const std::pair<const char*, AddressKind> rows[] = {
      {"127.0.0.1", AddressKind::kLoopback},     {"127.1", AddressKind::kLoopback},
      {"2130706433", AddressKind::kLoopback},    {"0x7f.0.0.1", AddressKind::kLoopback},
      {"0177.0.0.1", AddressKind::kLoopback},    {"0.0.0.0", AddressKind::kLoopback},
      {"[::1]", AddressKind::kLoopback},         {"::", AddressKind::kLoopback},
      {"[::ffff:127.0.0.1]", AddressKind::kLoopback},
      {"::ffff:7f00:1", AddressKind::kLoopback}, {"64:ff9b::a9fe:a9fe", AddressKind::kLinkLocal},
      {"169.254.169.254", AddressKind::kLinkLocal}, {"[fe80::1%25eth0]", AddressKind::kLinkLocal},
      {"10.0.0.1", AddressKind::kPrivate},       {"172.16.0.1", AddressKind::kPrivate},
      {"172.31.255.255", AddressKind::kPrivate}, {"192.168.1.1", AddressKind::kPrivate},
      {"100.100.100.200", AddressKind::kPrivate}, {"fd00::1", AddressKind::kPrivate},
      {"172.32.0.1", AddressKind::kPublic},      {"8.8.8.8", AddressKind::kPublic},
      {"2606:4700::1111", AddressKind::kPublic}, {"100.128.0.1", AddressKind::kPublic},
  };
  // clang-format on
  for (const auto& [text, kind] : rows) {
    const auto k = zub::ip_kind(text);
    ASSERT_TRUE(k) << text;
    EXPECT_EQ(*k, kind) << text;
  }
  for (const char* name : {"example.com", "", "1.2.3.4.5", "[::1", "internal.test"})
    EXPECT_FALSE(zub::ip_kind(name)) << name;
  EXPECT_EQ(zub::ip_kind("127.0.0.2", {"127.0.0.2"}), AddressKind::kPublic);
}

TEST(AddressKind, HostsOfUrlsAndTheRule) {
  const zub::UrlTarget t = zub::url_target("HTTP://user:pw@LocalHost.:8080/x?y#z");
  EXPECT_EQ(t.scheme, "http");
  EXPECT_EQ(t.host, "localhost");
  EXPECT_EQ(zub::url_target("http://[::1]:80/").host, "[::1]");
  EXPECT_EQ(zub::url_target("http://%31%32%37.0.0.1/").host, "127.0.0.1");
  EXPECT_EQ(zub::host_kind("api.localhost"), AddressKind::kLoopback);
  EXPECT_FALSE(zub::host_kind("example.com"));

  using K = AddressKind;
  EXPECT_FALSE(zub::redirect_allowed(K::kPublic, K::kLinkLocal));
  EXPECT_FALSE(zub::redirect_allowed(K::kPublic, K::kLoopback));
  EXPECT_FALSE(zub::redirect_allowed(K::kPublic, K::kPrivate));
  EXPECT_FALSE(zub::redirect_allowed(K::kPrivate, K::kLoopback));
  EXPECT_FALSE(zub::redirect_allowed(K::kLoopback, K::kLinkLocal));
  EXPECT_TRUE(zub::redirect_allowed(K::kLoopback, K::kLoopback));
  EXPECT_TRUE(zub::redirect_allowed(K::kPrivate, K::kPrivate));
  EXPECT_TRUE(zub::redirect_allowed(K::kLinkLocal, K::kPublic));
}
