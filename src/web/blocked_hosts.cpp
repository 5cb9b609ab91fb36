#include "web/blocked_hosts.h"

namespace zub {

bool is_blocked_host(std::string_view host) {
  for (std::string_view fragment : kBlockedHosts)
    if (host.find(fragment) != std::string_view::npos) return true;
  return false;
}

}  // namespace zub
