#pragma once
#include <QString>

namespace platform {

// Commands of the system that the user asks for: a power-off some seconds from now that goes on
// when the client has ended, and its cancellation. With MORVANE_SYSTEM_COMMANDS_LOG set (tests of
// whole programs) they are only written to that file; tests put a recording stand-in in place.
class SystemCommands {
 public:
  virtual ~SystemCommands() = default;
  virtual void schedule_power_off(int seconds) = 0;
  virtual void cancel_power_off() = 0;
};

SystemCommands& system_commands();
SystemCommands* set_system_commands(SystemCommands* commands);  // the one it replaces; nullptr: default

}  // namespace platform
