// End-to-end helpers: run the built binary and make scratch directories.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace zub_test {

struct Run {
  std::string out;
  std::string err;
  int status = -1;  // exit status, or 128+signal
};

struct RunOptions {
  std::string stdin_data;
  bool has_stdin = false;                 // false: standard input is /dev/null
  std::vector<std::string> env_set;       // "NAME=value"
  std::vector<std::string> env_unset;
  std::string cwd;                        // empty: the test's own
};

// Runs the zub binary with `args` (without the program name).
Run run_zub(const std::vector<std::string>& args, const RunOptions& opts = {});
Run run_zub_stdin(const std::vector<std::string>& args, const std::string& input);

// A fresh directory under the system temp dir, removed (recursively) when
// the object goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // Writes `content` to path()/rel, creating parent directories.
  std::string write(const std::string& rel, const std::string& content) const;
  std::string mkdir(const std::string& rel) const;
  std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }

 private:
  std::string path_;
};

}  // namespace zub_test
