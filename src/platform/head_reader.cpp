#include "platform/head_reader.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

// A short answer of this thread's own, sent without waiting (a client that does not read it loses it).
void answer_and_close(int fd, const std::string& text) {
  [[maybe_unused]] ssize_t sent = ::send(fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  ::shutdown(fd, SHUT_RDWR);
  ::close(fd);
}

void close_connection(int fd) {
  ::shutdown(fd, SHUT_RDWR);
  ::close(fd);
}

}  // namespace

bool is_request_head(const std::string& head) {
  const size_t eol = head.find("\r\n");
  const size_t method_end = head.find(' ');
  if (eol == std::string::npos || method_end == 0 || method_end > 16 || method_end >= eol) return false;
  for (size_t i = 0; i < method_end; ++i)
    if (head[i] < 'A' || head[i] > 'Z') return false;
  const size_t version = eol - 9;  // " HTTP/1.x"
  if (eol < method_end + 11 || head.compare(version, 8, " HTTP/1.") != 0 ||
      (head[eol - 1] != '0' && head[eol - 1] != '1'))
    return false;
  for (size_t i = method_end + 1; i < version; ++i)
    if (static_cast<unsigned char>(head[i]) <= ' ') return false;  // the target: no blank, no control
  return true;
}

HeadVerdict judge_head(std::string& buffered, size_t head_max, const HeadReader::Admit& admit, std::string* head) {
  const size_t end = buffered.find("\r\n\r\n");
  if (end == std::string::npos && buffered.size() <= head_max) return HeadVerdict::MoreToCome;
  if (end == std::string::npos || end + 4 > head_max) return HeadVerdict::TooLarge;
  std::string whole = buffered.substr(0, end + 4);
  if (!is_request_head(whole)) return HeadVerdict::Malformed;
  if (admit && !admit(whole)) return HeadVerdict::Refused;
  buffered.erase(0, end + 4);
  *head = std::move(whole);
  return HeadVerdict::Admitted;
}

std::string refusal_answer(HeadVerdict verdict) {
  const char* status = verdict == HeadVerdict::TooLarge    ? "431 Request Header Fields Too Large"
                       : verdict == HeadVerdict::Malformed ? "400 Bad Request"
                                                           : "403 Forbidden";
  return std::string("HTTP/1.1 ") + status + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
}

std::string socket_address(int fd, bool local, int* port) {
  sockaddr_storage a{};
  socklen_t len = sizeof a;
  const int r = local ? ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len)
                      : ::getpeername(fd, reinterpret_cast<sockaddr*>(&a), &len);
  if (r != 0) return {};
  char text[INET6_ADDRSTRLEN] = {};
  if (a.ss_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&a);
    inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
    if (port) *port = ntohs(v4->sin_port);
  } else if (a.ss_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&a);
    inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
    if (port) *port = ntohs(v6->sin6_port);
  }
  return text;
}

HeadReader::HeadReader(Limits limits, Ready ready, Admit admit)
    : limits_(limits), ready_(std::move(ready)), admit_(std::move(admit)) {
  epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
  wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  epoll_event e{};
  e.events = EPOLLIN;
  e.data.fd = wake_;
  ::epoll_ctl(epoll_, EPOLL_CTL_ADD, wake_, &e);
  thread_ = std::thread([this] { run(); });
}

HeadReader::~HeadReader() {
  stop();
  ::close(wake_);
  ::close(epoll_);
}

void HeadReader::add(ParkedConnection connection) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    if (!stopped_) {
      incoming_.push_back(std::move(connection));
      connection.fd = -1;
    }
  }
  if (connection.fd >= 0) return close_connection(connection.fd);
  const uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(wake_, &one, sizeof one);
}

void HeadReader::stop() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    if (stopped_) return;
    stopped_ = true;
  }
  const uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(wake_, &one, sizeof one);
  if (thread_.joinable()) thread_.join();
  for (auto& [fd, w] : waiting_) close_connection(fd);
  waiting_.clear();
  for (ParkedConnection& c : incoming_) close_connection(c.fd);
  incoming_.clear();
  waiting_count_ = 0;
}

size_t HeadReader::waiting() const { return waiting_count_; }

void HeadReader::run() {
  epoll_event events[64];
  for (;;) {
    // Deadlines are looked at every tenth of a second: a limit of seconds needs no finer clock.
    const int n = ::epoll_wait(epoll_, events, 64, 100);
    for (int i = 0; i < n; ++i) {
      if (events[i].data.fd == wake_) {
        uint64_t count;
        [[maybe_unused]] ssize_t r = ::read(wake_, &count, sizeof count);
        {
          std::lock_guard<std::mutex> guard(mutex_);
          if (stopped_) return;
        }
        take_new();
      } else if (waiting_.count(events[i].data.fd)) {
        read_from(events[i].data.fd);
      }
    }
    drop_expired();
    waiting_count_ = waiting_.size();
  }
}

void HeadReader::take_new() {
  std::list<ParkedConnection> arrived;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    arrived.swap(incoming_);
  }
  for (ParkedConnection& c : arrived) watch(std::move(c));
}

void HeadReader::watch(ParkedConnection connection) {
  const int fd = connection.fd;
  const std::string peer = socket_address(fd, false);
  make_room(peer);
  Waiting& w = waiting_[fd];
  w.begun = !connection.buffered.empty();
  w.connection = std::move(connection);
  w.peer = peer;
  w.deadline = Clock::now() + std::chrono::milliseconds(w.begun ? limits_.head_ms : limits_.idle_ms);
  order_.push_back(fd);
  w.in_order = std::prev(order_.end());
  ++per_peer_[peer];
  epoll_event e{};
  e.events = EPOLLIN | EPOLLRDHUP;
  e.data.fd = fd;
  ::epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &e);
  // What has come already is taken at once: a client that sent its head with its connect (and a
  // kept-alive one that sent its next request with the last) never waits among the crowd.
  read_from(fd);
}

void HeadReader::make_room(const std::string& peer) {
  while (per_peer_.count(peer) && per_peer_[peer] >= limits_.max_waiting_per_peer && drop_oldest(peer)) {
  }
  while (waiting_.size() >= limits_.max_waiting && drop_oldest({})) {
  }
}

bool HeadReader::drop_oldest(const std::string& peer) {
  for (int fd : order_)
    if (peer.empty() || waiting_[fd].peer == peer) {
      drop(fd);
      return true;
    }
  return false;
}

void HeadReader::drop_expired() {
  const auto now = Clock::now();
  std::vector<int> late;
  for (const auto& [fd, w] : waiting_)
    if (w.deadline <= now) late.push_back(fd);
  for (int fd : late) drop(fd);
}

void HeadReader::read_from(int fd) {
  Waiting& w = waiting_[fd];
  char chunk[4096];
  for (;;) {
    const ssize_t r = ::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
    if (r > 0) {
      if (!w.begun) w.deadline = Clock::now() + std::chrono::milliseconds(limits_.head_ms);
      w.begun = true;
      w.connection.buffered.append(chunk, static_cast<size_t>(r));
      if (w.connection.buffered.size() > limits_.head_max) break;  // settle answers it
      continue;
    }
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    // Closed by the client (or failed): a whole head sent before its end is still answered.
    if (r == 0 && w.connection.buffered.find("\r\n\r\n") != std::string::npos) break;
    return drop(fd);
  }
  settle(fd);
}

void HeadReader::settle(int fd) {
  Waiting& w = waiting_[fd];
  std::string head;
  const HeadVerdict verdict = judge_head(w.connection.buffered, limits_.head_max, admit_, &head);
  if (verdict == HeadVerdict::MoreToCome) return;
  ParkedConnection connection = std::move(w.connection);
  w.connection.fd = -1;
  drop(fd);  // no longer waiting (the socket stays open: it is connection's now)
  if (verdict == HeadVerdict::Admitted) return ready_(std::move(connection), std::move(head));
  answer_and_close(connection.fd, refusal_answer(verdict));
}

void HeadReader::drop(int fd) {
  auto hit = waiting_.find(fd);
  if (hit == waiting_.end()) return;
  ::epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
  if (--per_peer_[hit->second.peer] == 0) per_peer_.erase(hit->second.peer);
  order_.erase(hit->second.in_order);
  if (hit->second.connection.fd >= 0) close_connection(fd);
  waiting_.erase(hit);
}

}  // namespace platform
