#include "engine/terminal/download_task.h"

#include <fcntl.h>
#include <httplib.h>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <cerrno>
#include <chrono>

#include "engine/terminal/http_fetch.h"
#include "platform/file_attributes.h"

namespace terminal {

namespace {

constexpr int kAttempts = 3;
constexpr int64_t kWaitWindow = 256 * 1024;  // a front this close is waited for; farther, fetched

int64_t now_ms() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// scheme://host:port and the rest of an address, as httplib takes them.
std::pair<std::string, std::string> split_url(const std::string& url) {
  const QUrl u(QString::fromStdString(url));
  const std::string origin = (u.scheme() + "://" + u.host() + ":" + QString::number(u.port(80))).toStdString();
  const std::string path =
      u.path(QUrl::FullyEncoded).toStdString() + (u.hasQuery() ? "?" + u.query(QUrl::FullyEncoded).toStdString() : "");
  return {origin, path};
}

}  // namespace

DownloadTask::DownloadTask(QvodItem item, MediaFolder& folder, QStringList sources)
    : item_(std::move(item)), folder_(folder), place_(folder.place_for(item_)), sources_(std::move(sources)) {
  thread_ = std::thread([this] { run(); });
}

QString DownloadTask::final_path() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return finished_path_.isEmpty() ? place_.final_path : finished_path_;
}

DownloadTask::~DownloadTask() {
  stopping_ = true;
  grown_.notify_all();
  if (thread_.joinable()) thread_.join();
}

QString DownloadTask::reason() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return reason_;
}

int DownloadTask::progress_tenths() const {
  return static_cast<int>(std::min<int64_t>(1000, downloaded_ * 1000 / std::max<int64_t>(1, item_.size)));
}

int DownloadTask::rate_kbps() const {
  std::lock_guard<std::mutex> guard(mutex_);
  const int64_t cutoff = now_ms() - 1000;
  int64_t bytes = 0;
  for (const auto& [when, n] : samples_)
    if (when >= cutoff) bytes += n;
  return static_cast<int>(bytes / 1024);
}

void DownloadTask::fail(const QString& why) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    reason_ = why;
  }
  state_ = State::Failed;
  grown_.notify_all();
}

std::string DownloadTask::source_url(const QString& source) const {
  QString url = source;
  url.replace(QLatin1String("{hash}"), item_.hash);
  url.replace(QLatin1String("{name}"), QString::fromLatin1(QUrl::toPercentEncoding(item_.name)));
  return url.toStdString();
}

void DownloadTask::run() {
  if (QFileInfo(final_path()).size() == item_.size) {  // finished in an earlier run
    downloaded_ = item_.size;
    if (verify_and_finish()) return;
  }
  downloaded_ = QFileInfo(partial_path()).size();
  // Longer than the item can be, or unreadable: this partial is no good, start over. Else its bytes
  // are hashed once, and the download goes on from its end.
  if (downloaded_ > item_.size || (downloaded_ > 0 && !hasher_.add_file(partial_path(), downloaded_))) {
    QFile::resize(partial_path(), 0);
    hasher_.reset();
    downloaded_ = 0;
  }
  for (int attempt = 0; attempt < kAttempts && !stopping_; ++attempt) {
    for (const QString& source : sources_) {
      if (stopping_ || state_ == State::Failed) return;
      if (download_from(source) && downloaded_ == item_.size) {
        verify_and_finish();
        return;
      }
    }
    if (state_ == State::Failed) return;
  }
  if (!stopping_ && state_ == State::Downloading) fail(QStringLiteral("下载中断，片源无法连接"));
}

namespace {

// The whole length the source says the item has: Content-Range's total for a part, else the length.
int64_t declared_total(const HttpHead& h) {
  if (h.status != 206) return h.length;
  const size_t slash = h.content_range.rfind('/');
  const std::string total = slash == std::string::npos ? "" : h.content_range.substr(slash + 1);
  if (total.empty() || total.find_first_not_of("0123456789") != std::string::npos || total.size() > 18) return -1;
  return std::stoll(total);
}

bool write_at(int fd, const std::vector<char>& block, int64_t offset) {
  for (size_t done = 0; done < block.size();) {
    const ssize_t n = ::pwrite(fd, block.data() + done, block.size() - done, offset + static_cast<int64_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

// The download front moved: readers waiting for bytes are told, the rate is sampled.
void DownloadTask::written(int64_t front, int64_t bytes) {
  downloaded_ = front;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    const int64_t now = now_ms();
    samples_.emplace_back(now, bytes);
    while (!samples_.empty() && samples_.front().first < now - 1000) samples_.pop_front();
  }
  grown_.notify_all();
}

bool DownloadTask::download_from(const QString& source) {
  const int fd = ::open(QFile::encodeName(partial_path()).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0 || (downloaded_ == 0 && ::ftruncate(fd, 0) != 0)) {
    if (fd >= 0) ::close(fd);
    fail(QStringLiteral("无法写入下载文件夹"));
    return false;
  }
  bool write_failed = false, wrong_size = false;
  int status = 0;
  int64_t front = downloaded_;
  hasher_.write_back(fd);
  std::vector<char> block = hasher_.take_block();
  // The block on disk and to the hash; the front moves.
  const auto flush = [&]() -> bool {
    if (block.empty()) return true;
    if (!write_at(fd, block, front)) return !(write_failed = true);
    front += static_cast<int64_t>(block.size());
    const int64_t bytes = static_cast<int64_t>(block.size());
    hasher_.hand(std::move(block));
    block = hasher_.take_block();
    written(front, bytes);
    return true;
  };
  const FetchEnd end = http_get(
      source_url(source), downloaded_ > 0 ? "bytes=" + std::to_string(downloaded_.load()) + "-" : std::string(),
      [&](const HttpHead& h) {
        status = h.status;
        if (h.status != 200 && h.status != 206) return false;
        const int64_t total = declared_total(h);
        if (total >= 0 && total != item_.size) return !(wrong_size = true);
        if (h.status == 200 && front > 0) {  // the source ignored the range: start over
          if (::ftruncate(fd, 0) != 0) return !(write_failed = true);
          hasher_.reset();
          front = 0;
          downloaded_ = 0;
        }
        return true;
      },
      [&](const char* data, size_t n) {
        if (stopping_) return false;
        if (front + static_cast<int64_t>(block.size() + n) > item_.size) return !(wrong_size = true);
        const bool short_piece = n < 64 * 1024;  // the source is not far ahead: the front should move now
        while (n > 0) {
          const size_t take = std::min(n, StreamHasher::kBlock - block.size());
          block.insert(block.end(), data, data + take);
          data += take, n -= take;
          if (block.size() == StreamHasher::kBlock && !flush()) return false;
        }
        return !short_piece || flush();
      });
  flush();  // what arrived before the end
  hasher_.give_back(std::move(block));
  hasher_.write_back(-1);
  ::close(fd);
  const bool answered = end == FetchEnd::Whole && (status == 200 || status == 206);
  // A whole answer that ends before the item does: the source has another file than the address.
  if (answered && downloaded_ < item_.size && !stopping_) wrong_size = true;
  if (write_failed) fail(QStringLiteral("写入下载文件失败（磁盘已满？）"));
  else if (wrong_size) fail(QStringLiteral("片源大小不符：片源的文件与地址所说的大小不同"));
  else if (status == 404) fail(QStringLiteral("片源不存在 (404)"));
  else if (status == 416 && downloaded_ >= item_.size) return true;
  if (downloaded_ == 0 && QFileInfo(partial_path()).size() == 0) QFile::remove(partial_path());
  return answered && !wrong_size;
}

bool DownloadTask::verify_and_finish() {
  const bool complete = QFileInfo(final_path()).size() == item_.size;
  const QString file = complete ? final_path() : partial_path();
  if (QFileInfo(file).size() != item_.size) {
    fail(QStringLiteral("片源大小不符：片源的文件与地址所说的大小不同"));
    return false;
  }
  // The hash taken while writing, when it covers the whole file; else the file is read once.
  const std::string hash = !complete && hasher_.bytes() == item_.size ? hasher_.finish() : sha1_of_file(file);
  if (QString::fromStdString(hash) != item_.hash) {
    QFile::remove(file);  // ours (the folder made this name for this item): a corrupt download never stays
    downloaded_ = 0;
    hasher_.reset();
    fail(QStringLiteral("文件校验失败，下载的内容与地址不符"));
    return false;
  }
  if (!complete) {
    platform::sync_file(partial_path());  // the bytes are on the disk before the name says the file is whole
    const auto finished = folder_.finish(item_, partial_path());
    if (!finished) {
      fail(QStringLiteral("无法完成下载文件"));
      return false;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    finished_path_ = *finished;
  }
  state_ = State::Done;
  grown_.notify_all();
  return true;
}

bool DownloadTask::read_local(int64_t offset, int64_t length, std::string& out) {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    grown_.wait_for(lock, std::chrono::seconds(20), [&] {
      return stopping_ || state_ != State::Downloading || downloaded_ >= offset + length ||
             offset >= downloaded_ + kWaitWindow;
    });
  }
  if (downloaded_ < offset + length && state_ != State::Done) return false;
  QFile f(state_ == State::Done ? final_path() : partial_path());
  if (!f.open(QIODevice::ReadOnly) || !f.seek(offset)) return false;
  out = f.read(length).toStdString();
  return static_cast<int64_t>(out.size()) == length;
}

bool DownloadTask::fetch_range(int64_t offset, int64_t length, std::string& out) const {
  for (const QString& source : sources_) {
    const auto [origin, path] = split_url(source_url(source));
    httplib::Client client(origin);
    client.set_read_timeout(15, 0);
    auto res = client.Get(path.c_str(),
                          {{"Range", "bytes=" + std::to_string(offset) + "-" + std::to_string(offset + length - 1)}});
    if (res && res->status == 206 && static_cast<int64_t>(res->body.size()) == length) {
      out = res->body;
      return true;
    }
  }
  return false;
}

}  // namespace terminal
