#pragma once
#include <QJsonObject>
#include <QString>

namespace engine {

// The running QvodTerminal of this user, as its state file gives it (port, token, pid). The player
// asks it through TerminalLink, which never waits; tools ask through TerminalQuestions.
class TerminalClient {
 public:
  bool available() const;
  // Ends the terminal of the state file (the one this user's players talk to) and waits until it is
  // gone: every download stops and no file of the cache stays open. False when none was running.
  bool end_terminal() const;
  // The terminal of the state file runs (another session's program of that name does not count).
  bool running() const;
  int running_pid() const;  // the state file's terminal while it runs, else 0
  // The loopback address the player streams the item from (token included), or "".
  QString stream_address(const QString& hash, const QString& name) const;
  // The state file's port, token (and pid): false when there is no terminal to talk to (none wrote
  // the file, or the terminal that wrote it is gone).
  bool read_state(int& port, QString& token, int* pid = nullptr) const;
};

}  // namespace engine
