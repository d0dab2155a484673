#include "platform/screen_saver.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

#include "platform/log.h"
#include "platform/paths.h"

namespace platform {

namespace {
QDBusInterface screen_saver() {
  return QDBusInterface(QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
                        QStringLiteral("org.freedesktop.ScreenSaver"), QDBusConnection::sessionBus());
}
}  // namespace

bool ScreenSaverInhibitor::hold(const QString& why) {
  if (held_) return true;
  QDBusInterface bus = screen_saver();
  if (!bus.isValid()) return false;
  const QDBusReply<unsigned> cookie = bus.call(QStringLiteral("Inhibit"), app_title(), why);
  if (!cookie.isValid()) {
    log_once(QStringLiteral("screen saver"), cookie.error().message());
    return false;
  }
  cookie_ = cookie.value();
  held_ = true;
  return true;
}

void ScreenSaverInhibitor::release() {
  if (!held_) return;
  held_ = false;
  QDBusInterface bus = screen_saver();
  if (bus.isValid()) bus.call(QStringLiteral("UnInhibit"), cookie_);
}

}  // namespace platform
