#include "platform/trapped_application.h"

#include "platform/trap.h"

namespace platform {

namespace {

// "event handler of NAME (CLASS), event N": where a failure escaped, for the log's one line.
QByteArray handler_of(QObject* receiver, QEvent* event) {
  const QString who = receiver ? QStringLiteral("%1 (%2)").arg(receiver->objectName(),
                                                               QString::fromLatin1(receiver->metaObject()->className()))
                               : QStringLiteral("?");
  return QStringLiteral("event handler of %1, event %2").arg(who).arg(event ? int(event->type()) : -1).toUtf8();
}

}  // namespace

bool TrappedApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    log_trapped(handler_of(receiver, event).constData(), e.what());
  } catch (...) {
    log_trapped(handler_of(receiver, event).constData(), "unknown failure");
  }
  return false;
}

}  // namespace platform
