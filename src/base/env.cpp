#include "base/env.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "base/number.h"
#include "base/utf8.h"

namespace zub {

bool env_switch_set(const char* name) {
  const char* v = std::getenv(name);
  return v && is_valid_utf8(v);
}

std::optional<std::string_view> env_text(const char* name) {
  const char* v = std::getenv(name);
  if (v == nullptr) return std::nullopt;
  return std::string_view(v);
}

bool env_present(const char* name) { return std::getenv(name) != nullptr; }

std::optional<uint64_t> env_number(const char* name) {
  const char* v = std::getenv(name);
  if (!v) return std::nullopt;
  return setting_number(v);
}

std::optional<uint64_t> setting_number(std::string_view text) {
  if (!is_valid_utf8(text)) return std::nullopt;
  return parse_u64(text);
}

uint64_t filter_input_cap() {
  return env_number("ZUB_FILTER_MAX").value_or(kDefaultFilterInputCap);
}

uint64_t host_inline_chars() {
  constexpr uint64_t kLeast = 4000, kMost = 128000;
  return std::clamp(env_number("ZUB_HOST_INLINE_CHARS").value_or(kHostInlineChars), kLeast, kMost);
}

std::string working_dir() {
  char buf[4096];
  return ::getcwd(buf, sizeof buf) != nullptr ? std::string(buf) : std::string();
}

std::string temp_dir() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

std::string state_home() {
  const char* xdg = std::getenv("XDG_STATE_HOME");
  if (xdg != nullptr && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/')
    return std::string(home) + (home[1] == '\0' ? "" : "/") + ".local/state";
  return {};
}

}  // namespace zub
