// The loopback servers (the terminal and the site) against a crowd of local connections that send
// no whole request head: idle ones, trickling ones and half-sent heads, each re-opened as soon as the
// server drops it. A request of the rightful client is answered within 100 ms all the while.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/head_reader.h"
#include "support/site_process.h"
#include "support/terminal_process.h"

namespace {

using Clock = std::chrono::steady_clock;

// A connection to the port; a crowd's does not wait for the server to take it.
int connect_to(int port, bool wait = true) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | (wait ? 0 : SOCK_NONBLOCK), 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 && errno != EINPROGRESS) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// 200 connections of each kind, kept open by a thread of their own: a connection the server
// closes is opened again at once (the fourth kind of crowd, a churning one).
class Crowd {
 public:
  enum Kind { Idle, Trickle, HalfHead };
  explicit Crowd(int port, int each = 200) : port_(port) {
    for (Kind k : {Idle, Trickle, HalfHead})
      for (int i = 0; i < each; ++i) members_.push_back({k, -1, 0});
    thread_ = std::thread([this] { run(); });
  }
  ~Crowd() {
    done_ = true;
    thread_.join();
    for (Member& m : members_)
      if (m.fd >= 0) ::close(m.fd);
  }
  long reopened() const { return reopened_; }

 private:
  struct Member {
    Kind kind;
    int fd;
    size_t sent;
  };
  static constexpr char kHead[] = "GET /status?hash=0 HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Filler: ";
  void open(Member& m) {
    m.fd = connect_to(port_, false);
    m.sent = 0;
    if (m.fd >= 0 && m.kind == HalfHead)
      m.sent = static_cast<size_t>(::send(m.fd, kHead, sizeof kHead - 1, MSG_NOSIGNAL));
  }
  void run() {
    auto last_trickle = Clock::now();
    while (!done_) {
      const bool trickle = Clock::now() - last_trickle > std::chrono::milliseconds(500);
      if (trickle) last_trickle = Clock::now();
      for (Member& m : members_) {
        if (m.fd < 0) {
          open(m);
          continue;
        }
        char c;
        const ssize_t r = ::recv(m.fd, &c, 1, MSG_DONTWAIT);
        if (r == 0 || (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) {  // dropped by the server
          ::close(m.fd);
          open(m);
          ++reopened_;
        } else if (trickle && m.kind == Trickle) {
          const char byte = kHead[m.sent % (sizeof kHead - 1)];
          if (::send(m.fd, &byte, 1, MSG_NOSIGNAL) == 1) ++m.sent;
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  const int port_;
  std::vector<Member> members_;
  std::atomic<bool> done_{false};
  std::atomic<long> reopened_{0};
  std::thread thread_;
};

long rss_kb(qint64 pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

// For 30 s, a request every 50 ms on a connection of its own; the slowest answer (ms) and how many
// were not answered as expected.
struct Served {
  double slowest_ms = 0;
  int wrong = 0;
  int asked = 0;
};
Served ask_for_30s(int port, const std::string& path, const httplib::Headers& headers, int expected_status) {
  Served s;
  const auto end = Clock::now() + std::chrono::seconds(30);
  while (Clock::now() < end) {
    httplib::Client client("127.0.0.1", port);
    client.set_connection_timeout(2);
    client.set_read_timeout(2);
    const auto start = Clock::now();
    const auto res = client.Get(path.c_str(), headers);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    s.slowest_ms = std::max(s.slowest_ms, ms);
    ++s.asked;
    if (!res || res->status != expected_status) ++s.wrong;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return s;
}

TEST(Crowd, TheTerminalAnswersItsClientWithin100msWhateverTheCrowdDoes) {
  QTemporaryDir folder;
  QDir().mkpath(folder.path() + "/media");
  TerminalProcess terminal(folder.path());
  terminal.configure(folder.path() + "/media", "http://127.0.0.1:9/{hash}/{name}");
  ASSERT_TRUE(terminal.launch());
  const long rss_before = rss_kb(terminal.process.processId());
  Served served;
  long reopened = 0;
  {
    Crowd crowd(terminal.port);
    std::this_thread::sleep_for(std::chrono::seconds(1));  // the crowd is in
    served =
        ask_for_30s(terminal.port, "/status?hash=" + std::string(40, 'A'), {{"X-Qvod-Token", terminal.token}}, 404);
    reopened = crowd.reopened();
  }
  const long rss_after = rss_kb(terminal.process.processId());
  std::printf("terminal: slowest %.1f ms of %d requests; crowd re-opened %ld; RSS %ld -> %ld kB\n", served.slowest_ms,
              served.asked, reopened, rss_before, rss_after);
  EXPECT_EQ(served.wrong, 0) << "of " << served.asked;
  EXPECT_LT(served.slowest_ms, 100.0) << "of " << served.asked << " requests; crowd re-opened " << reopened;
  EXPECT_GT(reopened, 0);  // the server dropped what could not become a request
  EXPECT_LT(rss_after - rss_before, 16 * 1024) << rss_before << " kB before, " << rss_after << " kB after";
}

TEST(Crowd, TheSiteAnswersWithin100msWhateverTheCrowdDoes) {
  SiteProcess site;
  const long rss_before = rss_kb(site.process_id());
  Served served;
  long reopened = 0;
  {
    Crowd crowd(site.port());
    std::this_thread::sleep_for(std::chrono::seconds(1));
    served = ask_for_30s(site.port(), "/details.php?id=1004", {}, 200);
    reopened = crowd.reopened();
  }
  const long rss_after = rss_kb(site.process_id());
  std::printf("site: slowest %.1f ms of %d requests; crowd re-opened %ld; RSS %ld -> %ld kB\n", served.slowest_ms,
              served.asked, reopened, rss_before, rss_after);
  EXPECT_EQ(served.wrong, 0) << "of " << served.asked;
  EXPECT_LT(served.slowest_ms, 100.0) << "of " << served.asked << " requests; crowd re-opened " << reopened;
  EXPECT_GT(reopened, 0);
  EXPECT_LT(rss_after - rss_before, 16 * 1024) << rss_before << " kB before, " << rss_after << " kB after";
}

// What is no request head is answered as such, at once, by the reader.
TEST(Crowd, AnOverLongHeadGets431AndAMalformedOne400) {
  SiteProcess site;
  auto exchange = [&](const std::string& text) {
    const int fd = connect_to(site.port());
    ::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
    std::string answer;
    char buf[512];
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, 3000) > 0) {
      const ssize_t r = ::recv(fd, buf, sizeof buf, 0);
      if (r <= 0) break;
      answer.append(buf, static_cast<size_t>(r));
    }
    ::close(fd);
    return answer.substr(0, answer.find("\r\n"));
  };
  EXPECT_EQ(exchange("GET / HTTP/1.1\r\nX-Long: " + std::string(20000, 'x') + "\r\n\r\n"),
            "HTTP/1.1 431 Request Header Fields Too Large");
  EXPECT_EQ(exchange("GET / HTTP/1.1\r\nX-Long: " + std::string(20000, 'x')),
            "HTTP/1.1 431 Request Header Fields Too Large");
  EXPECT_EQ(exchange("HELLO\r\n\r\n"), "HTTP/1.1 400 Bad Request");
  EXPECT_EQ(exchange("GET /details.php?id=1004 HTTP/1.1\r\nHost: x\r\n\r\n"), "HTTP/1.1 200 OK");
}

TEST(RequestHead, OnlyARequestLineOpensAHead) {
  for (const char* good : {"GET / HTTP/1.1\r\n\r\n", "POST /a?b=c HTTP/1.0\r\nHost: x\r\n\r\n"})
    EXPECT_TRUE(platform::is_request_head(good)) << good;
  for (const char* bad : {"HELLO\r\n\r\n", "get / HTTP/1.1\r\n\r\n", "GET  HTTP/1.1\r\n\r\n", "GET / HTTP/2.0\r\n\r\n",
                          "GET /a b HTTP/1.1\r\n\r\n", "GET /a\tb HTTP/1.1\r\n\r\n", "GET / HTTP/1.1",
                          " / HTTP/1.1\r\n\r\n", "ABCDEFGHIJKLMNOPQ / HTTP/1.1\r\n\r\n"})
    EXPECT_FALSE(platform::is_request_head(bad)) << bad;
}

}  // namespace
