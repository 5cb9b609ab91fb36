#include "web/address_kind.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "web/hosts_file.h"

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

// Hosts spelled in Unicode as curl's IDNA mapping reads them, and the
// machine's own names from a hosts file.
TEST(AddressKind, UnicodeSpellingsAndHostsFileNames) {
  using K = AddressKind;
  const struct {
    const char* url;
    const char* host;
  } spelled[] = {
      {"http://\uFF11\uFF12\uFF17.\uFF10.\uFF10.\uFF11:80/", "127.0.0.1"},
      {"http://10\u30021\u30022\uFF0E3/", "10.1.2.3"},
      {"http://169\uFF61254.169.254/", "169.254.169.254"},
      {"http://\u24DB\u24DE\u24D2\u24D0\u24DB\u24D7\u24DE\u24E2\u24E3/", "localhost"},
      {"http://\uFF2C\uFF4F\u00ADcalhost/", "localhost"},
      {"http://\u2488\u2489\u2467\u2464.1/", "1.2.85.1"},
      {"http://%EF%BC%91%EF%BC%92%EF%BC%97.1/", "127.1"},
      {"http://b\u00FCcher.example/", "b\u00FCcher.example"},  // a real name stays
      {"http://\xFF\xFE.example/", "\xFF\xFE.example"},
  };
  for (const auto& s : spelled) EXPECT_EQ(zub::url_target(s.url).host, s.host) << s.url;
  EXPECT_EQ(zub::host_kind(zub::url_target(spelled[0].url).host), K::kLoopback);
  EXPECT_EQ(zub::host_kind(zub::url_target(spelled[2].url).host), K::kLinkLocal);

  const std::string hosts =
      "127.0.0.1 localhost\n"
      "# 10.0.0.9 box\n"
      "10.0.0.7\tBox box.lan   # the machine\n"
      "203.0.113.5 box\n"
      "   \n"
      "198.51.100.1 web\n";
  EXPECT_EQ(zub::hosts_file_addresses(hosts, "box"),
            (std::vector<std::string>{"10.0.0.7", "203.0.113.5"}));
  EXPECT_EQ(zub::hosts_file_addresses(hosts, "BOX.lan"), std::vector<std::string>{"10.0.0.7"});
  EXPECT_TRUE(zub::hosts_file_addresses(hosts, "the").empty());
  EXPECT_TRUE(zub::hosts_file_addresses(hosts, "").empty());
  // The least public address decides: curl may pick any of them.
  EXPECT_EQ(zub::addresses_kind(zub::hosts_file_addresses(hosts, "box")), K::kPrivate);
  EXPECT_EQ(zub::addresses_kind({"198.51.100.1"}), K::kPublic);
  EXPECT_FALSE(zub::addresses_kind({}));
}
