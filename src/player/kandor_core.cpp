// The player's core: properties, the engine, play and stop, the neighbours of a play.
#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QWindow>

#include "config/settings.h"
#include "engine/mpv_engine.h"
#include "engine/picture_area.h"
#include "engine/terminal/state_file.h"
#include "engine/terminal_client.h"
#include "platform/log.h"
#include "platform/processes.h"
#include "player/addresses.h"
#include "player/bar_widgets.h"
#include "player/kandor.h"
#include "player/now_playing.h"

namespace player {

namespace {

constexpr int kTerminalWaitTicks = 10;  // 500 ms each: a terminal is up well within 5 s

std::unique_ptr<engine::Engine> default_engine(QWidget* video_area) {
  return std::make_unique<engine::MpvEngine>(qobject_cast<engine::PictureArea*>(video_area));
}

}  // namespace

Kandor::Kandor(KandorHost host, NowPlaying& now, QWidget* parent) : QWidget(parent), host_(std::move(host)), now_(now) {
  setFocusPolicy(Qt::StrongFocus);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::black);
  setPalette(pal);
  engine_factory_ = default_engine;
  build_parts();
  build_popup();
  timer2_.setInterval(500);
  connect(&timer2_, &QTimer::timeout, this, &Kandor::Timer2_Timer);
  terminal_wait_.setInterval(500);
  connect(&terminal_wait_, &QTimer::timeout, this, &Kandor::terminal_tick);
  // The terminal writes its state file once it listens: a play that waits asks it the moment the
  // file appears (the timer only counts the wait, and asks again should a question find it busy).
  // A terminal started before a play (the user heads for one) is asked too, so that the play finds
  // it known to answer and goes straight to its item.
  terminal_watch_ = new QFileSystemWatcher(this);
  connect(terminal_watch_, &QFileSystemWatcher::directoryChanged, this, [this] {
    if (terminal_wait_.isActive() || !terminal_answers()) ask_terminal();
  });
  watch_terminal_state();
  full_ = 0;
  taskbar_shown_ = true;
}

Kandor::~Kandor() {
  timer2_.stop();
  while (cursor_hidden_ > 0) {
    QGuiApplication::restoreOverrideCursor();
    --cursor_hidden_;
  }
}

void Kandor::changed(const char* key) { emit propertyChanged(QString::fromLatin1(key)); }

void Kandor::setFurl(const QString& v) {
  furl_ = v;
  emit furlChanged();
  changed("furl");
}
void Kandor::setFname(const QString& v) {
  fname_ = v;
  emit fnameChanged();
  changed("fname");
}
void Kandor::setBzt(int v) {
  bzt_ = v;
  emit bztChanged();
  changed("bzt");
}
void Kandor::setVol(int v) {
  vol_ = v;
  emit volChanged();
  changed("vol");
}
void Kandor::setBwz(int v) {
  bwz_ = v;
  emit bwzChanged();
  changed("bwz");
}
void Kandor::setBcd(int v) {
  bcd_ = v;
  emit bcdChanged();
  changed("bcd");
}
void Kandor::setFull(int v) {
  full_ = v;
  emit fullChanged();
  changed("full");
}
void Kandor::setQlj(const QString& v) {
  qlj_ = v;
  emit qljChanged();
  changed("qlj");
}

// The option flags copy the main window's caption into the popup's item of the same option.
void Kandor::setZfull(int v) {
  zfull_ = v;
  show_option_captions();
}
void Kandor::setZxyj(int v) {
  zxyj_ = v;
  show_option_captions();
}
void Kandor::setZgj(int v) {
  zgj_ = v;
  show_option_captions();
}

QVariantMap Kandor::property_bag() const {
  return {{"furl", furl_}, {"fname", fname_}, {"bzt", bzt_}, {"vol", vol_},     {"bwz", bwz_},   {"bcd", bcd_},
          {"full", full_}, {"qlj", qlj_},     {"phwnd", 0},  {"zfull", zfull_}, {"zxyj", zxyj_}, {"zgj", zgj_}};
}

void Kandor::restore_properties(const QVariantMap& bag) {
  auto number = [&](const char* key) { return bag.value(QString::fromLatin1(key), 0).toInt(); };
  furl_ = bag.value("furl").toString();
  fname_ = bag.value("fname").toString();
  bzt_ = number("bzt");
  bool ok = false;
  const int v = bag.value("vol").toString().toInt(&ok);
  vol_ = !bag.contains("vol") ? config::volume_setting() : ok && v >= 0 && v <= 100 ? v : 100;
  bwz_ = number("bwz");
  bcd_ = number("bcd");
  full_ = 0;  // a player starts in its window, whatever it was left in
  qlj_ = bag.value("qlj").toString();
  zfull_ = number("zfull");
  zxyj_ = number("zxyj");
  zgj_ = number("zgj");
}

void Kandor::zrqvds() {
  engine_ = engine_factory_(video_);
  // The first frame is shown as soon as the engine plays, not at the poll's next tick: the cover
  // over the picture area would hold it back up to half a second.
  if (auto* mpv = dynamic_cast<engine::MpvEngine*>(engine_.get()))
    connect(mpv, &engine::MpvEngine::stateChanged, this, [this](engine::PlayState state) {
      if (state == engine::PlayState::Playing && cover_->isVisible() && !minimised()) show_covers(0);
    });
  lay_out();
  if (engine_) engine_->setShowcontrol(false);
  ydbl(1, std::round(vol_ / 100.0 * 1000) / 1000);
}

void Kandor::h_play(const QString& address, int mo, const QVariant&) {
  // An empty address (no previous or next episode) plays nothing and records nothing.
  if (address.trimmed().isEmpty()) return;
  setFurl(qvod_normalize(address));
  if (mo != mo_) mo_ = static_cast<qint16>(mo);
  const std::optional<int> p = host_.record ? host_.record(furl_, mo) : std::nullopt;
  q_play(mo, p.value_or(0));
}

void Kandor::q_gh(const QString& address) {
  if (!address.isEmpty()) h_play(address, neighbour_mode(), 0);
}

void Kandor::q_play(int mo, int start) {
  if (furl_.isEmpty()) return;
  q_stop();
  if (!terminal_answers() && !qlj_.isEmpty()) return wait_for_terminal(mo, start);
  net_source_ = true;
  if (is_local_address(furl_)) {
    down_pct_ = 100.0;
    net_source_ = false;
  }
  platform::return_free_heap();
  trim_count_ = 0;
  mo_ = mo;
  start_pos_ = start;
  setFname(url_unescape(hq_wjm(furl_)));
  if (host_.now_playing_label) host_.now_playing_label(QStringLiteral("正在播放:") + fname_);
  label1_->setText(QStringLiteral("即将播放:【") + fname_ + QStringLiteral("】"));
  find_neighbours();
  failure_said_ = false;
  if (engine_) {
    engine_->setURL(furl_);
    apply_session_choices();
    say_failure();
  }
  now_.now_url = furl_;
  now_.now_mo = mo_;
  now_.now_pos = 0;
  if (!timer2_.isActive()) timer2_.start();
}

// The terminal this client talks to runs (its state file names it) and has answered this player:
// another session's terminal of the same name is of no use to this one. Nothing here waits for it.
bool Kandor::terminal_answers() const { return terminal_link_.answered_by_running_terminal(); }

void Kandor::watch_terminal_state() {
  const QString folder = QFileInfo(terminal::state_file()).absolutePath();
  if (!terminal_watch_->directories().contains(folder) && QFileInfo(folder).isDir()) terminal_watch_->addPath(folder);
}

// The terminal is started when it does not run, and the play goes on once it answers, asked without
// waiting as soon as its state file appears; one that does not come up is said in the status text
// instead of the play vanishing.
void Kandor::wait_for_terminal(int mo, int start) {
  start_pos_ = start;
  terminal_mo_ = mo;
  watch_terminal_state();
  if (!engine::TerminalClient().running() && host_.start_terminal) host_.start_terminal();
  terminal_waited_ = 0;
  label1_->setText(QStringLiteral("正在启动播放引擎..."));
  terminal_wait_.start();
  ask_terminal();  // a terminal that runs already is asked at once
}

void Kandor::terminal_tick() {
  if (++terminal_waited_ >= kTerminalWaitTicks) {
    terminal_wait_.stop();
    jz_l3(QStringLiteral("播放引擎未能启动"));
    label1_->setText(QStringLiteral("播放引擎未能启动，请稍后再试"));
    return;
  }
  ask_terminal();
}

void Kandor::ask_terminal() {
  if (terminal_asked_ || !engine::TerminalClient().running()) return;
  terminal_asked_ = true;
  terminal_link_.check_answering([this](bool answered) {
    terminal_asked_ = false;
    if (!answered || !terminal_wait_.isActive()) return;
    terminal_wait_.stop();
    q_play(terminal_mo_, start_pos_);
  });
}

// Why the engine cannot play the item (known at once, or once the terminal has answered): said where
// the user looks, once, and kept in the log.
void Kandor::say_failure() {
  if (failure_said_ || !engine_ || engine_->failure().isEmpty()) return;
  failure_said_ = true;
  jz_l3(engine_->failure());
  label1_->setText(QStringLiteral("无法播放：") + engine_->failure());
  platform::log_failure(QStringLiteral("q_play"), furl_ + QStringLiteral(": ") + engine_->failure());
}

void Kandor::q_stop() {
  terminal_wait_.stop();
  if (engine_) engine_->setURL(QString());
  timer2_.stop();
  system_zzt(0, 0, 0);
  prev_url_.clear();
  next_url_.clear();
  fs_done_ = buttons_done_ = play_sent_ = preload_done_ = false;
  tick_ = 0;
  label1_->setText(QStringLiteral("准备就绪"));
  label3_->setText(QStringLiteral("准备就绪"));
  label5_->clear();
  if (host_.now_playing_label) host_.now_playing_label(QString());
  show_covers(1);
  bar_->show();
  ydbl(0, 0);
  down_pct_ = 0;
  im2_move();
  show_taskbar(true);
  zmvb(0);
}

void Kandor::q_pause() {
  if (engine_) engine_->pause();
}

void Kandor::system_zzt(const QVariant& state, const QVariant& position, const QVariant& duration) {
  if (state.toString() != QString()) setBzt(state.toInt());
  if (position.toString() != QString()) setBwz(position.toInt());
  if (duration.toString() != QString()) setBcd(duration.toInt());
}

QString Kandor::hq_wjm(const QString& address) const { return player::hq_wjm(address); }

QString Kandor::GetContent(const QString& text, const QString& a, const QString& b, int mode) const {
  return player::GetContent(text, a, b, mode);
}

void Kandor::jz_l3(const QString& text) { label3_->setText(text); }

void Kandor::find_neighbours() {
  const QString list = host_.play_list ? host_.play_list() : QString();
  if (!list.contains(QLatin1String("@@@"))) return;
  const QStringList parts = list.split(QStringLiteral("@@@"));
  int index = -1;
  for (int i = 0; i < parts.size() && index < 0; ++i)
    if (address_match(parts[i].trimmed(), furl_.trimmed()) == 1) index = i;
  if (index < 0) return;
  const int last = static_cast<int>(parts.size()) - 1;
  if (index > 0) prev_url_ = parts[index - 1];
  if (index < last) next_url_ = parts[index + 1];
  prev_url_ = prev_url_.remove(QChar(10)).trimmed();
  next_url_ = next_url_.remove(QChar(10)).trimmed();
}

// Nothing to hide on this platform: a full-screen window covers the panels. The state is kept.
void Kandor::show_taskbar(bool show) { taskbar_shown_ = show; }

// The cover lies over the picture area, which stays in place (and keeps its GL context) beneath it.
void Kandor::show_covers(int mode) {
  cover_->setVisible(mode != 0);
  if (mode != 0) cover_->raise();
  if (auto* picture = qobject_cast<engine::PictureArea*>(video_)) picture->set_covered(mode != 0);
}

bool has_picture_platform() {
  const QString platform = QGuiApplication::platformName();
  return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

void Kandor::UserControl_Terminate() {
  q_stop();
  timer2_.stop();
  show_cursor();
}

bool Kandor::minimised() const {
  const QWidget* main = phwnd_ ? phwnd_->window() : window();
  return main && main->isMinimized();
}

}  // namespace player
