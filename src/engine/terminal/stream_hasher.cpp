#include "engine/terminal/stream_hasher.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <QFile>

namespace terminal {

namespace {

constexpr int kBlocks = 6;  // blocks in flight: the writer runs ahead of the hash by this much
constexpr int64_t kWritebackStep = 8 * 1024 * 1024;

std::string hex_digest(EVP_MD_CTX* ctx) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  EVP_MD_CTX* copy = EVP_MD_CTX_new();
  EVP_MD_CTX_copy_ex(copy, ctx);  // the running hash goes on; its copy is finished
  EVP_DigestFinal_ex(copy, digest, &n);
  EVP_MD_CTX_free(copy);
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned i = 0; i < n; ++i) out += hex[digest[i] >> 4], out += hex[digest[i] & 15];
  return out;
}

bool hash_file(EVP_MD_CTX* ctx, const QString& path, int64_t length) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return false;
  std::vector<char> block(StreamHasher::kBlock);
  for (int64_t done = 0; done < length;) {
    const qint64 n = f.read(block.data(), std::min<int64_t>(length - done, static_cast<int64_t>(block.size())));
    if (n <= 0) return false;
    EVP_DigestUpdate(ctx, block.data(), static_cast<size_t>(n));
    done += n;
  }
  return true;
}

}  // namespace

StreamHasher::StreamHasher() : ctx_(EVP_MD_CTX_new(), &EVP_MD_CTX_free) {
  EVP_DigestInit_ex(ctx_.get(), EVP_sha1(), nullptr);
  thread_ = std::thread([this] { run(); });
}

StreamHasher::~StreamHasher() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void StreamHasher::wait_idle(std::unique_lock<std::mutex>& lock) const {
  changed_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

void StreamHasher::reset() {
  std::unique_lock<std::mutex> lock(mutex_);
  wait_idle(lock);
  EVP_DigestInit_ex(ctx_.get(), EVP_sha1(), nullptr);
  bytes_ = 0;
  written_back_ = 0;
}

void StreamHasher::write_back(int fd) {
  std::unique_lock<std::mutex> lock(mutex_);
  wait_idle(lock);
  fd_ = fd;
  written_back_ = bytes_;
}

bool StreamHasher::add_file(const QString& path, int64_t length) {
  std::unique_lock<std::mutex> lock(mutex_);
  wait_idle(lock);
  if (!hash_file(ctx_.get(), path, length)) return false;
  bytes_ += length;
  return true;
}

std::vector<char> StreamHasher::take_block() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return blocks_out_ < kBlocks; });
  ++blocks_out_;
  if (spare_.empty()) {
    std::vector<char> block;
    block.reserve(kBlock);
    return block;
  }
  std::vector<char> block = std::move(spare_.back());
  spare_.pop_back();
  block.clear();
  return block;
}

void StreamHasher::hand(std::vector<char> block) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    queue_.push_back(std::move(block));
  }
  changed_.notify_all();
}

void StreamHasher::give_back(std::vector<char> block) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    --blocks_out_;
    spare_.push_back(std::move(block));
  }
  changed_.notify_all();
}

void StreamHasher::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) return;  // stopping, nothing left
    std::vector<char> block = std::move(queue_.front());
    queue_.pop_front();
    busy_ = true;
    lock.unlock();
    EVP_DigestUpdate(ctx_.get(), block.data(), block.size());
    lock.lock();
    bytes_ += static_cast<int64_t>(block.size());
    if (fd_ >= 0 && bytes_ - written_back_ >= kWritebackStep) {
      ::sync_file_range(fd_, written_back_, bytes_ - written_back_, SYNC_FILE_RANGE_WRITE);
      written_back_ = bytes_;
    }
    busy_ = false;
    --blocks_out_;
    spare_.push_back(std::move(block));
    changed_.notify_all();
  }
}

int64_t StreamHasher::bytes() const {
  std::unique_lock<std::mutex> lock(mutex_);
  wait_idle(lock);
  return bytes_;
}

std::string StreamHasher::finish() {
  std::unique_lock<std::mutex> lock(mutex_);
  wait_idle(lock);
  return hex_digest(ctx_.get());
}

std::string sha1_of_file(const QString& path) {
  std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  EVP_DigestInit_ex(ctx.get(), EVP_sha1(), nullptr);
  QFile f(path);
  return hash_file(ctx.get(), path, f.size()) ? hex_digest(ctx.get()) : std::string();
}

}  // namespace terminal
