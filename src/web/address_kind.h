// Where an address leads, as far as following a redirect is concerned: to
// the machine itself (loopback), to the local network (private), to the
// link (link-local, where cloud metadata services answer), or anywhere else
// (public). A page from a public host may redirect only to public hosts; a
// host of the other kinds only to public hosts or to hosts of its own kind,
// so a public page can never steer a fetch into the machine's own services.
// Pure functions; no name is ever resolved here.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zub {

enum class AddressKind { kPublic, kPrivate, kLoopback, kLinkLocal };

// Addresses that count as public although they are not: test servers of
// the tool's own tests listen on loopback and stand in for the Internet.
// Set only by ZUB_TEST_PUBLIC_ADDRS.
using PublicStandIns = std::vector<std::string>;

// The kind of a literal IP address: IPv4 in every form curl accepts
// ("127.1", "0x7f000001", "2130706433"), IPv6 with or without brackets
// and zone. Nothing when `text` is no address.
std::optional<AddressKind> ip_kind(std::string_view text, const PublicStandIns& stand_ins = {});

// The parts of an absolute URL that decide where it leads: its scheme
// (lower case) and its host (percent-decoded, mapped as curl maps a
// Unicode name (idna_host), lower case, without user, port, brackets or a
// final dot).
struct UrlTarget {
  std::string scheme;
  std::string host;
};
UrlTarget url_target(std::string_view url);

// The kind of a host when it can be told without resolving it: a literal
// address, or "localhost" and names under ".localhost" (loopback by
// definition); nothing for other names.
std::optional<AddressKind> host_kind(std::string_view host, const PublicStandIns& stand_ins = {});

// The kind of a name from the addresses it resolves to: the first that is
// not public, else public; nothing when none is an address.
std::optional<AddressKind> addresses_kind(const std::vector<std::string>& addresses,
                                          const PublicStandIns& stand_ins = {});

// Whether a redirect from a host of kind `from` may go to one of kind `to`.
bool redirect_allowed(AddressKind from, AddressKind to);

// "공개", "사설", "루프백", "링크 로컬".
std::string_view address_kind_name(AddressKind k);

}  // namespace zub
