#pragma once
#include <QString>

namespace player {

// What is being played, for the rest of the client (the history, the cache manager); a session's.
struct NowPlaying {
  QString now_url;     // the address being played
  int now_mo = 0;      // its play mode
  int now_pos = 0;     // the last position (seconds), written while playing
  int is_playing = 0;  // 1 while the engine plays or is paused
};

}  // namespace player
