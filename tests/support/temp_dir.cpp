#include "support/temp_dir.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "base/dir_tree.h"
#include "base/env.h"

namespace zub_test {

namespace {

// Gives the owner full access to `dir` and every directory below it, so
// that the removal can enter and empty them. Links are not followed.
void allow_removal(const std::string& dir) {
  struct stat st;
  if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
  if ((st.st_mode & S_IRWXU) != S_IRWXU) ::chmod(dir.c_str(), (st.st_mode & 07777) | S_IRWXU);
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  while (dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    if (e->d_type == DT_DIR || e->d_type == DT_UNKNOWN) allow_removal(dir + "/" + name);
  }
  ::closedir(d);
}

}  // namespace

TempDir::TempDir() : TempDir(zub::temp_dir()) {}

TempDir::TempDir(const std::string& parent) {
  std::string templ = parent + "/zubtest-XXXXXX";
  if (!::mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed in " + parent);
  path_ = templ;
}

std::string TempDir::memory_parent() {
  struct stat st;
  if (::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) && ::access("/dev/shm", W_OK | X_OK) == 0)
    return "/dev/shm";
  return zub::temp_dir();
}

TempDir::~TempDir() {
  allow_removal(path_);
  zub::remove_tree(path_);
}

std::string TempDir::mkdir(const std::string& rel) const {
  const std::string full = path_ + "/" + rel;
  if (!zub::make_dirs(full)) throw std::runtime_error("cannot make directory " + full);
  return full;
}

std::string TempDir::write(const std::string& rel, const std::string& content) const {
  const std::string full = path_ + "/" + rel;
  const size_t slash = full.rfind('/');
  if (!zub::make_dirs(full.substr(0, slash)))
    throw std::runtime_error("cannot make directory for " + full);
  std::ofstream f(full, std::ios::binary);
  f << content;
  return full;
}

std::string file_bytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

std::vector<std::string> file_names_in(const std::string& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace zub_test
