// The terminal has no windows. The settings code it shares with the client says its messages
// through these two; here they go to standard error and the log, and a fatal one ends the terminal
// as the client's box would end the client. Defined here, they keep the message boxes (and with
// them Qt's widget and GUI libraries, a third of the terminal's start-up) out of the terminal.
#include <cstdio>

#include "platform/dialogs.h"
#include "platform/log.h"
#include "platform/trap.h"

namespace platform {

void show_message(const QString& text, const QString& title) {
  std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
  log_failure(QStringLiteral("QvodTerminal"), text);
}

void fatal_message(const QString& text, const QString& title) {
  show_message(text, title);
  end_now(1);
}

}  // namespace platform
