#pragma once
#include <QObject>
#include <QStringList>
#include <functional>

class QLocalServer;

namespace desktop {

// One client per user: the first start listens on a local socket of the user's own (in
// $XDG_RUNTIME_DIR); a later start hands its addresses to it and ends. A socket left by a killed
// client is taken over; a peer of another user is refused.
class SingleInstance : public QObject {
  Q_OBJECT
 public:
  using Opened = std::function<void(const QStringList& addresses)>;

  // The socket's path: MORVANE_INSTANCE_SOCKET when set (tests), else
  // $XDG_RUNTIME_DIR/morvane-client.socket (the state folder without a runtime folder).
  static QString socket_path();

  // Hands the addresses (none: only "show yourself") to a running client. True when one took
  // them; false when none runs (or it did not answer in time), and this start goes on.
  static bool hand_over(const QStringList& addresses);

  // Listens for later starts; `opened` gets what each hands over. False when the socket could not
  // be made (the client then runs alone, as before).
  bool listen(Opened opened);

 private:
  void take_connection();
  QLocalServer* server_ = nullptr;
  Opened opened_;
};

}  // namespace desktop
