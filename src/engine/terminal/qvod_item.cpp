#include "engine/terminal/qvod_item.h"

#include <QRegularExpression>
#include <QStringList>

namespace terminal {

std::optional<QvodItem> parse_qvod(const QString& address, QString* why) {
  auto refuse = [why](const char* reason) -> std::optional<QvodItem> {
    if (why) *why = QString::fromUtf8(reason);
    return std::nullopt;
  };
  const int at = address.indexOf(QLatin1String("qvod://"));
  if (at < 0) return refuse("不是QVOD地址");
  const QStringList f = address.mid(at + 7).split('|');
  if (f.size() < 3) return refuse("QVOD地址不完整");
  bool ok = false;
  const qint64 size = f[0].trimmed().toLongLong(&ok);
  if (!ok || size <= 0) return refuse("文件大小无效");
  static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]{40}$"));
  if (!hex.match(f[1].trimmed()).hasMatch()) return refuse("文件校验码无效");
  const QString name = f[2].trimmed();
  static const QRegularExpression control(QStringLiteral("[\\x00-\\x1f]"));
  if (name.isEmpty() || !name.isValidUtf16() || name.contains('/') || name.contains('\\') ||
      name.contains(QLatin1String("..")) || name.startsWith('.') || name.contains(control) ||
      name.endsWith(QLatin1String(".!mv")))
    return refuse("文件名无效");
  return QvodItem{size, f[1].trimmed().toUpper(), name};
}

}  // namespace terminal
