// The machine's own names: /etc/hosts maps names such as the machine's host
// name to its addresses, and curl resolves through it before any DNS. A
// redirect to such a name is judged by those addresses before the request
// is made, so a page cannot reach a local service by naming the machine.
// Nothing here asks DNS.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "web/address_kind.h"

namespace zub {

// The addresses that a hosts file `text` gives `name` (compared without
// regard to ASCII case), in file order. Pure.
std::vector<std::string> hosts_file_addresses(std::string_view text, std::string_view name);

// The same for /etc/hosts, read at most 1 MiB (a file past that is read no
// further: its head still counts); empty when it cannot be read.
std::vector<std::string> etc_hosts_addresses(std::string_view name);

// The kind of `host` (as url_target gives it) as far as it can be told
// before a request: a literal address or localhost (host_kind), else the
// addresses /etc/hosts gives the name; nothing for other names.
std::optional<AddressKind> kind_before_request(std::string_view host,
                                               const PublicStandIns& stand_ins);

}  // namespace zub
