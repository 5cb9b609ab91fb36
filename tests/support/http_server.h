// A scripted HTTP/1.1 server for tests, listening on loopback addresses
// with an ephemeral port and serving from threads of the test process. Each
// path (request target, query included) gets a scripted response; requests
// are counted and recorded so tests can tell cache hits from network
// traffic. Persistent connections are supported (curl's parallel batches
// reuse them). Unknown paths answer 404.
//
// Validators: when a scripted response carries an ETag (or Last-Modified)
// header and the request's If-None-Match (or If-Modified-Since) equals it,
// the server answers 304 with the scripted headers and no body.
//
// Thread-safe: routes may be changed and counters read while requests run.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace zub_test {

struct ScriptedResponse {
  int status = 200;
  std::string body;
  // Sent as given, in order ("Cache-Control", "max-age=60"); the server adds
  // only Content-Length and Connection.
  std::vector<std::pair<std::string, std::string>> headers;
  int delay_ms = 0;               // wait before answering
  bool honour_validators = true;  // false: never answer 304
  // A body that never ends: `body` (or filler) repeated in chunks until the
  // client goes away.
  bool endless = false;
  // Declares a Content-Length beyond `body`, sends `body` and closes the
  // connection: a transfer that breaks off after its status line.
  bool cut_short = false;
  // Sends the head at once, then `body` one byte every this many
  // milliseconds (0: all at once).
  int trickle_ms = 0;
};

struct ReceivedRequest {
  std::string address;                         // the local address the request arrived on
  std::string target;                          // request target, e.g. "/docs?q=1"
  std::map<std::string, std::string> headers;  // lower-case names
  int answered = 0;                            // status sent (0 when the client went away first)
};

class HttpServer {
 public:
  // Listens on every address in `addresses` (all 127.x.y.z) at one common
  // ephemeral port. Throws std::runtime_error when it cannot.
  explicit HttpServer(std::vector<std::string> addresses = {"127.0.0.1"});
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  uint16_t port() const { return port_; }
  // "http://{address}:{port}{target}"; address defaults to the first one.
  std::string url(const std::string& target) const;
  std::string url(const std::string& target, const std::string& address) const;

  // Scripts (or replaces) the response for `target`.
  void route(const std::string& target, ScriptedResponse response);

  // Requests received for `target` so far (any answer, 304 included).
  int hits(const std::string& target) const;
  // 304 answers sent for `target`.
  int not_modified(const std::string& target) const;
  // Every request received, in arrival order.
  std::vector<ReceivedRequest> requests() const;
  // Body bytes sent so far, over all responses.
  uint64_t body_bytes_sent() const { return sent_; }

 private:
  struct Connection;
  void accept_loop();
  void serve(int fd, std::string address);

  std::vector<std::string> addresses_;
  std::vector<int> listen_fds_;
  uint16_t port_ = 0;
  int wake_[2] = {-1, -1};
  std::atomic<bool> stopping_{false};
  std::atomic<uint64_t> sent_{0};
  mutable std::mutex mu_;
  std::map<std::string, ScriptedResponse> routes_;
  std::vector<ReceivedRequest> log_;
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};

}  // namespace zub_test
