// A private scratch directory for one test: made fresh under the temporary
// directory and removed with everything in it when the object goes away.
// Removal restores the owner's permissions on directories first (tests that
// revoke them still clean up) and never follows a symbolic link out of the
// tree, so a test that plants links to elsewhere cannot delete elsewhere.
#pragma once

#include <string>
#include <vector>

namespace zub_test {

class TempDir {
 public:
  TempDir();  // throws std::runtime_error when no directory can be made
  // The same under `parent` instead of the temporary directory.
  explicit TempDir(const std::string& parent);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // Writes `content` to path()/rel, creating parent directories; returns
  // the full path.
  std::string write(const std::string& rel, const std::string& content) const;
  // Creates path()/rel and its parents; returns the full path.
  std::string mkdir(const std::string& rel) const;
  std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }

  // A parent in memory (/dev/shm) when the machine has one, else the
  // temporary directory: for tests whose cost is making many files, which
  // a disk-backed file system makes several times slower.
  static std::string memory_parent();

 private:
  std::string path_;
};

// The whole content of a file; empty when it cannot be read.
std::string file_bytes(const std::string& path);

// The names in a directory, sorted; none when it does not exist.
std::vector<std::string> file_names_in(const std::string& dir);

}  // namespace zub_test
