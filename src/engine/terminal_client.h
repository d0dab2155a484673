#pragma once
#include <QJsonObject>
#include <QString>

namespace engine {

// Talks to the running QvodTerminal of this user (its state file gives port and token). Its
// questions to the terminal (start, status) wait for the answer: they are for tools and benchmarks;
// the player asks through TerminalLink, which never waits.
class TerminalClient {
 public:
  bool available() const;
  // Ends the terminal of the state file (the one this user's players talk to) and waits until it is
  // gone: every download stops and no file of the cache stays open. False when none was running.
  bool end_terminal() const;
  // The terminal of the state file runs (another session's program of that name does not count).
  bool running() const;
  // Starts or finds the download of a qvod address; its status ("state", "progress", "rate", ...).
  QJsonObject start(const QString& qvod_address) const;
  QJsonObject status(const QString& hash) const;
  // The loopback address the player streams the item from (token included), or "".
  QString stream_address(const QString& hash, const QString& name) const;
  // The state file's port, token (and pid): false when there is no terminal to talk to (none wrote
  // the file, or the terminal that wrote it is gone).
  bool read_state(int& port, QString& token, int* pid = nullptr) const;

 private:
  int running_pid() const;  // the state file's terminal while it runs, else 0
  QJsonObject get(const QString& path_and_query) const;
};

}  // namespace engine
