#include "support/test_env.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

namespace zub_test {

namespace {

TestHome g_home;

void set(const char* name, const std::string& value) {
  if (::setenv(name, value.c_str(), 1) != 0) throw std::runtime_error("setenv failed");
}

}  // namespace

const TestHome& test_home() { return g_home; }

std::vector<std::string> zub_variable_names() {
  std::vector<std::string> names;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string_view entry = *e;
    if (entry.rfind("ZUB_", 0) == 0) names.emplace_back(entry.substr(0, entry.find('=')));
  }
  return names;
}

IsolatedEnvironment::IsolatedEnvironment() {
  for (const std::string& name : zub_variable_names()) ::unsetenv(name.c_str());
  // Others may pass through the root but not list it, so a test that drops
  // to an unprivileged user still reaches the directory it opened for it.
  ::chmod(root_.path().c_str(), 0711);
  g_home.home = root_.mkdir("home");
  g_home.state = root_.mkdir("state");
  g_home.tmp = root_.mkdir("tmp");
  ::chmod(g_home.tmp.c_str(), 01777);
  set("HOME", g_home.home);
  set("XDG_STATE_HOME", g_home.state);
  set("TMPDIR", g_home.tmp);
  ::unsetenv("XDG_CONFIG_HOME");
  ::unsetenv("CURL_HOME");
}

}  // namespace zub_test
