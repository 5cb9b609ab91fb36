#include "web/hosts_file.h"

#include "base/file_io.h"
#include "base/text.h"

namespace zub {

namespace {

constexpr uint64_t kMaxHostsBytes = uint64_t{1} << 20;

bool is_blank_char(char c) { return c == ' ' || c == '\t' || c == '\r'; }

}  // namespace

std::vector<std::string> hosts_file_addresses(std::string_view text, std::string_view name) {
  std::vector<std::string> found;
  const std::string wanted = ascii_lower(name);
  if (wanted.empty()) return found;
  for_each_line(text, [&](std::string_view line) {
    line = line.substr(0, line.find('#'));
    std::string_view address;
    size_t pos = 0;
    for (bool first = true;; first = false) {
      while (pos < line.size() && is_blank_char(line[pos])) ++pos;
      if (pos >= line.size()) return;
      size_t end = pos;
      while (end < line.size() && !is_blank_char(line[end])) ++end;
      const std::string_view word = line.substr(pos, end - pos);
      pos = end;
      if (first) {
        address = word;
      } else if (ascii_lower(word) == wanted) {
        found.emplace_back(address);
        return;
      }
    }
  });
  return found;
}

std::vector<std::string> etc_hosts_addresses(std::string_view name) {
  const ReadResult hosts = read_file_prefix("/etc/hosts", kMaxHostsBytes);
  if (!hosts.ok) return {};
  return hosts_file_addresses(hosts.data, name);
}

std::optional<AddressKind> kind_before_request(std::string_view host,
                                               const PublicStandIns& stand_ins) {
  if (std::optional<AddressKind> k = host_kind(host, stand_ins)) return k;
  return addresses_kind(etc_hosts_addresses(host), stand_ins);
}

}  // namespace zub
