#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <list>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

namespace platform {

// A connection of a loopback server between requests: its socket, what has been read of it and not
// yet taken, and how many requests it has carried.
struct ParkedConnection {
  int fd = -1;
  std::string buffered;
  int served = 0;
};

// Reads request heads for a server on one thread of its own (epoll), so that no worker waits for a
// client that has not sent a whole head: a crowd of idle, trickling or half-sent connections costs
// a little memory each and no worker at all. A whole head is handed to `ready` (the server's
// workers); one over the size limit is answered 431, one that is no request head 400, one that
// `admit` refuses 403, each by this thread, and the connection closed. Connections without a whole
// head are capped overall and per peer address; at a cap the oldest is dropped first.
class HeadReader {
 public:
  struct Limits {
    int idle_ms = 5000;  // a connection waits this long for the first byte of its next request
    int head_ms = 3000;  // once a request has begun, its whole head is here within this
    size_t head_max = 16 * 1024;
    size_t max_waiting = 1024;          // connections without a whole head, overall
    size_t max_waiting_per_peer = 512;  // and from one peer address (on loopback, every local process)
  };
  using Ready = std::function<void(ParkedConnection connection, std::string head)>;
  using Admit = std::function<bool(const std::string& head)>;

  HeadReader(Limits limits, Ready ready, Admit admit = {});
  ~HeadReader();
  HeadReader(const HeadReader&) = delete;
  HeadReader& operator=(const HeadReader&) = delete;

  // Waits for the connection's next request head (from any thread). After stop() it is closed.
  void add(ParkedConnection connection);
  // Ends the thread and closes every connection it holds; add() closes what comes later.
  void stop();
  // How many connections wait for a whole head now.
  size_t waiting() const;

 private:
  using Clock = std::chrono::steady_clock;
  struct Waiting {
    ParkedConnection connection;
    std::string peer;
    Clock::time_point deadline;
    bool begun = false;  // some of the head has come
    std::list<int>::iterator in_order;
  };

  void run();
  void take_new();
  void read_from(int fd);
  void settle(int fd);  // a whole head, an over-long one or a bad one: handed on or answered
  void drop(int fd);
  bool drop_oldest(const std::string& peer);  // of that peer (any when empty); false: none
  void drop_expired();
  void make_room(const std::string& peer);
  void watch(ParkedConnection connection);

  const Limits limits_;
  const Ready ready_;
  const Admit admit_;
  int epoll_ = -1;
  int wake_ = -1;  // an eventfd: new connections, or the end
  std::thread thread_;

  mutable std::mutex mutex_;
  std::list<ParkedConnection> incoming_;  // handed over, not yet watched
  bool stopped_ = false;

  // The reader thread's own: the waiting connections, in the order they began to wait.
  std::unordered_map<int, Waiting> waiting_;
  std::list<int> order_;
  std::map<std::string, size_t> per_peer_;
  std::atomic<size_t> waiting_count_{0};  // waiting_.size(), for other threads
};

// Whether the head's first line is a request line ("METHOD TARGET HTTP/1.x").
bool is_request_head(const std::string& head);

// What a server makes of the bytes a connection has sent so far: more to come, or a verdict. A
// whole head that is let in is moved out of `buffered` into `head` (what follows stays buffered).
enum class HeadVerdict { MoreToCome, TooLarge /*431*/, Malformed /*400*/, Refused /*403*/, Admitted };
HeadVerdict judge_head(std::string& buffered, size_t head_max, const HeadReader::Admit& admit, std::string* head);
// The whole answer to a head that is refused at once (too large, malformed, not let in).
std::string refusal_answer(HeadVerdict verdict);

// The address of a socket's peer (or, with local, its own end) as text, and its port; "" when none.
std::string socket_address(int fd, bool local, int* port = nullptr);

}  // namespace platform
