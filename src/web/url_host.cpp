#include "web/url_host.h"

namespace zub {

std::string_view url_after_scheme(std::string_view url) {
  size_t p = url.find("://");
  if (p == std::string_view::npos) return url;
  std::string_view rest = url.substr(p + 3);
  size_t q = rest.find("://");
  return q == std::string_view::npos ? rest : rest.substr(0, q);
}

std::string url_host(std::string_view url) {
  std::string_view host = url_after_scheme(url);
  size_t slash = host.find('/');
  if (slash != std::string_view::npos) host = host.substr(0, slash);
  while (host.substr(0, 4) == "www.") host.remove_prefix(4);
  return std::string(host);
}

}  // namespace zub
