#include "platform/system_commands.h"

#include <QFile>
#include <csignal>
#include <utility>

#include "platform/log.h"
#include "platform/processes.h"

namespace platform {

namespace {

// The power-off waits in a process of its own (so that it outlives the client), which the
// cancellation ends: only that process, while it is still the one started.
class SessionCommands : public SystemCommands {
 public:
  void schedule_power_off(int seconds) override {
    cancel_power_off();
    waiting_ =
        start_detached(QStringLiteral("/bin/sh"),
                       {QStringLiteral("-c"), QStringLiteral("sleep %1 && exec systemctl poweroff").arg(seconds)});
    if (waiting_ <= 0) log_failure(QStringLiteral("power off"), QStringLiteral("could not be scheduled"));
  }
  void cancel_power_off() override {
    if (waiting_ > 0 && process_is(waiting_, QStringLiteral("sh"))) ::kill(waiting_, SIGKILL);
    waiting_ = 0;
  }

 private:
  pid_t waiting_ = 0;
};

class LoggedCommands : public SystemCommands {
 public:
  explicit LoggedCommands(QString path) : path_(std::move(path)) {}
  void schedule_power_off(int seconds) override { write(QStringLiteral("power-off %1").arg(seconds)); }
  void cancel_power_off() override { write(QStringLiteral("cancel")); }

 private:
  void write(const QString& line) {
    QFile f(path_);
    if (f.open(QIODevice::Append)) f.write((line + '\n').toUtf8());
  }
  QString path_;
};

SystemCommands*& replaced() {
  static SystemCommands* c = nullptr;
  return c;
}

}  // namespace

SystemCommands& system_commands() {
  if (replaced()) return *replaced();
  const QString log = qEnvironmentVariable("MORVANE_SYSTEM_COMMANDS_LOG");
  if (!log.isEmpty()) {
    static LoggedCommands logged(log);
    return logged;
  }
  static SessionCommands session;
  return session;
}

SystemCommands* set_system_commands(SystemCommands* commands) { return std::exchange(replaced(), commands); }

}  // namespace platform
