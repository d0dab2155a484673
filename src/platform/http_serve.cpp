#include "platform/http_serve.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace platform {

namespace {

constexpr int kReadMs = 5000;    // a request body's next bytes
constexpr int kWriteMs = 15000;  // the client's room for the next bytes of an answer
constexpr int kRequestsPerConnection = 100;

bool wait_for(int fd, short events, int ms) {
  pollfd p{fd, events, 0};
  int r;
  do r = ::poll(&p, 1, ms);
  while (r < 0 && errno == EINTR);
  return r > 0 && (p.revents & (events | POLLHUP | POLLERR));
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
  void get_remote_ip_and_port(std::string& ip, int& port) const override { ip = socket_address(fd_, false, &port); }
  void get_local_ip_and_port(std::string& ip, int& port) const override { ip = socket_address(fd_, true, &port); }
  socket_t socket() const override { return fd_; }

 private:
  int fd_;
  std::string& buffered_;
};

// A connection held in memory: the request bytes to read, the answer written.
class MemoryStream : public httplib::Stream {
 public:
  explicit MemoryStream(std::string in) : in_(std::move(in)) {}
  bool is_readable() const override { return at_ < in_.size(); }
  bool is_writable() const override { return true; }
  ssize_t read(char* ptr, size_t size) override {
    const size_t n = std::min(size, in_.size() - at_);
    std::memcpy(ptr, in_.data() + at_, n);
    at_ += n;
    return static_cast<ssize_t>(n);
  }
  ssize_t write(const char* ptr, size_t size) override {
    out_.append(ptr, size);
    return static_cast<ssize_t>(size);
  }
  void get_remote_ip_and_port(std::string& ip, int& port) const override { ip = "127.0.0.1", port = 40000; }
  void get_local_ip_and_port(std::string& ip, int& port) const override { ip = "127.0.0.1", port = 0; }
  socket_t socket() const override { return INVALID_SOCKET; }
  const std::string& written() const { return out_; }

 private:
  std::string in_;
  size_t at_ = 0;
  std::string out_;
};

bool named(const std::string& line, const char* name) {
  const size_t n = std::strlen(name);
  return line.size() > n && line[n] == ':' && strncasecmp(line.c_str(), name, n) == 0;
}

// The library would refuse a Range it cannot parse before any handler has seen the request, and
// would compress text answers by itself: those headers travel under our own names, and ones of
// those names from the client are dropped. "Expect" goes too: the servers take no request bodies,
// and the library would answer "100 Continue" before any handler has let the request in.
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
      if (named(line, to)) done = true;
      else if (named(line, from)) out += std::string(to) + line.substr(std::strlen(from)) + "\r\n", done = true;
    }
    if (!first && named(line, "expect")) continue;
    if (first || !done) out += line + "\r\n";
  }
  return out;
}

}  // namespace

LoopbackServer::LoopbackServer(HeadReader::Admit admit, size_t workers)
    : workers_(std::make_unique<httplib::ThreadPool>(workers)),
      admit_(admit),
      reader_(std::make_unique<HeadReader>(
          HeadReader::Limits{},
          [this](ParkedConnection c, std::string head) {
            workers_->enqueue(
                [this, c = std::move(c), head = std::move(head)]() mutable { serve(std::move(c), std::move(head)); });
          },
          std::move(admit))) {
  // The library's accept loop only hands each new connection to the head reader.
  new_task_queue = [] { return new httplib::ThreadPool(1); };
}

LoopbackServer::~LoopbackServer() {
  reader_->stop();       // nothing more is handed to the workers
  workers_->shutdown();  // the requests being served are finished; what they hand back is closed
}

int LoopbackServer::bind_loopback(int port) {
  const int bound = port == 0 ? bind_to_any_port("127.0.0.1") : (bind_to_port("127.0.0.1", port) ? port : -1);
  // The library listens with a backlog of 5: a crowd that fills it would hold back every other
  // client's connect by a second or more (the kernel drops their first attempt).
  if (bound > 0) ::listen(svr_sock_, SOMAXCONN);
  return bound;
}

bool LoopbackServer::process_and_close_socket(socket_t sock) {
  const int one = 1;
  ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  reader_->add(ParkedConnection{sock, {}, 0});
  return true;
}

// One request of a connection on a worker; a connection kept alive goes back to wait for its next head.
void LoopbackServer::serve(ParkedConnection c, std::string head) {
  c.buffered.insert(0, with_headers_renamed(head));
  ConnectionStream stream(c.fd, c.buffered);
  bool closed = false;
  const bool ok = process_request(stream, c.served + 1 >= kRequestsPerConnection, closed, nullptr);
  if (ok && !closed && svr_sock_ != INVALID_SOCKET) {
    ++c.served;
    return reader_->add(std::move(c));
  }
  ::shutdown(c.fd, SHUT_RDWR);
  ::close(c.fd);
}

std::string LoopbackServer::answer_in_memory(std::string request) {
  std::string head;
  const HeadVerdict verdict = judge_head(request, HeadReader::Limits{}.head_max, admit_, &head);
  if (verdict == HeadVerdict::MoreToCome) return {};
  if (verdict != HeadVerdict::Admitted) return refusal_answer(verdict);
  MemoryStream stream(with_headers_renamed(head) + request);
  bool closed = false;
  process_request(stream, true, closed, nullptr);
  return stream.written();
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
