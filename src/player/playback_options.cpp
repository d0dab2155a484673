#include "player/playback_options.h"

#include <QAction>

#include "config/settings.h"
#include "player/kandor.h"

namespace player {

PlaybackOptions::PlaybackOptions(Kandor* player, Items items) : player_(player), items_(items) {}

namespace {
QString captioned(bool on, const QString& caption) { return on ? QStringLiteral("√") + caption : caption; }
}  // namespace

void PlaybackOptions::opt_auto_full(int mode) {
  if (mode == 1) {
    auto_full_on = auto_full_on ? 0 : 1;
    config::setting_access(1, auto_full_on, config::kAutoFull);
  }
  items_.c_zf->setText(captioned(auto_full_on, QStringLiteral("自动全屏")));
  player_->setZfull(auto_full_on);
}

void PlaybackOptions::opt_auto_next(int mode) {
  const bool switching_on = mode == 1 && !auto_next_on;
  if (mode == 1) {
    auto_next_on = auto_next_on ? 0 : 1;
    config::setting_access(1, auto_next_on, config::kAutoNext);
  }
  items_.xy_j->setText(captioned(auto_next_on, QStringLiteral("自动下一集")));
  player_->setZxyj(auto_next_on);
  if (switching_on && shutdown_on == 1) opt_shutdown();  // the two exclude each other
}

void PlaybackOptions::opt_shutdown() {
  shutdown_on = shutdown_on ? 0 : 1;
  items_.c_com->setText(captioned(shutdown_on, QStringLiteral("关机")));
  player_->gj_mod(shutdown_on);
  if (shutdown_on == 1 && auto_next_on == 1) opt_auto_next(1);
}

void PlaybackOptions::power_saving(int mode) {
  if (mode == 0) screen_saver_.hold(QStringLiteral("正在使用Morvane观看影片"));
  else screen_saver_.release();
}

}  // namespace player
