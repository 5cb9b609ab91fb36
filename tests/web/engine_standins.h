// Stand-ins for the two outside programs that `web` needs and the test
// machine cannot really use: `curl` reaching the public search engines and
// `docker` restarting the local metasearch container. Both are small sh
// scripts in a private bin directory that becomes the whole PATH of the zub
// run. The curl stand-in checks the fixed argument list (identity, headers,
// write-out format) and fails with curl's "failed to initialize" status 2
// on any difference; it serves routed documents for single fetches and for
// parallel batches, appending the write-out trailer as curl does; an
// unrouted URL fails like an unresolvable host (exit 6). Every invocation
// records its argument list for the test to inspect.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/run_zub.h"

namespace zub_test {

class EngineStandIns {
 public:
  EngineStandIns();

  // Serves `body` with `status` for `url` (the last route for a URL wins).
  void serve(const std::string& url, const std::string& body, int status = 200);
  // `url` cannot be reached: curl exits with `exit_code` (7: connection refused).
  void refuse(const std::string& url, int exit_code = 7);
  // Installs a docker stand-in that exits with `status`; when it exits 0,
  // the routes added with serve_after_docker() come into force.
  void install_docker(int status);
  void serve_after_docker(const std::string& url, const std::string& body);
  // Requests for the local service (127.0.0.1:8888) go to `port` on the
  // loopback address instead, through the real curl at `real_curl`; with
  // the _after_docker form only once the docker stand-in has succeeded.
  void forward_searx(uint16_t port, const std::string& real_curl);
  void forward_searx_after_docker(uint16_t port, const std::string& real_curl);

  // Environment for run_zub: PATH (the stand-ins only), a private HOME, and
  // no inherited cache or debug switches.
  RunOptions options(std::vector<std::string> extra_env = {}) const;

  // Argument lists of every curl run (without the program name), in no
  // particular order.
  std::vector<std::vector<std::string>> curl_calls() const;
  // Lines "start searxng" per docker run.
  std::vector<std::string> docker_calls() const;

  const TempDir& dir() const { return dir_; }

 private:
  void add_route(const std::string& file, const std::string& url, const std::string& status,
                 const std::string& body);
  TempDir dir_;
  int next_doc_ = 0;
};

// The URLs the engines ask for a query.
std::string bing_url(const std::string& encoded_query);
std::string brave_url(const std::string& encoded_query);
std::string searx_url(const std::string& encoded_query);

// The value after `flag` in a curl argument list ("" when absent).
std::string arg_after(const std::vector<std::string>& args, const std::string& flag);

}  // namespace zub_test
