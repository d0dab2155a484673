#include "platform/file_attributes.h"

#include <QFileInfo>
#include <cerrno>
#include <sys/xattr.h>

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

}  // namespace platform
