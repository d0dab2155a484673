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

DownloadTask::DownloadTask(QvodItem item, QString folder, QStringList sources)
    : item_(std::move(item)), folder_(std::move(folder)), sources_(std::move(sources)) {
  thread_ = std::thread([this] { run(); });
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
  bool write_failed = false, too_long = false;
  int status = 0;
  auto res = client.Get(
      path.c_str(), headers,
      [&](const httplib::Response& r) {
        status = r.status;
        if (r.status == 200 && downloaded_ > 0) {  // the source ignored the range: start over
          out = std::freopen(partial_path().toUtf8().constData(), "wb", out);
          downloaded_ = 0;
        }
        return out && (r.status == 200 || r.status == 206);
      },
      [&](const char* data, size_t n) {
        if (stopping_) return false;
        if (downloaded_ + static_cast<int64_t>(n) > item_.size) {
          too_long = true;
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
  if (write_failed) fail(QStringLiteral("写入下载文件失败（磁盘已满？）"));
  else if (too_long) fail(QStringLiteral("文件大小与地址不符"));
  else if (status == 404) fail(QStringLiteral("片源不存在 (404)"));
  else if (status == 416 && downloaded_ >= item_.size) return true;
  if (downloaded_ == 0 && QFileInfo(partial_path()).size() == 0) QFile::remove(partial_path());
  return res && (status == 200 || status == 206);
}

bool DownloadTask::verify_and_finish() {
  const bool complete = QFileInfo(final_path()).size() == item_.size;
  const QString file = complete ? final_path() : partial_path();
  QFile f(file);
  QCryptographicHash sha(QCryptographicHash::Sha1);
  if (!f.open(QIODevice::ReadOnly) || f.size() != item_.size || !sha.addData(&f)) {
    fail(QStringLiteral("文件大小与地址不符"));
    return false;
  }
  f.close();
  if (QString::fromLatin1(sha.result().toHex()).toUpper() != item_.hash) {
    QFile::remove(file);  // a corrupt download never becomes a finished file
    downloaded_ = 0;
    fail(QStringLiteral("文件校验失败，下载的内容与地址不符"));
    return false;
  }
  if (!complete && std::rename(partial_path().toUtf8().constData(), final_path().toUtf8().constData()) != 0) {
    fail(QStringLiteral("无法完成下载文件"));
    return false;
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
