#include "engine/terminal/state_file.h"

#include "platform/paths.h"

namespace terminal {

QString state_file() {
  const QString forced = qEnvironmentVariable("MORVANE_TERMINAL_STATE");
  if (!forced.isEmpty()) return forced;
  QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (runtime.isEmpty()) runtime = platform::state_folder();
  return runtime + QStringLiteral("/morvane-terminal.state");
}

}  // namespace terminal
