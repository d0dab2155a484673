// The half-second poll that follows the engine, the end of a play, the time text, the idle mouse.
#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QMenu>

#include "engine/engine.h"
#include "platform/dialogs.h"
#include "platform/paths.h"
#include "platform/processes.h"
#include "platform/system_commands.h"
#include "player/addresses.h"
#include "player/bar_widgets.h"
#include "player/kandor.h"
#include "player/now_playing.h"

namespace player {

namespace {

using engine::PlayState;

constexpr int kStillTicks = 5;  // five still ticks, then the sixth hides bar and cursor (about 3 s)

// The status text of a play state, and whether the engine counts as playing.
QString state_text(PlayState ps) {
  switch (ps) {
    case PlayState::Stopped: return QStringLiteral("停止");
    case PlayState::Paused: return QStringLiteral("暂停");
    case PlayState::Buffering: return QStringLiteral("缓冲中");
    case PlayState::Waiting: return QStringLiteral("等待中");
    case PlayState::Ended: return QStringLiteral("播放结束");
    case PlayState::Reconnecting: return QStringLiteral("重新连接中");
    case PlayState::FetchingSeed: return QStringLiteral("BT种子下载中");
    case PlayState::Connecting: return QStringLiteral("正在连接中");
    case PlayState::Stopping: return QStringLiteral("正在停止");
    default: return {};
  }
}

void publish_playing(NowPlaying& now, PlayState ps) {
  int& playing = now.is_playing;
  if (ps == PlayState::Paused || ps == PlayState::Playing) playing = 1;
  else if (ps == PlayState::Buffering || ps == PlayState::Connecting || ps == PlayState::Stopping) playing = 0;
}

}  // namespace

QString Kandor::scsjm(int seconds) {
  auto two = [](int n) {
    return n < 1 ? QStringLiteral("00") : n < 10 ? QStringLiteral("0%1").arg(n) : QString::number(n);
  };
  return two(seconds / 3600) + ':' + two(seconds % 3600 / 60) + ':' + two(seconds % 60);
}

void Kandor::Timer2_Timer() {
  // Pending events first: a click handled here may stop this play or start another.
  QCoreApplication::processEvents();
  if (!timer2_.isActive() || !engine_) return;
  if (!play_sent_) {
    play_sent_ = true;
    engine_->Play();
  }
  const PlayState ps = engine_->playstate();
  say_failure();
  // What the engine could not open (no sound device, no picture) is said once, beside the title.
  if (const QString notice = engine_->take_notice(); !notice.isEmpty() && host_.now_playing_label)
    host_.now_playing_label(QStringLiteral("正在播放:") + fname_ + QStringLiteral("（") + notice +
                            QStringLiteral("）"));
  if (tick_ >= 4) {
    tick_ = 0;
    slow_poll(ps);
    if (!timer2_.isActive()) return;
  } else {
    ++tick_;
  }
  const bool minimized = minimised();
  if (full_ == 1 && taskbar_shown_) show_taskbar(false);
  down_pct_ = net_source_ ? engine_->get_CurTaskProcess() / 10.0 : 100.0;
  if (down_pct_ > 0 && down_pct_ <= 100 && ps != PlayState::Reserved1) im2_move();
  if (ps == PlayState::Playing) {
    engine_->setVolume(vol_);
    if (start_pos_ != 0) {
      engine_->setCurrentpos(start_pos_);
      start_pos_ = 0;
    }
    if (bcd_ == 0) setBcd(engine_->duration());
    setBwz(engine_->currentpos());
    // The end: within 2 s of a known length (a stream without one is not ended at once).
    if (bcd_ > 0 && bcd_ - bwz_ < 2) return end_of_play();
    label3_->setText(scsjm(bwz_) + '/' + scsjm(bcd_) + ' ');
    const double ratio = bcd_ > 0 ? std::round(double(bwz_) / bcd_ * 10000) / 10000 : 0.0;
    if (!minimized) {
      ydbl(0, ratio);
      if (cover_->isVisible()) show_covers(0);
    }
  }
  // The engine says the item has ended (a stream without a length gives no other sign of its end).
  if (ps == PlayState::Ended) return end_of_play();
  if (ps != PlayState::Playing && !minimized && !cover_->isVisible()) show_covers(1);
  if (!minimized) mouse_idle_step();
}

// A finished item is stored at 0: opened again, it starts from the beginning and asks nothing.
void Kandor::end_of_play() {
  timer2_.stop();
  if (host_.save_position) host_.save_position(furl_, mo_, 0);
  now_.now_pos = 0;
  if (!next_url_.isEmpty() && zxyj_ != 0) return h_play(next_url_, neighbour_mode(), 0);
  q_stop();
  label1_->setText(QStringLiteral("准备就绪"));
  Image7_Click();  // leaves full screen; nothing else, the state is no longer "playing"
  show_cursor();
  if (zgj_ == 1) gj_xw();
}

void Kandor::slow_poll(PlayState ps) {
  const QString text = state_text(ps);
  publish_playing(now_, ps);
  if (!text.isEmpty() && text != QStringLiteral("停止")) jz_l3(text);
  system_zzt(engine::code(ps), QString(), QString());
  if (trim_count_ < 20) {
    ++trim_count_;
  } else {
    trim_count_ = 0;
    platform::return_free_heap();
    if (host_.power_saving) host_.power_saving(0);
  }
  QString rate;
  if (down_pct_ != 100.0) {
    rate = QString::number(static_cast<qint16>(engine_->Downrate())) + QStringLiteral("KB/S");
    down_pct_ = engine_->get_CurTaskProcess() / 10.0;
  }
  if (down_pct_ > 0 && down_pct_ <= 100) im2_move();
  if (down_pct_ > 85 && !preload_done_) {
    if (!next_url_.isEmpty() && zxyj_ == 1) {
      next_url_ = qvod_normalize(next_url_);
      engine_->StartNextDown(next_url_);
    }
    preload_done_ = true;
  }
  if (!buttons_done_) {
    buttons_done_ = true;
    buttons_[2]->setEnabled(!prev_url_.isEmpty());
    play_q_[3]->setEnabled(!prev_url_.isEmpty());
    buttons_[3]->setEnabled(!next_url_.isEmpty());
    play_q_[4]->setEnabled(!next_url_.isEmpty());
  }
  if (ps != PlayState::Playing) {
    if (ps != PlayState::Stopped && ps != PlayState::Reserved1 && ps != PlayState::Reserved7)
      label1_->setText(QStringLiteral("数据处理中...") + rate + QStringLiteral("|完成") + QString::number(down_pct_) +
                       '%');
  } else {
    if (!fs_done_ && zfull_ == 1) {
      fs_done_ = true;
      if (full_ == 0) play_q_Click(2);
    }
    // Within the end's 2 s the item counts as finished, as the fast poll would find it.
    const int position = bcd_ > 0 && bcd_ - bwz_ < 2 ? 0 : bwz_;
    if (host_.save_position) host_.save_position(furl_, mo_, position);
    now_.now_pos = position;
    label1_->setText(QStringLiteral("数据处理中...") + rate + QStringLiteral("|完成"));
  }
  if (down_pct_ == 100) rate.clear();
  label5_->setText(rate);
}

void Kandor::mouse_idle_step() {
  if (full_ != 1) {
    show_cursor();
    bar_->show();
    idle_ticks_ = 0;
    return;
  }
  const QPoint at = QCursor::pos();
  if (at != last_cursor_) {
    last_cursor_ = at;
    show_cursor();
    bar_->show();
    idle_ticks_ = 0;
  } else if (idle_ticks_ < kStillTicks) {
    ++idle_ticks_;
  } else {
    idle_ticks_ = 0;
    hide_cursor();
    bar_->hide();
  }
}

// The cursor's display count: a blank cursor pushed while it is hidden, taken away to show it.
void Kandor::show_cursor() {
  while (cursor_hidden_ > 0) {
    QGuiApplication::restoreOverrideCursor();
    --cursor_hidden_;
  }
}

void Kandor::hide_cursor() {
  if (cursor_hidden_ > 0) return;
  QGuiApplication::setOverrideCursor(Qt::BlankCursor);
  ++cursor_hidden_;
}

void Kandor::gj_mod(const QVariant& mode) {
  show_option_captions();
  const bool on = mode.toString().trimmed() == QLatin1String("1");
  zgj_ = on ? 1 : 0;
  zxyj_ = on ? 0 : 1;
}

// The shut-down after playing: a power-off in 20 seconds, and the question whether to cancel it.
void Kandor::gj_xw() {
  if (!shutdown_on || !shutdown_on()) return;
  platform::system_commands().schedule_power_off(20);
  const auto answer = platform::dialogs().message(QStringLiteral("您已经激活程序关机程序,是否取消?"),
                                                  platform::app_title(), platform::Buttons::YesNo);
  if (answer != platform::Answer::Yes) return;
  if (opt_shutdown) opt_shutdown();
  platform::system_commands().cancel_power_off();
}

}  // namespace player
