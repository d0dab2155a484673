#pragma once
#include <functional>

#include "platform/screen_saver.h"

class QAction;

namespace player {

class Kandor;

// The three options of a play (auto full screen, auto next episode, shut down after playing), kept in
// step: the setting, the flag, the main-window item's caption ("√" = on) and the player's flag. And
// the screen saver, held off while the client runs.
class PlaybackOptions {
 public:
  // The main window's menu items whose captions carry the options' checks.
  struct Items {
    QAction* c_zf;
    QAction* xy_j;
    QAction* c_com;
  };
  PlaybackOptions(Kandor* player, Items items);

  void opt_auto_full(int mode);  // 1 toggles; else re-applies the flag (never writes the setting)
  void opt_auto_next(int mode);
  void opt_shutdown();
  void power_saving(int mode);  // 0 keeps the screen awake (the first call's state is kept); else as before

  int auto_full_on = 0;
  int auto_next_on = 0;
  int shutdown_on = 0;

 private:
  Kandor* player_;
  Items items_;
  platform::ScreenSaverInhibitor screen_saver_;
};

}  // namespace player
