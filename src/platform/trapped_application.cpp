#include "platform/trapped_application.h"

#include "platform/trap.h"

namespace platform {

bool TrappedApplication::notify(QObject* receiver, QEvent* event) {
  bool handled = false;
  const bool whole = trap("event handler", [&] { handled = QApplication::notify(receiver, event); });
  if (!whole && receiver)
    log_trapped("event handler", qPrintable(QStringLiteral("%1 (%2), event %3")
                                                .arg(receiver->objectName(), QString::fromLatin1(receiver->metaObject()->className()))
                                                .arg(event ? int(event->type()) : -1)));
  return handled;
}

}  // namespace platform
