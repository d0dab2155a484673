#include "platform/http_serve.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace platform {

namespace {

constexpr int kIdleMs = 5000;    // a kept-alive connection waits this long for its next request
constexpr int kHeadMs = 3000;    // once a request has begun, its whole head is here within this
constexpr int kReadMs = 5000;    // a request body's next bytes
constexpr int kWriteMs = 15000;  // the client's room for the next bytes of an answer
constexpr size_t kHeadMax = 16 * 1024;
constexpr int kRequestsPerConnection = 100;

bool wait_for(int fd, short events, int ms) {
  pollfd p{fd, events, 0};
  int r;
  do r = ::poll(&p, 1, ms);
  while (r < 0 && errno == EINTR);
  return r > 0 && (p.revents & (events | POLLHUP | POLLERR));
}

std::string address_text(const sockaddr_storage& a, int& port) {
  char text[INET6_ADDRSTRLEN] = {};
  if (a.ss_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&a);
    inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
    port = ntohs(v4->sin_port);
  } else if (a.ss_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&a);
    inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
    port = ntohs(v6->sin6_port);
  }
  return text;
}

// The connection as the library reads it: first what has been read already, then the socket.
class ConnectionStream : public httplib::Stream {
 public:
  ConnectionStream(int fd, std::string& buffered) : fd_(fd), buffered_(buffered) {}
  bool is_readable() const override { return !buffered_.empty() || wait_for(fd_, POLLIN, kReadMs); }
  bool is_writable() const override { return wait_for(fd_, POLLOUT, kWriteMs); }
  ssize_t read(char* ptr, size_t size) override {
    if (!buffered_.empty()) {
      const size_t n = std::min(size, buffered_.size());
      std::memcpy(ptr, buffered_.data(), n);
      buffered_.erase(0, n);
      return static_cast<ssize_t>(n);
    }
    if (!wait_for(fd_, POLLIN, kReadMs)) return -1;
    ssize_t r;
    do r = ::recv(fd_, ptr, size, 0);
    while (r < 0 && errno == EINTR);
    return r;
  }
  ssize_t write(const char* ptr, size_t size) override {
    if (!is_writable()) return -1;
    ssize_t r;
    do r = ::send(fd_, ptr, size, MSG_NOSIGNAL);
    while (r < 0 && errno == EINTR);
    return r;
  }
  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    sockaddr_storage a{};
    socklen_t len = sizeof a;
    ip = ::getpeername(fd_, reinterpret_cast<sockaddr*>(&a), &len) == 0 ? address_text(a, port) : std::string();
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    sockaddr_storage a{};
    socklen_t len = sizeof a;
    ip = ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) == 0 ? address_text(a, port) : std::string();
  }
  socket_t socket() const override { return fd_; }

 private:
  int fd_;
  std::string& buffered_;
};

// One request head, through its blank line, into head; what follows it stays in buffered. False
// when no request comes, or its head does not arrive whole in time.
bool read_head(int fd, std::string& buffered, std::string& head) {
  if (buffered.empty() && !wait_for(fd, POLLIN, kIdleMs)) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHeadMs);
  size_t end;
  while ((end = buffered.find("\r\n\r\n")) == std::string::npos) {
    if (buffered.size() > kHeadMax) return false;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !wait_for(fd, POLLIN, static_cast<int>(left.count()))) return false;
    char chunk[4096];
    ssize_t r;
    do r = ::recv(fd, chunk, sizeof chunk, 0);
    while (r < 0 && errno == EINTR);
    if (r <= 0) return false;
    buffered.append(chunk, static_cast<size_t>(r));
  }
  head = buffered.substr(0, end + 4);
  buffered.erase(0, end + 4);
  return true;
}

bool named(const std::string& line, const char* name) {
  const size_t n = std::strlen(name);
  return line.size() > n && line[n] == ':' && strncasecmp(line.c_str(), name, n) == 0;
}

// The library would refuse a Range it cannot parse before any handler has seen the request, and
// would compress text answers by itself: those headers travel under our own names, and ones of
// those names from the client are dropped.
std::string with_headers_renamed(const std::string& head) {
  static const std::pair<const char*, const char*> kRenamed[] = {
      {"range", LoopbackServer::kRangeHeader}, {"accept-encoding", LoopbackServer::kAcceptEncodingHeader}};
  std::string out;
  size_t at = 0;
  for (bool first = true;; first = false) {
    const size_t eol = head.find("\r\n", at);
    if (eol == std::string::npos) break;
    const std::string line = head.substr(at, eol - at);
    at = eol + 2;
    bool done = first;
    for (const auto& [from, to] : kRenamed) {
      if (done) break;
      if (named(line, to))
        done = true;
      else if (named(line, from))
        out += std::string(to) + line.substr(std::strlen(from)) + "\r\n", done = true;
    }
    if (first || !done) out += line + "\r\n";
  }
  return out;
}

}  // namespace

LoopbackServer::LoopbackServer(size_t workers) {
  new_task_queue = [workers] { return new httplib::ThreadPool(workers); };
}

bool LoopbackServer::process_and_close_socket(socket_t sock) {
  const int one = 1;
  ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  std::string buffered, head;
  bool ok = true;
  for (int n = 1; n <= kRequestsPerConnection && svr_sock_ != INVALID_SOCKET; ++n) {
    if (!read_head(sock, buffered, head)) break;
    buffered.insert(0, with_headers_renamed(head));
    ConnectionStream stream(sock, buffered);
    bool closed = false;
    ok = process_request(stream, n == kRequestsPerConnection, closed, nullptr);
    if (!ok || closed) break;
  }
  ::shutdown(sock, SHUT_RDWR);
  ::close(sock);
  return ok;
}

std::optional<RangeAnswer> begin_range_answer(const httplib::Request& req, httplib::Response& res, int64_t size) {
  const RangeAnswer range = resolve_range(req.get_header_value(LoopbackServer::kRangeHeader), size);
  if (range.kind == RangeAnswer::Unsatisfiable) {
    res.status = 416;
    res.set_header("Content-Range", content_range(range, size));
    res.set_content("", "text/plain");
    return std::nullopt;
  }
  res.set_header("Accept-Ranges", "bytes");
  if (range.kind == RangeAnswer::Partial) {
    res.status = 206;
    res.set_header("Content-Range", content_range(range, size));
  }
  return range;
}

}  // namespace platform
