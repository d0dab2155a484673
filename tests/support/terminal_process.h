#pragma once
#include <QProcess>
#include <QString>
#include <csignal>
#include <string>

// Ends the terminal a state file names, when it runs (one a client started outlives a killed client).
void end_terminal_of(const QString& state_file);

// The engine's QvodTerminal as a child process, run from a copy in folder/play with a state file
// of its own (this process's MORVANE_TERMINAL_STATE names it too, so engine code here finds it).
class TerminalProcess {
 public:
  explicit TerminalProcess(const QString& folder);
  ~TerminalProcess() { halt(); }
  void configure(const QString& media, const QString& source);
  bool launch();
  void halt(int sig = SIGTERM);
  QString state_file() const { return folder_ + "/terminal.state"; }

  QString program;
  QProcess process;
  // Above 0: no file the terminal writes may grow past this many bytes (writes fail as on a full disk).
  long file_size_limit = 0;
  int port = 0;
  std::string token;

 private:
  QString folder_;
};
