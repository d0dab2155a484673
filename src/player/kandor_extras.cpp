// What users of other players reach for, after the popup's own items: subtitle and audio tracks,
// speed, mute, a still of the frame; and the routines the keys and the bar's speaker share.
#include <QActionGroup>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>
#include <array>
#include <cmath>

#include "engine/engine.h"
#include "platform/dialogs.h"
#include "platform/log.h"
#include "player/kandor.h"

namespace player {

namespace {

constexpr std::array<double, 6> kSpeeds = {0.5, 0.75, 1.0, 1.25, 1.5, 2.0};
constexpr int kStatusShown = 6000;  // ms a still's message stays before the now-playing line returns
constexpr int kCaptionChars = 60;   // a track's name as the item names it, cut for the menu

QString speed_caption(double factor) { return QString::number(factor) + QStringLiteral("×"); }

// A track by what the item calls it: its title (an external one's file name), then its language.
// The names come from the item and are shown as plain text ("&" is no mnemonic).
QString track_caption(const engine::Track& t) {
  QStringList parts;
  if (!t.title.isEmpty()) parts << t.title.left(kCaptionChars);
  else if (!t.file.isEmpty()) parts << QFileInfo(t.file).fileName().left(kCaptionChars);
  if (!t.lang.isEmpty()) parts << QLatin1Char('[') + t.lang.left(16) + QLatin1Char(']');
  if (parts.isEmpty()) parts << QStringLiteral("轨道 %1").arg(t.id);
  return parts.join(QLatin1Char(' ')).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace

void Kandor::build_extras() {
  box_->addSeparator()->setObjectName(QStringLiteral("blank5"));
  auto submenu = [this](const char* name, const QString& caption) {
    QMenu* m = box_->addMenu(caption);
    m->setObjectName(QString::fromLatin1(name));
    m->menuAction()->setObjectName(QString::fromLatin1(name));
    return m;
  };
  subtitles_ = submenu("subtitles", QStringLiteral("字幕"));
  audio_tracks_ = submenu("audio_tracks", QStringLiteral("音轨"));
  speeds_ = submenu("speeds", QStringLiteral("播放速度"));
  auto* speed_group = new QActionGroup(speeds_);
  for (int i = 0; i < int(kSpeeds.size()); ++i) {
    QAction* a = speeds_->addAction(QString::number(kSpeeds[i]));
    a->setObjectName(QStringLiteral("speed"));
    a->setProperty("index", i);
    a->setCheckable(true);
    speed_group->addAction(a);
    connect(a, &QAction::triggered, this, [this, i] { set_speed(kSpeeds[i]); });
  }
  mute_item_ = box_->addAction(QStringLiteral("静音"));
  mute_item_->setObjectName(QStringLiteral("mute"));
  mute_item_->setCheckable(true);
  connect(mute_item_, &QAction::triggered, this, &Kandor::toggle_mute);
  still_item_ = box_->addAction(QStringLiteral("截图"));
  still_item_->setObjectName(QStringLiteral("still"));
  connect(still_item_, &QAction::triggered, this, &Kandor::take_still);
  connect(box_, &QMenu::aboutToShow, this, &Kandor::refresh_extras);
  refresh_extras();
}

bool Kandor::item_open() const {
  if (!engine_ || furl_.isEmpty()) return false;
  const engine::PlayState s = engine_->playstate();
  return s == engine::PlayState::Playing || s == engine::PlayState::Paused || s == engine::PlayState::Buffering ||
         s == engine::PlayState::Ended;
}

// The items as the play is now, each time the popup opens: nothing applies without an open item,
// and a choice of one audio track is none.
void Kandor::refresh_extras() {
  const bool open = item_open();
  const QList<engine::Track> tracks = open ? engine_->tracks() : QList<engine::Track>();
  fill_tracks(subtitles_, QStringLiteral("sub"), tracks);
  const int audio = fill_tracks(audio_tracks_, QStringLiteral("audio"), tracks);
  subtitles_->menuAction()->setEnabled(open);
  audio_tracks_->menuAction()->setEnabled(open && audio > 1);
  speeds_->menuAction()->setEnabled(open);
  for (QAction* a : speeds_->actions()) a->setChecked(std::abs(kSpeeds[a->property("index").toInt()] - speed_) < 1e-6);
  mute_item_->setEnabled(open);
  mute_item_->setChecked(muted_);
  still_item_->setEnabled(open);
}

// The menu's items for the tracks of the type (for subtitles also none, and a file); how many tracks.
int Kandor::fill_tracks(QMenu* menu, const QString& type, const QList<engine::Track>& tracks) {
  menu->clear();  // deletes the items, which leave the menu's one group as they go
  auto* group = menu->findChild<QActionGroup*>(QString(), Qt::FindDirectChildrenOnly);
  if (!group) group = new QActionGroup(menu);
  const bool subtitles = type == QLatin1String("sub");
  int count = 0;
  bool any_selected = false;
  for (const engine::Track& t : tracks) {
    if (t.type != type) continue;
    ++count;
    QAction* a = menu->addAction(track_caption(t));
    a->setObjectName(subtitles ? QStringLiteral("subtitle") : QStringLiteral("audio_track"));
    a->setProperty("index", t.id);
    a->setCheckable(true);
    a->setChecked(t.selected);
    any_selected = any_selected || t.selected;
    group->addAction(a);
    connect(a, &QAction::triggered, this, [this, type, id = t.id] { choose_track(type, id); });
  }
  if (!subtitles) return count;
  if (!menu->isEmpty()) menu->addSeparator();
  QAction* off = menu->addAction(QStringLiteral("关闭字幕"));
  off->setObjectName(QStringLiteral("subtitles_off"));
  off->setCheckable(true);
  off->setChecked(!any_selected);
  group->addAction(off);
  connect(off, &QAction::triggered, this, [this] { choose_track(QStringLiteral("sub"), 0); });
  QAction* file = menu->addAction(QStringLiteral("加载字幕文件..."));
  file->setObjectName(QStringLiteral("subtitle_file"));
  connect(file, &QAction::triggered, this, &Kandor::load_subtitle_file);
  return count;
}

void Kandor::choose_track(const QString& type, int id) {
  if (engine_) engine_->set_track(type, id);
}

// The file is shown at once and again whenever this item plays in the session.
void Kandor::load_subtitle_file() {
  const QString path =
      platform::dialogs().open_file(QStringLiteral("字幕文件 (*.srt *.ass *.ssa *.vtt *.sub);;所有文件 (*)"));
  if (path.isEmpty() || !engine_ || !QFileInfo(path).isFile()) return;
  subtitle_files_.insert(furl_, path);
  engine_->add_subtitle_file(path);
}

// A new play takes the session's speed and mute, and the subtitle file chosen for its item.
void Kandor::apply_session_choices() {
  ++status_serial_;
  if (!engine_) return;
  engine_->set_speed(speed_);
  engine_->set_mute(muted_);
  if (const QString file = subtitle_files_.value(furl_); !file.isEmpty()) engine_->add_subtitle_file(file);
}

// The volume stays where it is: mute is a state of its own.
void Kandor::toggle_mute() {
  muted_ = !muted_;
  if (engine_) engine_->set_mute(muted_);
  mute_item_->setChecked(muted_);
  volume_track_->update();
}

void Kandor::set_speed(double factor) {
  speed_ = std::clamp(factor, kSpeeds.front(), kSpeeds.back());
  if (engine_) engine_->set_speed(speed_);
  show_speed();
}

void Kandor::step_speed(int step) {
  int at = 0;
  for (int i = 0; i < int(kSpeeds.size()); ++i)
    if (std::abs(kSpeeds[i] - speed_) < std::abs(kSpeeds[at] - speed_)) at = i;
  set_speed(kSpeeds[std::clamp(at + step, 0, int(kSpeeds.size()) - 1)]);
}

void Kandor::show_speed() {
  speed_label_->setText(std::abs(speed_ - 1.0) < 1e-6 ? QString() : speed_caption(speed_));
  lay_out_texts();
}

void Kandor::seek_by(int seconds) {
  if (!item_open()) return;
  int target = std::max(0, engine_->currentpos() + seconds);
  if (bcd_ > 0) target = std::min(target, bcd_ - 1);
  engine_->setCurrentpos(target);
  setBwz(target);
  if (bcd_ > 0) ydbl(0, double(target) / bcd_);
}

QString Kandor::still_folder() {
  QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (pictures.isEmpty()) pictures = QDir::homePath();
  return QDir(pictures).filePath(QStringLiteral("Morvane"));
}

void Kandor::take_still() {
  if (!item_open()) return;
  const QString folder = still_folder();
  if (!QDir().mkpath(folder)) return say_status(QStringLiteral("截图失败：无法创建文件夹 ") + folder);
  // The name is the moment's alone: nothing of the item's (a name from the web) reaches the path.
  const QString path = QDir(folder).filePath(
      QStringLiteral("Morvane_") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss_zzz")) +
      QStringLiteral(".png"));
  engine_->take_still(path, [self = QPointer<Kandor>(this), path](const QString& failure) {
    if (!self) return;
    if (!failure.isEmpty()) platform::log_failure(QStringLiteral("still"), path + QStringLiteral(": ") + failure);
    self->say_status(failure.isEmpty() ? QStringLiteral("截图已保存到 ") + path
                                       : QStringLiteral("截图失败：") + failure);
  });
}

// The status line says it for a while; then the play's own line comes back, if the play is the same.
void Kandor::say_status(const QString& text) {
  if (!host_.status_text) return;
  host_.status_text(text);
  QTimer::singleShot(kStatusShown, this, [this, serial = ++status_serial_] {
    if (serial == status_serial_ && item_open() && host_.now_playing_label)
      host_.now_playing_label(QStringLiteral("正在播放:") + fname_);
  });
}

}  // namespace player
