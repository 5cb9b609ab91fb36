#include "support/run_zub.h"

#include <string_view>

#include "support/test_env.h"

namespace zub_test {

namespace {

// True when the test sets or removes `name` for the run itself.
bool names(const RunOptions& opts, std::string_view name) {
  for (const std::string& s : opts.env_set)
    if (s.size() > name.size() && s.compare(0, name.size(), name) == 0 && s[name.size()] == '=')
      return true;
  for (const std::string& u : opts.env_unset)
    if (u == name) return true;
  return false;
}

}  // namespace

zub::ProcessOptions zub_process_options(const RunOptions& opts) {
  zub::ProcessOptions po;
  if (opts.has_stdin) po.stdin_data = opts.stdin_data;
  po.env_unset = zub_variable_names();
  po.env_unset.insert(po.env_unset.end(), opts.env_unset.begin(), opts.env_unset.end());
  const TestHome& home = test_home();
  for (const auto& [name, dir] :
       {std::pair<std::string_view, const std::string&>{"HOME", home.home},
        {"XDG_STATE_HOME", home.state},
        {"TMPDIR", home.tmp}})
    if (!dir.empty() && !names(opts, name)) po.env_set.push_back(std::string(name) + "=" + dir);
  po.env_set.insert(po.env_set.end(), opts.env_set.begin(), opts.env_set.end());
  return po;
}

Run run_zub(const std::vector<std::string>& args, const RunOptions& opts) {
  std::vector<std::string> argv;
  if (opts.cwd.empty()) {
    argv.push_back(ZUB_BINARY);
  } else {
    // Change directory through sh so the runner itself stays simple.
    argv = {"sh", "-c", "cd \"$0\" && exec \"$@\"", opts.cwd, ZUB_BINARY};
  }
  argv.insert(argv.end(), args.begin(), args.end());
  zub::ProcessResult r = zub::run_process(argv, zub_process_options(opts));
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

std::string kept_path(const std::string& err) {
  const size_t at = err.find("[zub: 원문 보관 (");
  if (at == std::string::npos) return {};
  const std::string lead = " · zub read ";
  const size_t read = err.find(lead, at);
  if (read == std::string::npos) return {};
  const size_t from = read + lead.size();
  return err.substr(from, err.find(' ', from) - from);
}

}  // namespace zub_test
