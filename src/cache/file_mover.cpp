#include "cache/file_mover.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFileInfo>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <vector>

namespace cache {

namespace {

constexpr size_t kBlock = 1 << 20;

QString reason(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT: return QStringLiteral("磁盘空间不足");
    case EACCES:
    case EPERM:
    case EROFS: return QStringLiteral("没有权限");
    case EEXIST: return QStringLiteral("目标位置已有同名文件");
    case ENOENT: return QStringLiteral("文件不存在");
    default: return QString::fromLocal8Bit(std::strerror(error));
  }
}

// rename(2) that never replaces an existing file.
int rename_no_replace(const QByteArray& from, const QByteArray& to) {
  return ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
}

bool exists(const QByteArray& path) {
  struct stat st {};
  return ::lstat(path.constData(), &st) == 0;
}

struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

// Copies source to temp (created new), synced; 0 or the errno of the failure.
int copy_synced(const QByteArray& source, const QByteArray& temp, qint64 size,
                const std::function<void(qint64)>& step) {
  Fd in{::open(source.constData(), O_RDONLY | O_CLOEXEC)};
  if (in.fd < 0) return errno;
  Fd out{::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644)};
  if (out.fd < 0) return errno;
  std::vector<char> buffer(kBlock);
  qint64 copied = 0;
  for (;;) {
    const ssize_t got = ::read(in.fd, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return errno;
    if (got == 0) break;
    for (ssize_t put = 0; put < got;) {
      const ssize_t n = ::write(out.fd, buffer.data() + put, got - put);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return errno;
      put += n;
    }
    copied += got;
    step(copied);
  }
  if (::fsync(out.fd) != 0) return errno;
  struct stat st {};
  if (::fstat(out.fd, &st) != 0) return errno;
  if (st.st_size != size || copied != size) return EIO;  // the source changed or the copy is short
  const int result = ::close(out.fd);
  out.fd = -1;
  return result == 0 ? 0 : errno;
}

// One file into the folder; "" or why it stayed.
QString move_one(const QString& file, const QString& folder, qint64 size, const std::function<void(qint64)>& step) {
  const QString name = QFileInfo(file).fileName();
  const QByteArray source = file.toLocal8Bit(), target = (folder + '/' + name).toLocal8Bit();
  if (exists(target)) return reason(EEXIST);
  if (rename_no_replace(source, target) == 0) return step(size), QString();
  if (errno != EXDEV) return reason(errno);
  const QByteArray temp = (folder + QStringLiteral("/.") + name + QStringLiteral(".moving")).toLocal8Bit();
  if (const int e = copy_synced(source, temp, size, step)) {
    ::unlink(temp.constData());
    return reason(e);
  }
  if (rename_no_replace(temp, target) != 0) {
    const int e = errno;
    ::unlink(temp.constData());
    return reason(e);
  }
  if (::unlink(source.constData()) != 0)  // both copies exist: nothing is lost, but say it
    return QStringLiteral("已复制，原文件无法删除（%1）").arg(reason(errno));
  return {};
}

}  // namespace

MoveOutcome move_files(const QStringList& files, const QString& folder, const MoveProgress& progress) {
  MoveOutcome outcome;
  qint64 total = 0, done = 0;
  for (const QString& f : files) total += QFileInfo(f).size();
  for (const QString& file : files) {
    const QString name = QFileInfo(file).fileName();
    const qint64 size = QFileInfo(file).size();
    const QString why = move_one(file, folder, size, [&](qint64 copied) {
      if (progress) progress(done + copied, total, name);
    });
    done += size;
    if (why.isEmpty()) outcome.moved << name;
    else outcome.failed << name + QStringLiteral("：") + why;
    if (progress) progress(done, total, name);
  }
  return outcome;
}

FileMover::~FileMover() {
  if (thread_) thread_->wait();
}

void FileMover::start(const QStringList& files, const QString& folder) {
  if (running_) return;
  running_ = true;
  thread_ = QThread::create([this, files, folder] {
    outcome_ = move_files(files, folder,
                          [this](qint64 done, qint64 total, const QString& name) { emit progress(done, total, name); });
  });
  connect(thread_, &QThread::finished, this, [this] {
    thread_->deleteLater();
    thread_ = nullptr;
    running_ = false;
    emit finished();
  });
  thread_->start();
}

}  // namespace cache
