#include "platform/file_attributes.h"

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

namespace platform {

namespace {
constexpr const char* kAttr = "user.DOSATTRIB";
constexpr const char* kHidden = "0x2";
}  // namespace

bool set_hidden(const QString& path, bool hidden) {
  const QByteArray p = path.toLocal8Bit();
  if (hidden) return setxattr(p.constData(), kAttr, kHidden, 3, 0) == 0;
  return removexattr(p.constData(), kAttr) == 0 || errno == ENODATA;
}

bool is_hidden(const QString& path) {
  char buf[32] = {};
  const ssize_t n = getxattr(path.toLocal8Bit().constData(), kAttr, buf, sizeof buf - 1);
  return n > 0 && (QByteArray(buf, n).toUInt(nullptr, 0) & 0x2u) != 0;
}

bool file_present(const QString& path) {
  const QFileInfo info(path);
  return info.exists() && info.isFile();
}

namespace {
bool sync_opened(const QString& path, int flags) {
  const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}
}  // namespace

bool sync_file(const QString& path) { return sync_opened(path, O_RDONLY); }

bool sync_folder(const QString& folder) { return sync_opened(folder, O_RDONLY | O_DIRECTORY); }

}  // namespace platform
