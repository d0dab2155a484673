#pragma once
#include <QListWidget>
#include <QPointer>

#include "catalog/play_state.h"
#include "player/now_playing.h"
#include "store/connection.h"

namespace session {

// One run of the client: everything a play passes through, from a click in a pane to the position
// saved in the catalogue. main() makes it and hands it to the main window, which hands it on to the
// catalogue, the play flows, the history and the player; a test makes its own. While it lives, the
// store's statements run on its connection.
class Session {
 public:
  Session();
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  store::Connection& connection() { return connection_; }

  catalog::PlayState play;             // what the detail pane shows and what is being played
  player::NowPlaying now_playing;      // the player's item and position, for the history and the cache manager
  QPointer<QListWidget> history_list;  // the list the history refills after every play (List1)

 private:
  store::Connection connection_;
  store::Connection* previous_ = nullptr;
};

}  // namespace session
