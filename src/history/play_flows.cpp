#include "history/play_flows.h"

#include "player/kandor.h"

namespace history {

namespace {
PlayHost& host() {
  static PlayHost h;
  return h;
}
}  // namespace

void set_play_host(PlayHost h) { host() = std::move(h); }

void ss_play(const QString& url, int mo, const QVariant& jd) {
  const QString address = QString(url).remove(QChar(10));
  PlayHost& h = host();
  if (!h.player) return;
  if (h.main_tab && h.main_tab() != 1 && h.player->full() == 0 && h.show_player_tab) h.show_player_tab();
  h.player->h_play(address, mo, jd);
}

}  // namespace history
