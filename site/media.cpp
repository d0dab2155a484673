#include "site/media.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/file.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <cstring>

namespace site {

namespace {

const char* kFont = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

// A 320x240 test pattern (6 seconds unless said) with its number drawn large, and a tone of its own.
bool make_clip(const QString& path, int number, QString* error, int seconds = 6) {
  QString video = QStringLiteral("testsrc2=size=320x240:rate=25:duration=%1").arg(seconds);
  if (QFile::exists(kFont))
    video += QStringLiteral(
                 ",drawtext=fontfile=%1:text='%2':fontsize=120:fontcolor=white:borderw=4:"
                 "x=(w-text_w)/2:y=(h-text_h)/2")
                 .arg(kFont)
                 .arg(number);
  const QString tmp = path + ".part.mp4";
  QProcess ffmpeg;
  ffmpeg.start("ffmpeg", {"-y",
                          "-loglevel",
                          "error",
                          "-f",
                          "lavfi",
                          "-i",
                          video,
                          "-f",
                          "lavfi",
                          "-i",
                          QStringLiteral("sine=frequency=%1:duration=%2").arg(330 + 110 * number).arg(seconds),
                          "-c:v",
                          "libx264",
                          "-preset",
                          "ultrafast",
                          "-pix_fmt",
                          "yuv420p",
                          "-g",
                          "25",
                          "-c:a",
                          "aac",
                          "-b:a",
                          "64k",
                          "-shortest",
                          "-movflags",
                          "+faststart",
                          tmp});
  if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0) {
    *error = "ffmpeg failed: " + QString::fromUtf8(ffmpeg.readAllStandardError());
    QFile::remove(tmp);
    return false;
  }
  return ::rename(tmp.toUtf8().constData(), path.toUtf8().constData()) == 0;
}

// padded_to: the box grows to this many bytes with noise (an item of a chosen, large size).
std::string free_box(const std::string& payload, int64_t padded_to = 0) {
  std::string body = "morvane-site:" + payload;
  if (padded_to > static_cast<int64_t>(body.size()) + 8) {
    const size_t start = body.size();
    body.resize(static_cast<size_t>(padded_to - 8));
    uint64_t x = 0x9E3779B97F4A7C15ULL;
    for (size_t i = start; i + 8 <= body.size(); i += 8) {
      x ^= x << 13, x ^= x >> 7, x ^= x << 17;
      std::memcpy(&body[i], &x, 8);
    }
  }
  const uint32_t size = static_cast<uint32_t>(body.size() + 8);
  std::string box;
  for (int shift = 24; shift >= 0; shift -= 8) box += static_cast<char>((size >> shift) & 0xFF);
  return box + "free" + body;
}

std::string hex_of(const unsigned char* digest, unsigned n) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned i = 0; i < n; ++i) {
    out += hex[digest[i] >> 4];
    out += hex[digest[i] & 15];
  }
  return out;
}

}  // namespace

std::string MediaItem::qvod_address() const { return "qvod://" + std::to_string(size) + "|" + hash + "|" + name + "|"; }

bool MediaLibrary::prepare(const QString& data_folder, QString* error, const std::vector<int>& lengths) {
  QDir().mkpath(data_folder + "/media");
  // One site at a time makes the clips; the others wait and then reuse them.
  const int lock = ::open((data_folder + "/media/.lock").toUtf8().constData(), O_CREAT | O_RDWR, 0600);
  if (lock >= 0) flock(lock, LOCK_EX);
  bool ok = true;
  for (int i = 1; i <= kClips && ok; ++i) {
    const QString path = QStringLiteral("%1/media/clip%2.mp4").arg(data_folder).arg(i);
    if (!QFile::exists(path)) ok = make_clip(path, i, error);
    QFile f(path);
    if (ok && f.open(QIODevice::ReadOnly)) clips_.push_back(f.readAll().toStdString());
  }
  for (int seconds : lengths) {
    if (!ok || long_clips_.count(seconds)) continue;
    const QString path = QStringLiteral("%1/media/clip-%2s.mp4").arg(data_folder).arg(seconds);
    if (!QFile::exists(path)) ok = make_clip(path, seconds, error, seconds);
    QFile f(path);
    if (ok && f.open(QIODevice::ReadOnly)) {
      long_clips_[seconds] = static_cast<int>(clips_.size());
      clips_.push_back(f.readAll().toStdString());
    }
  }
  if (lock >= 0) ::close(lock);
  // The digest of each clip's bytes, kept so that an item's hash costs only its own box.
  for (const std::string& clip : clips_) {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    EVP_DigestInit_ex(ctx, EVP_sha1(), nullptr);
    EVP_DigestUpdate(ctx, clip.data(), clip.size());
    clip_digests_.emplace_back(ctx, &EVP_MD_CTX_free);
  }
  return ok && clips_.size() == kClips + long_clips_.size();
}

const MediaItem& MediaLibrary::item(const std::string& name, int variant, int seconds, int64_t size) {
  const std::string id = name + "#" + std::to_string(variant) + (size > 0 ? "#" + std::to_string(size) : "");
  std::lock_guard<std::mutex> guard(mutex_);
  if (auto hit = by_name_.find(id); hit != by_name_.end()) return *hit->second;
  auto m = std::make_shared<MediaItem>();
  m->name = name;
  auto longer = long_clips_.find(seconds);
  m->clip = longer != long_clips_.end() ? longer->second : static_cast<int>(std::hash<std::string>{}(id) % kClips);
  m->suffix = free_box(id, size > 0 ? size - static_cast<int64_t>(clips_[m->clip].size()) : 0);
  m->size = static_cast<int64_t>(clips_[m->clip].size() + m->suffix.size());
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  EVP_MD_CTX_copy_ex(ctx, clip_digests_[m->clip].get());
  EVP_DigestUpdate(ctx, m->suffix.data(), m->suffix.size());
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  EVP_DigestFinal_ex(ctx, digest, &n);
  EVP_MD_CTX_free(ctx);
  m->hash = hex_of(digest, n);
  by_hash_[m->hash] = m;
  by_name_[id] = m;
  return *m;
}

std::shared_ptr<const MediaItem> MediaLibrary::find(const std::string& hash) const {
  std::lock_guard<std::mutex> guard(mutex_);
  auto hit = by_hash_.find(hash);
  return hit == by_hash_.end() ? nullptr : hit->second;
}

std::string MediaLibrary::read(const MediaItem& m, int64_t offset, int64_t length) const {
  const std::string& clip = clips_[m.clip];
  const int64_t clip_size = static_cast<int64_t>(clip.size());
  std::string out;
  if (offset < clip_size) out = clip.substr(offset, std::min(length, clip_size - offset));
  const int64_t rest = length - static_cast<int64_t>(out.size());
  if (rest > 0) out += m.suffix.substr(std::max<int64_t>(0, offset - clip_size), rest);
  return out;
}

}  // namespace site
