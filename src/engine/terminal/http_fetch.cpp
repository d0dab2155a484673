#include "engine/terminal/http_fetch.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QUrl>
#include <cerrno>
#include <cstring>
#include <vector>

namespace terminal {

namespace {

constexpr int kConnectMs = 5000;
constexpr int kSilenceMs = 15000;
constexpr size_t kReadSize = 512 * 1024;
constexpr size_t kMaxHead = 64 * 1024;

class Socket {
 public:
  ~Socket() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool connect(const std::string& host, int port) {
    addrinfo hints{}, *found = nullptr;
    hints.ai_socktype = SOCK_STREAM;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
    bool ok = false;
    for (addrinfo* a = found; a && !ok; a = a->ai_next) {
      fd_ = ::socket(a->ai_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
      if (fd_ < 0) continue;
      ok = ::connect(fd_, a->ai_addr, a->ai_addrlen) == 0 ||
           (errno == EINPROGRESS && wait(POLLOUT, kConnectMs) && connected());
      if (!ok) ::close(fd_), fd_ = -1;
    }
    freeaddrinfo(found);
    if (ok) {
      const int on = 1;
      ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    return ok;
  }
  bool send_all(const std::string& bytes) {
    for (size_t sent = 0; sent < bytes.size();) {
      const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n > 0) sent += static_cast<size_t>(n);
      else if (n < 0 && errno == EAGAIN) {
        if (!wait(POLLOUT, kSilenceMs)) return false;
      } else if (n < 0 && errno != EINTR) return false;
    }
    return true;
  }
  // Up to `size` bytes; 0 at the connection's end, -1 on an error or a silence too long.
  ssize_t receive(char* into, size_t size) {
    for (;;) {
      const ssize_t n = ::recv(fd_, into, size, 0);
      if (n >= 0) return n;
      if (errno == EINTR) continue;
      if (errno != EAGAIN || !wait(POLLIN, kSilenceMs)) return -1;
    }
  }

 private:
  bool wait(short events, int ms) {
    pollfd p{fd_, events, 0};
    int r;
    while ((r = ::poll(&p, 1, ms)) < 0 && errno == EINTR) {
    }
    return r > 0;
  }
  bool connected() {
    int error = 0;
    socklen_t len = sizeof error;
    return ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0;
  }
  int fd_ = -1;
};

bool parse_count(const std::string& text, int base, int64_t* out) {
  if (text.empty() || text.size() > 16) return false;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text.c_str(), &end, base);
  if (errno != 0 || *end != '\0' || v < 0) return false;
  *out = v;
  return true;
}

std::string trimmed(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t\r");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// The status line and the headers this client needs; false for anything that is not an HTTP head.
bool parse_head(const std::string& head, HttpHead* out, bool* chunked) {
  size_t at = head.find("\r\n");
  const std::string status_line = head.substr(0, at);
  if (status_line.rfind("HTTP/1.", 0) != 0 || status_line.size() < 12) return false;
  out->status = std::atoi(status_line.c_str() + 9);
  *chunked = false;
  while (at != std::string::npos && at + 2 < head.size()) {
    const size_t next = head.find("\r\n", at + 2);
    const std::string line = head.substr(at + 2, next - at - 2);
    at = next;
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string name = line.substr(0, colon), value = trimmed(line.substr(colon + 1));
    if (strcasecmp(name.c_str(), "Content-Length") == 0 && !parse_count(value, 10, &out->length)) return false;
    if (strcasecmp(name.c_str(), "Content-Range") == 0) out->content_range = value;
    if (strcasecmp(name.c_str(), "Transfer-Encoding") == 0) *chunked = strcasestr(value.c_str(), "chunked") != nullptr;
  }
  if (*chunked) out->length = -1;
  return out->status >= 100 && out->status < 600;
}

// The body of a chunked answer, its framing taken off, piece by piece.
class Unchunker {
 public:
  explicit Unchunker(const std::function<bool(const char*, size_t)>& sink) : sink_(sink) {}
  // false: the sink stopped or the framing is broken; done() once the last chunk came.
  bool feed(const char* data, size_t n) {
    while (n > 0 && !done_) {
      if (left_ > 0) {
        const size_t take = static_cast<size_t>(std::min<int64_t>(left_, static_cast<int64_t>(n)));
        if (!sink_(data, take)) return false;
        left_ -= static_cast<int64_t>(take), data += take, n -= take;
        if (left_ == 0) expect_crlf_ = true;
        continue;
      }
      line_ += *data++, --n;
      if (line_.size() > 1024) return false;
      if (line_.size() < 2 || line_.compare(line_.size() - 2, 2, "\r\n") != 0) continue;
      const std::string line = line_.substr(0, line_.size() - 2);
      line_.clear();
      if (expect_crlf_) {
        if (!line.empty()) return false;
        expect_crlf_ = false;
        continue;
      }
      int64_t size = 0;
      if (!parse_count(trimmed(line.substr(0, line.find(';'))), 16, &size)) return false;
      if (size == 0) done_ = true;  // trailers are not needed
      left_ = size;
    }
    return true;
  }
  bool done() const { return done_; }

 private:
  const std::function<bool(const char*, size_t)>& sink_;
  std::string line_;
  int64_t left_ = 0;
  bool expect_crlf_ = false, done_ = false;
};

}  // namespace

FetchEnd http_get(const std::string& url, const std::string& range, const std::function<bool(const HttpHead&)>& on_head,
                  const std::function<bool(const char*, size_t)>& on_body) {
  const QUrl u(QString::fromStdString(url));
  if (u.scheme() != QLatin1String("http") || u.host().isEmpty()) return FetchEnd::Failed;
  const std::string host = u.host().toStdString();
  const int port = u.port(80);
  std::string target = u.path(QUrl::FullyEncoded).toStdString();
  if (target.empty()) target = "/";
  if (u.hasQuery()) target += "?" + u.query(QUrl::FullyEncoded).toStdString();
  Socket socket;
  if (!socket.connect(host, port)) return FetchEnd::Failed;
  const std::string authority = host.find(':') != std::string::npos ? "[" + host + "]" : host;
  std::string request = "GET " + target + " HTTP/1.1\r\nHost: " + authority +
                        (port == 80 ? "" : ":" + std::to_string(port)) +
                        "\r\nUser-Agent: QvodTerminal\r\nAccept-Encoding: identity\r\nConnection: close\r\n";
  if (!range.empty()) request += "Range: " + range + "\r\n";
  if (!socket.send_all(request + "\r\n")) return FetchEnd::Failed;

  std::vector<char> buffer(kReadSize);
  std::string head;
  size_t head_end = std::string::npos;
  while (head_end == std::string::npos) {
    const ssize_t n = socket.receive(buffer.data(), buffer.size());
    if (n <= 0) return FetchEnd::Failed;
    head.append(buffer.data(), static_cast<size_t>(n));
    head_end = head.find("\r\n\r\n");
    if (head_end == std::string::npos && head.size() > kMaxHead) return FetchEnd::Failed;
  }
  HttpHead parsed;
  bool chunked = false;
  if (!parse_head(head.substr(0, head_end + 2), &parsed, &chunked)) return FetchEnd::Failed;
  if (!on_head(parsed)) return FetchEnd::Stopped;

  int64_t left = parsed.length;  // -1: to the connection's end (or the last chunk)
  Unchunker unchunk(on_body);
  // Body bytes: what came with the head first, then whatever the connection brings.
  auto take = [&](const char* data, size_t n) -> int {  // 1 go on, 0 whole, -1 stopped/broken
    if (chunked) return !unchunk.feed(data, n) ? -1 : unchunk.done() ? 0 : 1;
    if (left >= 0) n = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(n)));
    if (n > 0 && !on_body(data, n)) return -1;
    if (left >= 0) left -= static_cast<int64_t>(n);
    return left == 0 ? 0 : 1;
  };
  const size_t early = head.size() - head_end - 4;
  int state = (early > 0 || left == 0 || chunked) ? take(head.data() + head_end + 4, early) : 1;
  while (state == 1) {
    const ssize_t n = socket.receive(buffer.data(), buffer.size());
    if (n < 0) return FetchEnd::Failed;
    if (n == 0) return left < 0 && !chunked ? FetchEnd::Whole : FetchEnd::Failed;
    state = take(buffer.data(), static_cast<size_t>(n));
  }
  return state == 0 ? FetchEnd::Whole : FetchEnd::Stopped;
}

}  // namespace terminal
