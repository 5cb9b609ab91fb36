#include "support/run_zub.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "base/process.h"

namespace zub_test {

Run run_zub(const std::vector<std::string>& args, const RunOptions& opts) {
  std::vector<std::string> argv;
  if (opts.cwd.empty()) {
    argv.push_back(ZUB_BINARY);
  } else {
    // Change directory through sh so the runner itself stays simple.
    argv = {"sh", "-c", "cd \"$0\" && exec \"$@\"", opts.cwd, ZUB_BINARY};
  }
  argv.insert(argv.end(), args.begin(), args.end());
  zub::ProcessOptions po;
  if (opts.has_stdin) po.stdin_data = opts.stdin_data;
  po.env_set = opts.env_set;
  po.env_unset = opts.env_unset;
  zub::ProcessResult r = zub::run_process(argv, po);
  Run run;
  run.out = std::move(r.out);
  run.err = std::move(r.err);
  run.status = r.exited ? r.exit_code : 128 + r.signal;
  return run;
}

Run run_zub_stdin(const std::vector<std::string>& args, const std::string& input) {
  RunOptions o;
  o.has_stdin = true;
  o.stdin_data = input;
  return run_zub(args, o);
}

TempDir::TempDir() {
  const char* tmp = std::getenv("TMPDIR");
  std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/zubtest-XXXXXX";
  if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
  path_ = templ;
}

TempDir::~TempDir() {
  // Restore permissions first so tests that revoke them still clean up.
  std::string cmd = "chmod -R u+rwx '" + path_ + "' 2>/dev/null; rm -rf '" + path_ + "'";
  int rc = std::system(cmd.c_str());
  (void)rc;
}

std::string TempDir::mkdir(const std::string& rel) const {
  std::string full = path_ + "/" + rel;
  std::string cmd = "mkdir -p '" + full + "'";
  if (std::system(cmd.c_str()) != 0) throw std::runtime_error("mkdir failed");
  return full;
}

std::string TempDir::write(const std::string& rel, const std::string& content) const {
  std::string full = path_ + "/" + rel;
  auto slash = full.rfind('/');
  if (slash != std::string::npos) {
    std::string cmd = "mkdir -p '" + full.substr(0, slash) + "'";
    if (std::system(cmd.c_str()) != 0) throw std::runtime_error("mkdir failed");
  }
  std::ofstream f(full, std::ios::binary);
  f << content;
  return full;
}

}  // namespace zub_test
