#include "support/run_zub.h"

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

}  // namespace zub_test
