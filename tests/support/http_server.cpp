#include "http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <stdexcept>

namespace zub_test {

namespace {

std::string lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

const char* reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 302: return "Found";
    case 304: return "Not Modified";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}

int listen_on(const std::string& address, uint16_t port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  if (inet_pton(AF_INET, address.c_str(), &sa.sin_addr) != 1 ||
      ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(fd, 64) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

uint16_t bound_port(int fd) {
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
  return ntohs(sa.sin_port);
}

bool send_all(int fd, const std::string& data) {
  size_t off = 0;
  while (off < data.size()) {
    ssize_t n = ::send(fd, data.data() + off, data.size() - off, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    off += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

HttpServer::HttpServer(std::vector<std::string> addresses) : addresses_(std::move(addresses)) {
  if (addresses_.empty()) addresses_.push_back("127.0.0.1");
  for (int attempt = 0; attempt < 50 && listen_fds_.empty(); ++attempt) {
    int first = listen_on(addresses_[0], 0);
    if (first < 0) break;
    uint16_t port = bound_port(first);
    std::vector<int> fds = {first};
    for (size_t i = 1; i < addresses_.size(); ++i) {
      int fd = listen_on(addresses_[i], port);
      if (fd < 0) break;
      fds.push_back(fd);
    }
    if (fds.size() == addresses_.size()) {
      listen_fds_ = fds;
      port_ = port;
    } else {
      for (int fd : fds) ::close(fd);
    }
  }
  if (listen_fds_.empty()) throw std::runtime_error("test HTTP server: cannot listen");
  if (pipe2(wake_, O_CLOEXEC) != 0) throw std::runtime_error("test HTTP server: pipe");
  acceptor_ = std::thread([this] { accept_loop(); });
}

HttpServer::~HttpServer() {
  stopping_ = true;
  ssize_t w = ::write(wake_[1], "x", 1);
  (void)w;
  acceptor_.join();
  std::vector<std::thread> workers;
  {
    std::lock_guard<std::mutex> lock(mu_);
    workers.swap(workers_);
  }
  for (auto& t : workers) t.join();
  for (int fd : listen_fds_) ::close(fd);
  ::close(wake_[0]);
  ::close(wake_[1]);
}

std::string HttpServer::url(const std::string& target) const { return url(target, addresses_[0]); }

std::string HttpServer::url(const std::string& target, const std::string& address) const {
  return "http://" + address + ":" + std::to_string(port_) + target;
}

void HttpServer::route(const std::string& target, ScriptedResponse response) {
  std::lock_guard<std::mutex> lock(mu_);
  routes_[target] = std::move(response);
}

int HttpServer::hits(const std::string& target) const {
  std::lock_guard<std::mutex> lock(mu_);
  int n = 0;
  for (const auto& r : log_) n += r.target == target;
  return n;
}

int HttpServer::not_modified(const std::string& target) const {
  std::lock_guard<std::mutex> lock(mu_);
  int n = 0;
  for (const auto& r : log_) n += r.target == target && r.answered == 304;
  return n;
}

std::vector<ReceivedRequest> HttpServer::requests() const {
  std::lock_guard<std::mutex> lock(mu_);
  return log_;
}

void HttpServer::accept_loop() {
  while (!stopping_) {
    std::vector<pollfd> fds;
    fds.push_back({wake_[0], POLLIN, 0});
    for (int fd : listen_fds_) fds.push_back({fd, POLLIN, 0});
    if (::poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[0].revents) return;
    for (size_t i = 1; i < fds.size(); ++i) {
      if (!(fds[i].revents & POLLIN)) continue;
      int c = ::accept4(fds[i].fd, nullptr, nullptr, SOCK_CLOEXEC);
      if (c < 0) continue;
      std::lock_guard<std::mutex> lock(mu_);
      workers_.emplace_back([this, c, addr = addresses_[i - 1]] { serve(c, addr); });
    }
  }
}

void HttpServer::serve(int fd, std::string address) {
  std::string buf;
  char chunk[8192];
  // Waits up to `ms` for the connection to turn readable or the server to
  // stop; false when stopping.
  auto wait_readable = [&](int ms) {
    pollfd p[2] = {{fd, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    int r = ::poll(p, 2, ms);
    return !stopping_ && r >= 0 && !(p[1].revents & POLLIN);
  };
  while (!stopping_) {
    size_t end = buf.find("\r\n\r\n");
    if (end == std::string::npos) {
      if (!wait_readable(-1)) break;
      ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
      if (n <= 0) break;
      buf.append(chunk, static_cast<size_t>(n));
      continue;
    }
    std::string head = buf.substr(0, end);
    buf.erase(0, end + 4);

    ReceivedRequest req;
    req.address = address;
    size_t line_end = head.find("\r\n");
    std::string request_line = head.substr(0, line_end);
    size_t sp1 = request_line.find(' ');
    size_t sp2 = request_line.find(' ', sp1 + 1);
    if (sp1 != std::string::npos)
      req.target = request_line.substr(
          sp1 + 1, sp2 == std::string::npos ? std::string::npos : sp2 - sp1 - 1);
    size_t pos = line_end == std::string::npos ? head.size() : line_end + 2;
    while (pos < head.size()) {
      size_t e = head.find("\r\n", pos);
      if (e == std::string::npos) e = head.size();
      std::string line = head.substr(pos, e - pos);
      size_t colon = line.find(':');
      if (colon != std::string::npos)
        req.headers[lower(trim(line.substr(0, colon)))] = trim(line.substr(colon + 1));
      pos = e + 2;
    }

    ScriptedResponse resp;
    size_t index;
    {
      std::lock_guard<std::mutex> lock(mu_);
      auto it = routes_.find(req.target);
      if (it != routes_.end()) {
        resp = it->second;
      } else {
        resp.status = 404;
        resp.body = "not found";
      }
      index = log_.size();
      log_.push_back(req);
    }

    int status = resp.status;
    if (resp.honour_validators && status == 200) {
      for (const auto& [name, value] : resp.headers) {
        std::string n = lower(name);
        if ((n == "etag" && req.headers.count("if-none-match") &&
             req.headers["if-none-match"] == value) ||
            (n == "last-modified" && req.headers.count("if-modified-since") &&
             req.headers["if-modified-since"] == value))
          status = 304;
      }
    }

    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(resp.delay_ms);
    bool gone = false;
    while (!stopping_ && std::chrono::steady_clock::now() < until) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          until - std::chrono::steady_clock::now());
      pollfd p[2] = {{fd, POLLRDHUP, 0}, {wake_[0], POLLIN, 0}};
      int r = ::poll(p, 2, static_cast<int>(std::max<long long>(1, left.count())));
      if (r > 0 && (p[0].revents & (POLLRDHUP | POLLHUP | POLLERR))) {
        gone = true;  // the client gave up (a curl timeout)
        break;
      }
      if (r > 0 && (p[1].revents & POLLIN)) break;
    }
    if (gone || stopping_) break;

    std::string out = "HTTP/1.1 " + std::to_string(status) + " " + reason(status) + "\r\n";
    for (const auto& [name, value] : resp.headers) out += name + ": " + value + "\r\n";
    if (resp.endless) {
      out += "Transfer-Encoding: chunked\r\n\r\n";
      if (!send_all(fd, out)) break;
      std::string data = resp.body.empty() ? std::string(65536, 'x') : resp.body;
      while (data.size() < 65536) data += resp.body;
      char size_line[32];
      std::snprintf(size_line, sizeof size_line, "%zx\r\n", data.size());
      const std::string piece = size_line + data + "\r\n";
      // A client that stops reading without closing cannot hold the
      // server's teardown for longer than this.
      timeval limit{10, 0};
      setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
      while (!stopping_ && send_all(fd, piece)) sent_ += data.size();
      break;
    }
    if (resp.cut_short) {
      out += "Content-Length: " + std::to_string(resp.body.size() + 1000) + "\r\n\r\n" + resp.body;
      if (send_all(fd, out)) sent_ += resp.body.size();
      break;
    }
    if (resp.trickle_ms > 0) {
      out += "Content-Length: " + std::to_string(resp.body.size()) + "\r\n\r\n";
      bool sent = send_all(fd, out);
      for (size_t i = 0; sent && !stopping_ && i < resp.body.size(); ++i) {
        pollfd p[2] = {{fd, POLLRDHUP, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(p, 2, resp.trickle_ms) != 0) break;  // the client left, or the server stops
        sent = send_all(fd, resp.body.substr(i, 1));
        if (sent) ++sent_;
      }
      break;
    }
    if (status != 304) out += "Content-Length: " + std::to_string(resp.body.size()) + "\r\n";
    out += "Connection: keep-alive\r\n\r\n";
    if (status != 304) out += resp.body;
    {
      // Recorded before the client can read the answer: a test that asks
      // right after its fetch returns must find it.
      std::lock_guard<std::mutex> lock(mu_);
      log_[index].answered = status;
    }
    if (!send_all(fd, out)) break;
    if (status != 304) sent_ += resp.body.size();
  }
  ::close(fd);
}

}  // namespace zub_test
