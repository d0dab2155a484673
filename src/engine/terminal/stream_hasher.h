#pragma once
#include <QString>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct evp_md_ctx_st;

namespace terminal {

// The SHA-1 of a download's bytes in their order, computed beside the download: each block the
// writer has put on disk is handed over and hashed in a thread of its own, so that the hash is
// ready when the last byte is written (no second reading of the file). Blocks come back for reuse.
class StreamHasher {
 public:
  static constexpr size_t kBlock = 1024 * 1024;

  StreamHasher();
  ~StreamHasher();

  // Starts over with no bytes (the download starts over).
  void reset();
  // The first `length` bytes of a file already on disk (a download resumed).
  bool add_file(const QString& path, int64_t length);
  // An empty block to fill (waits while every block is being hashed).
  std::vector<char> take_block();
  // A filled block, hashed after every block handed before it.
  void hand(std::vector<char> block);
  // A block taken and not filled after all.
  void give_back(std::vector<char> block);
  // The file the blocks are written to (-1: none): once a block is hashed, the disk is asked to
  // start writing what is hashed so far, every few MiB, off the writer's path (the final sync then
  // has little left to do). The caller keeps the file open until it sets -1 again.
  void write_back(int fd);
  // How many bytes are hashed once every handed block is; the digest (upper-case hex) of them.
  int64_t bytes() const;
  std::string finish();

 private:
  void run();
  void wait_idle(std::unique_lock<std::mutex>& lock) const;

  std::unique_ptr<evp_md_ctx_st, void (*)(evp_md_ctx_st*)> ctx_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::deque<std::vector<char>> queue_;
  std::vector<std::vector<char>> spare_;
  int blocks_out_ = 0;  // blocks given out and not yet returned
  bool busy_ = false, stopping_ = false;
  int64_t bytes_ = 0;
  int fd_ = -1;
  int64_t written_back_ = 0;
  std::thread thread_;
};

// The SHA-1 (upper-case hex) of a whole file, empty when it cannot be read.
std::string sha1_of_file(const QString& path);

}  // namespace terminal
