#include "engine/terminal/download_task.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <chrono>
#include <cstdio>
#include <httplib.h>

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
  const std::string path = u.path(QUrl::FullyEncoded).toStdString() + (u.hasQuery() ? "?" + u.query(QUrl::FullyEncoded).toStdString() : "");
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
  if (downloaded_ > item_.size) {  // longer than the item can be: this partial is no good, start over
    QFile::resize(partial_path(), 0);
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
int64_t declared_total(const httplib::Response& r) {
  const std::string range = r.get_header_value("Content-Range");
  const size_t slash = range.rfind('/');
  const std::string total = r.status == 206 ? (slash == std::string::npos ? "" : range.substr(slash + 1))
                                            : r.get_header_value("Content-Length");
  if (total.empty() || total.find_first_not_of("0123456789") != std::string::npos || total.size() > 18) return -1;
  return std::stoll(total);
}

}  // namespace

bool DownloadTask::download_from(const QString& source) {
  const auto [origin, path] = split_url(source_url(source));
  httplib::Client client(origin);
  client.set_connection_timeout(5, 0);
  client.set_read_timeout(15, 0);
  FILE* out = std::fopen(partial_path().toUtf8().constData(), downloaded_ > 0 ? "ab" : "wb");
  if (!out) {
    fail(QStringLiteral("无法写入下载文件夹"));
    return false;
  }
  httplib::Headers headers;
  if (downloaded_ > 0) headers.emplace("Range", "bytes=" + std::to_string(downloaded_.load()) + "-");
  bool write_failed = false, wrong_size = false;
  int status = 0;
  auto res = client.Get(
      path.c_str(), headers,
      [&](const httplib::Response& r) {
        status = r.status;
        if (r.status != 200 && r.status != 206) return false;
        const int64_t total = declared_total(r);
        if (total >= 0 && total != item_.size) {
          wrong_size = true;
          return false;
        }
        if (r.status == 200 && downloaded_ > 0) {  // the source ignored the range: start over
          out = std::freopen(partial_path().toUtf8().constData(), "wb", out);
          downloaded_ = 0;
        }
        return out != nullptr;
      },
      [&](const char* data, size_t n) {
        if (stopping_) return false;
        if (downloaded_ + static_cast<int64_t>(n) > item_.size) {
          wrong_size = true;
          return false;
        }
        if (std::fwrite(data, 1, n, out) != n || std::fflush(out) != 0) {
          write_failed = true;
          return false;
        }
        downloaded_ += static_cast<int64_t>(n);
        {
          std::lock_guard<std::mutex> guard(mutex_);
          samples_.emplace_back(now_ms(), static_cast<int64_t>(n));
          while (!samples_.empty() && samples_.front().first < now_ms() - 1000) samples_.pop_front();
        }
        grown_.notify_all();
        return true;
      });
  if (out) std::fclose(out);
  const bool answered = res && (status == 200 || status == 206);
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
  QFile f(file);
  QCryptographicHash sha(QCryptographicHash::Sha1);
  if (!f.open(QIODevice::ReadOnly) || f.size() != item_.size || !sha.addData(&f)) {
    fail(QStringLiteral("片源大小不符：片源的文件与地址所说的大小不同"));
    return false;
  }
  f.close();
  if (QString::fromLatin1(sha.result().toHex()).toUpper() != item_.hash) {
    QFile::remove(file);  // ours (the folder made this name for this item): a corrupt download never stays
    downloaded_ = 0;
    fail(QStringLiteral("文件校验失败，下载的内容与地址不符"));
    return false;
  }
  if (!complete) {
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
    auto res = client.Get(path.c_str(), {{"Range", "bytes=" + std::to_string(offset) + "-" +
                                                        std::to_string(offset + length - 1)}});
    if (res && res->status == 206 && static_cast<int64_t>(res->body.size()) == length) {
      out = res->body;
      return true;
    }
  }
  return false;
}

}  // namespace terminal
