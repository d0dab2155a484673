#pragma once
#include <QProcess>
#include <QStringList>

#include "support/program_folder.h"
#include "support/site_process.h"
#include "support/x_server.h"

// A user's seat at the real client: an X server, the sample site showing one title (1034, three
// long episodes), a program folder with the engine set up, and the client started, clicked and
// ended there as a user would. Each step says whether it worked; why() says what was seen when not.
class ClientSeat {
 public:
  ClientSeat();
  ~ClientSeat();
  bool ready() const { return x.running(); }
  // The client is up and its list page and template are shown; `arguments` as a desktop gives them.
  bool start(const QStringList& arguments = {});
  // Another start of the client with these arguments, as the user's second start; its exit code,
  // or -1 when it did not end within the time.
  int start_again(const QStringList& arguments, int timeout_ms = 10000);
  // The title from the site's list, then its "立即播放" button.
  bool open_and_play();
  // "文件" → "退出"; the client has ended.
  bool quit();
  // SIGKILL to the client, and to the terminal it started (which would outlive it).
  void kill_client();
  QString hist_url() const;
  int position(int episode) const;
  // The resume question boxes on the screen.
  QStringList questions() const;
  // A key pressed in a box, as the user presses it there.
  void answer(const QString& box, const QString& key);
  // The seek track along the top of the player's bar, 9/10 of the way along it.
  void seek_near_the_end() { x.click(500, 437); }
  // "文件" → "打开远程文件", the address typed into its box and Return pressed; the window's id.
  QString open_remote(const QString& address);
  bool client_running() const { return client_.state() == QProcess::Running; }
  const QStringList& episodes() const { return episodes_; }
  QString why() const { return why_; }
  qint64 client_pid() const { return client_.processId(); }

  XServer x;
  SiteProcess site;
  ProgramFolder folder{true, true};

 private:
  int requests() const;
  QProcessEnvironment client_environment() const;
  void end_terminal();
  QProcess client_;
  QString window_;
  QStringList episodes_;
  QString why_;
};
