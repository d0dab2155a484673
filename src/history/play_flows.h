#pragma once
#include <QString>
#include <QVariant>
#include <functional>

namespace player {
class Kandor;
}

namespace history {

// What the play flows need of the main window.
struct PlayHost {
  player::Kandor* player = nullptr;
  std::function<int()> main_tab;          // 1 while the player is the main area's front tab
  std::function<void()> show_player_tab;  // tpth_img(1, 1, 0)
};

void set_play_host(PlayHost host);

// The one hand-over to the player: every road into it ends here.
void ss_play(const QString& url, int mo, const QVariant& jd);

}  // namespace history
