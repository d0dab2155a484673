// The player's face: covers, the control bar with its tracks and knobs, the popup menu.
#include <QActionGroup>
#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "config/settings.h"
#include "engine/engine.h"
#include "engine/picture_area.h"
#include "player/bar_widgets.h"
#include "player/kandor.h"

namespace player {

namespace {

// Sizes in pixels (the design's twips / 15).
constexpr int kBarHeight = 49;   // 735 twips: the bar under the picture
constexpr int kVolumeLead = 17;  // 260 twips: the speaker at the start of the volume track
constexpr int kGap = 10;         // 150 twips between the right-hand parts
constexpr int kEdge = 1;         // 20 twips from the right edge
constexpr int kButton = 28;
constexpr int kButtonTop = 16;
constexpr int kKnob = 13;
constexpr int kTrackTop = 4, kTrackHeight = 6;
constexpr int kVolumeWidth = 110;

const char* const kFrameCaptions[] = {"适应窗体", "铺满窗体", "4:3", "16:9"};

QLabel* bar_label(const char* name, QWidget* parent) {
  auto* l = new QLabel(parent);
  l->setObjectName(QString::fromLatin1(name));
  l->setStyleSheet(QStringLiteral("color:#cfd5e2; background:transparent; font-size:12px;"));
  return l;
}

}  // namespace

void Kandor::build_parts() {
  // The engine draws into the picture area through OpenGL wherever the platform has it; the test
  // platforms without GL get a black area and an engine that draws nothing.
  if (has_picture_platform()) {
    video_ = new engine::PictureArea(this);
  } else {
    video_ = new QWidget(this);
    video_->setObjectName(QStringLiteral("Qvod"));
    video_->setStyleSheet(QStringLiteral("background:#000;"));
  }
  video_->installEventFilter(this);

  cover_ = new Surface(
      [](QPainter& p, const QRect& r) {
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, QColor(0x26, 0x2c, 0x3a));
        g.setColorAt(1, QColor(0x12, 0x15, 0x1c));
        p.fillRect(r, g);
      },
      this);
  cover_->setObjectName(QStringLiteral("Picture4"));
  cover_->installEventFilter(this);
  logo_ = new QLabel(cover_);
  logo_->setObjectName(QStringLiteral("Picture5"));
  logo_->setText(
      QStringLiteral("<span style='font-size:34px;color:#e8a33d;font-weight:bold'>Morvane</span>"
                     "<br><span style='font-size:13px;color:#8d96aa'>海量影视 即点即播</span>"));
  logo_->setAlignment(Qt::AlignCenter);
  logo_->setCursor(Qt::PointingHandCursor);
  logo_->resize(260, 90);
  logo_->installEventFilter(this);
  label1_ = new QLabel(QStringLiteral("准备就绪,感谢您的支持"), cover_);
  label1_->setObjectName(QStringLiteral("Label1"));
  label1_->setAlignment(Qt::AlignCenter);
  label1_->setStyleSheet(QStringLiteral("color:#cfd5e2; font-size:14px; background:transparent;"));

  bar_ = new Surface(
      [](QPainter& p, const QRect& r) {
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, QColor(0x22, 0x27, 0x33));
        g.setColorAt(1, colours::kBar);
        p.fillRect(r, g);
      },
      this);
  bar_->setObjectName(QStringLiteral("picture6"));
  bar_->setMouseTracking(true);
  bar_->installEventFilter(this);

  track_ = new Surface(
      [this](QPainter& p, const QRect& r) {  // Label2: the seek track, played part in amber
        const QRectF line(0, r.height() / 2.0 - 2, r.width(), 4);
        p.setPen(Qt::NoPen);
        p.setBrush(colours::kTrack);
        p.drawRoundedRect(line, 2, 2);
        p.setBrush(colours::kAccent);
        p.drawRoundedRect(QRectF(0, line.top(), seek_knob_->x() + kKnob / 2.0, 4), 2, 2);
      },
      bar_);
  track_->setObjectName(QStringLiteral("Label2"));
  strip_ = new Surface(
      [](QPainter& p, const QRect& r) {  // Image2: how much has been downloaded
        p.fillRect(QRectF(0, r.height() / 2.0 - 2, r.width(), 4), colours::kDownloaded);
      },
      bar_);
  strip_->setObjectName(QStringLiteral("Image2"));
  for (QWidget* w : {static_cast<QWidget*>(track_), strip_}) {
    w->setCursor(Qt::PointingHandCursor);
    w->installEventFilter(this);
  }
  track_->stackUnder(strip_);
  seek_knob_ = new Knob(bar_);
  seek_knob_->setObjectName(QStringLiteral("Picture7"));
  seek_knob_->installEventFilter(this);

  const struct {
    Glyph glyph;
    const char* tip;
  } buttons[4] = {{Glyph::Play, "播放"}, {Glyph::Pause, "暂停"}, {Glyph::Previous, "上一集"}, {Glyph::Next, "下一集"}};
  for (int i = 0; i < 4; ++i) {
    buttons_[i] = new BarButton(buttons[i].glyph, QString::fromUtf8(buttons[i].tip), bar_);
    buttons_[i]->setObjectName(QStringLiteral("Image4"));
    buttons_[i]->setProperty("index", i);
    buttons_[i]->setGeometry(8 + i * (kButton + 6), kButtonTop, kButton, kButton);
    connect(buttons_[i], &BarButton::clicked, this, [this, i] { image4_click(i); });
  }
  label3_ = bar_label("Label3", bar_);
  label3_->setText(QStringLiteral("准备就绪"));
  label5_ = bar_label("Label5", bar_);
  label5_->setStyleSheet(label5_->styleSheet() + QStringLiteral("color:#f3c77b;"));
  speed_label_ = bar_label("Label6", bar_);
  speed_label_->setStyleSheet(speed_label_->styleSheet() + QStringLiteral("color:#e8a33d;"));
  speed_label_->setToolTip(QStringLiteral("播放速度"));

  menu_button_ = new BarButton(Glyph::Menu, QStringLiteral("菜单"), bar_);
  menu_button_->setObjectName(QStringLiteral("Image3"));
  connect(menu_button_, &BarButton::pressed, this,
          [this] { popup_at(menu_button_->mapToGlobal(QPoint(0, 0)) - QPoint(0, box_->sizeHint().height())); });
  volume_track_ = new Surface(
      [this](QPainter& p, const QRect& r) {  // Image6: speaker, then the track
        paint_glyph(p, muted_ ? Glyph::SpeakerMuted : Glyph::Speaker, colours::kText,
                    QRect(0, 0, kVolumeLead, r.height()));
        const QRectF line(kVolumeLead, r.height() / 2.0 - 2, r.width() - kVolumeLead, 4);
        p.setPen(Qt::NoPen);
        p.setBrush(colours::kTrack);
        p.drawRoundedRect(line, 2, 2);
        p.setBrush(colours::kAccent);
        p.drawRoundedRect(
            QRectF(kVolumeLead, line.top(), volume_knob_->x() - volume_track_->x() - kVolumeLead + kKnob / 2.0, 4), 2,
            2);
      },
      bar_);
  volume_track_->setObjectName(QStringLiteral("Image6"));
  volume_track_->setCursor(Qt::PointingHandCursor);
  volume_track_->installEventFilter(this);
  volume_knob_ = new Knob(bar_);
  volume_knob_->setObjectName(QStringLiteral("Picture8"));
  volume_knob_->setToolTip(QStringLiteral("音量"));
  volume_knob_->installEventFilter(this);
  full_button_ = new BarButton(Glyph::FullScreen, QStringLiteral("全屏"), bar_);
  full_button_->setObjectName(QStringLiteral("Image7"));
  connect(full_button_, &BarButton::clicked, this, &Kandor::Image7_Click);
}

void Kandor::build_popup() {
  box_ = new QMenu(QStringLiteral("Kandor"), this);
  box_->setObjectName(QStringLiteral("box"));
  // The menu button's press opened the popup, which takes the release: the button looks normal again.
  connect(box_, &QMenu::aboutToHide, this, [this] { menu_button_->set_look(BarButton::Normal); });
  auto item = [](QMenu* m, const char* name, const QString& caption, int index = -1) {
    QAction* a = m->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    if (index >= 0) a->setProperty("index", index);
    return a;
  };
  auto submenu = [](QMenu* parent, const char* name, const QString& caption) {
    QMenu* m = parent->addMenu(caption);
    m->setObjectName(QString::fromLatin1(name));
    m->menuAction()->setObjectName(QString::fromLatin1(name));
    return m;
  };
  auto command = [this](const char* name) {
    return [this, name] {
      if (host_.command) host_.command(QString::fromLatin1(name));
    };
  };
  // Windows the player opens over full screen: the main window is put away first.
  auto hide_main_in_full = [this] {
    if (full_ == 1 && phwnd_) phwnd_->window()->hide();
  };
  QMenu* open = submenu(box_, "open", QStringLiteral("打开"));
  connect(item(open, "loc", QStringLiteral("本地文件")), &QAction::triggered, this, command("fd_1"));
  connect(item(open, "net", QStringLiteral("网络文件")), &QAction::triggered, this, [this, command, hide_main_in_full] {
    command("fd_2")();
    hide_main_in_full();
    show_taskbar(false);
  });
  connect(item(box_, "hcgl", QStringLiteral("缓存管理")), &QAction::triggered, this, [hide_main_in_full, command] {
    hide_main_in_full();
    command("hcgl")();
  });
  QMenu* op = submenu(box_, "op", QStringLiteral("设置"));
  z_f_ = item(op, "z_f", QStringLiteral("自动全屏"));
  connect(z_f_, &QAction::triggered, this, [this, command] {
    command("c_zf")();
    show_option_captions();
  });
  QMenu* done = submenu(op, "mis_com", QStringLiteral("播放完成处理"));
  auto_next_ = item(done, "auto_next", QStringLiteral("自动下一集"));
  connect(auto_next_, &QAction::triggered, this, [this, command] {
    command("xy_j")();
    show_option_captions();
  });
  close_gj_ = item(done, "close_gj", QStringLiteral("关机"));
  connect(close_gj_, &QAction::triggered, this, [this, command] {
    command("c_com")();
    show_option_captions();
  });
  QMenu* frames = submenu(box_, "spkj", QStringLiteral("视频框架"));
  const QString first_captions[] = {QStringLiteral("适应窗体"), QStringLiteral("铺满窗口"), QStringLiteral("4:3"),
                                    QStringLiteral("16:9")};
  for (int i = 0; i < 4; ++i) {
    spkj_s_[i] = item(frames, "spkj_s", first_captions[i], i);
    connect(spkj_s_[i], &QAction::triggered, this, [this, i] {
      zmvb(i);
      spkj_system(i);
    });
  }
  box_->addSeparator()->setObjectName(QStringLiteral("blank1"));
  const QString plays[] = {QStringLiteral("播放/暂停"), QStringLiteral("停止"), QStringLiteral("全屏"),
                           QStringLiteral("上一节目"), QStringLiteral("下一节目")};
  for (int i = 0; i < 5; ++i) {
    play_q_[i] = item(box_, "play_q", plays[i], i);
    connect(play_q_[i], &QAction::triggered, this, [this, i] { play_q_Click(i); });
  }
  box_->addSeparator()->setObjectName(QStringLiteral("blank2"));
  connect(item(box_, "guest", QStringLiteral("意见反馈")), &QAction::triggered, this, command("fk"));
  box_->addSeparator()->setObjectName(QStringLiteral("blank4"));
  connect(item(box_, "abtu", QStringLiteral("关于我们")), &QAction::triggered, this, [hide_main_in_full, command] {
    hide_main_in_full();
    command("bz_2")();
  });
  build_extras();
}

// The option items repeat the main window's captions (with their checks).
void Kandor::show_option_captions() {
  if (!host_.caption || !z_f_) return;  // before the popup is built
  z_f_->setText(host_.caption("c_zf"));
  auto_next_->setText(host_.caption("xy_j"));
  close_gj_->setText(host_.caption("c_com"));
}

QAction* Kandor::popup_item(const QString& name, int index) const {
  for (QAction* a : box_->findChildren<QAction*>())
    if (a->objectName() == name && (index < 0 || a->property("index").toInt() == index)) return a;
  for (QMenu* m : box_->findChildren<QMenu*>())
    for (QAction* a : m->actions())
      if (a->objectName() == name && (index < 0 || a->property("index").toInt() == index)) return a;
  return nullptr;
}

QWidget* Kandor::part(const QString& name, int index) const {
  for (QWidget* w : findChildren<QWidget*>())
    if (w->objectName() == name && (index < 0 || w->property("index").toInt() == index)) return w;
  return nullptr;
}

void Kandor::popup_at(const QPoint& global) { box_->popup(global); }

int Kandor::bar_width() const { return bar_->width(); }

// The volume knob's place in the bar, kept on the usable part of its track: its two ends are 0 and 100.
int Kandor::volume_knob_x(int x) const {
  const int first = volume_track_->x() + kVolumeLead;
  return std::clamp(x, first, volume_track_->x() + volume_track_->width() - volume_knob_->width());
}

void Kandor::resizeEvent(QResizeEvent*) { lay_out(); }

void Kandor::lay_out() {
  const int w = width(), h = height() - kBarHeight;
  if (w <= 0 || h <= 0) return;
  video_->setGeometry(0, 0, w, h);
  cover_->setGeometry(0, 0, w, h);
  logo_->move((w - logo_->width()) / 2, (h - logo_->height()) / 2);
  label1_->setGeometry(0, logo_->geometry().bottom() + 4, w, 24);
  bar_->setGeometry(0, h, w, kBarHeight);
  track_->setGeometry(0, kTrackTop, w, kTrackHeight + 4);
  full_button_->setGeometry(w - kEdge - kButton, kButtonTop, kButton, kButton);
  volume_track_->setGeometry(full_button_->x() - kGap - kVolumeWidth, kButtonTop, kVolumeWidth, kButton);
  menu_button_->setGeometry(volume_track_->x() - kGap - kButton, kButtonTop, kButton, kButton);
  volume_knob_->setGeometry(volume_track_->x() + kVolumeLead +
                                static_cast<int>(std::lround(vol_ / 100.0 * (kVolumeWidth - kKnob - kVolumeLead))),
                            kButtonTop + (kButton - kKnob) / 2, kKnob, kKnob);
  lay_out_texts();
  seek_knob_->setGeometry(static_cast<int>(std::lround((w - kKnob) * seek_ratio_)),
                          kTrackTop + kTrackHeight / 2 + 2 - kKnob / 2, kKnob, kKnob);
  im2_move();
}

// The time and the rate between the buttons and the menu button. Short of room the time gives way
// first (it is hidden rather than drawn under the menu button), then the rate.
void Kandor::lay_out_texts() {
  const int left = buttons_[3]->geometry().right() + 1 + 8, room = menu_button_->x() - 6 - left;
  label3_->ensurePolished();  // the bar's own font size comes with its style
  const QFontMetrics metrics(label3_->font());
  const int time_needs = metrics.horizontalAdvance(QStringLiteral("00:00:00/00:00:00 ")) + 4;
  const int rate_width = std::min(90, std::max(0, room));
  const int time_width = std::min(170, room - 6 - rate_width);
  const bool time_fits = time_width >= time_needs;
  label3_->setVisible(time_fits);
  label3_->setGeometry(left, kButtonTop, std::max(0, time_width), kButton);
  // The speed, when it is not 1.0, follows the time's text (in the room the time leaves, else after
  // it), and goes before the rate.
  const int speed_width = speed_label_->text().isEmpty() ? 0 : metrics.horizontalAdvance(QStringLiteral("0.75×")) + 6;
  const int after_time = time_fits ? label3_->geometry().right() + 1 + 6 : left;
  int speed_left = time_fits ? left + time_needs : left;
  if (time_fits && speed_left + speed_width > label3_->geometry().right() + 1) speed_left = after_time;
  speed_label_->setVisible(speed_width > 0 && speed_left + speed_width <= menu_button_->x() - 6);
  speed_label_->setGeometry(speed_left, kButtonTop, speed_width, kButton);
  const int rate_left =
      speed_label_->isVisible() ? std::max(after_time, speed_label_->geometry().right() + 1 + 6) : after_time;
  const int rate_room = std::min(rate_width, menu_button_->x() - 6 - rate_left);
  const bool rate_fits = rate_room >= metrics.horizontalAdvance(QStringLiteral("9999KB/S")) + 4;
  label5_->setVisible(rate_fits);
  label5_->setGeometry(rate_left, kButtonTop, std::max(0, rate_room), kButton);
}

void Kandor::ydbl(int kind, double ratio) {
  if (kind == 0) {
    seek_x_ = static_cast<int>(std::lround(ratio * (bar_width() - seek_knob_->width())));
    seek_knob_->move(seek_x_, seek_knob_->y());
    track_->update();
  } else {
    volume_knob_->move(
        volume_track_->x() + kVolumeLead +
            static_cast<int>(std::lround(ratio * (volume_track_->width() - volume_knob_->width() - kVolumeLead))),
        volume_knob_->y());
    volume_track_->update();
  }
}

void Kandor::jdt_wzgb(int kind, int x, int top, int apply) {
  if (kind == 0) {
    const int range = bar_width() - seek_knob_->width();
    if (x >= 0 && x < range) seek_knob_->move(x, top);
    track_->update();
    if (apply != 1 || range <= 0) return;
    seek_ratio_ = std::round(std::clamp(double(x) / range, 0.0, 1.0) * 1000) / 1000;
    const int position = static_cast<int>(seek_ratio_ * bcd_);  // no length yet: the start
    const bool polling = timer2_.isActive();
    timer2_.stop();
    if (engine_) engine_->setCurrentpos(position);
    if (polling) timer2_.start();
    return;
  }
  volume_knob_->move(x, top);
  volume_track_->update();
  if (apply != 1) return;
  const int range = volume_track_->width() - volume_knob_->width() - kVolumeLead;
  setVol(std::clamp(static_cast<int>(std::lround(double(x - kVolumeLead - volume_track_->x()) / range * 100)), 0, 100));
  if (engine_) engine_->setVolume(vol_);
  config::setting_access(1, vol_, config::kVolume);
}

void Kandor::seek_to(int seconds) {
  const int range = bar_width() - seek_knob_->width();
  if (bcd_ <= 0 || range <= 1) return;
  const int x = static_cast<int>(std::lround(std::clamp(double(seconds) / bcd_, 0.0, 1.0) * range));
  jdt_wzgb(0, std::min(x, range - 1), seek_knob_->y(), 1);
}

void Kandor::set_volume_level(int volume) {
  const int range = volume_track_->width() - volume_knob_->width() - kVolumeLead;
  const int x =
      volume_track_->x() + kVolumeLead + static_cast<int>(std::lround(std::clamp(volume, 0, 100) / 100.0 * range));
  jdt_wzgb(1, x, volume_knob_->y(), 1);
}

void Kandor::im2_move() {
  const double r = std::round(down_pct_ * 10) / 1000;
  strip_->setGeometry(0, kTrackTop, std::max(static_cast<int>(std::lround(r * width())), seek_x_), kTrackHeight + 4);
}

void Kandor::zmvb(int mode) {
  for (int i = 0; i < 4; ++i)
    spkj_s_[i]->setText((i == mode ? QStringLiteral("√") : QString()) + QString::fromUtf8(kFrameCaptions[i]));
}

void Kandor::spkj_system(int mode) {
  if (engine_) engine_->setViewframe(mode);
}

void Kandor::play_q_Click(int index) {
  switch (index) {
    case 0:
      if (bzt_ == engine::code(engine::PlayState::Playing)) q_pause();
      else if (engine_) engine_->Play();
      break;
    case 1: q_stop(); break;
    case 2:
      if (bzt_ == engine::code(engine::PlayState::Playing)) Image7_Click();
      break;
    case 3: h_play(prev_url_, neighbour_mode(), 0); break;
    case 4: h_play(next_url_, neighbour_mode(), 0); break;
    default: break;
  }
}

void Kandor::image4_click(int i) {
  switch (i) {
    case 0:
      if (engine_) engine_->Play();
      break;
    case 1: q_pause(); break;
    case 2: q_gh(prev_url_); break;
    case 3: q_gh(next_url_); break;
    default: break;
  }
}

void Kandor::csh_image() {
  for (BarButton* b : {buttons_[0], buttons_[1], buttons_[2], buttons_[3], menu_button_, full_button_})
    if (!b->underMouse()) b->set_look(BarButton::Normal);
}

// The bar's mouse: drags of the two knobs, clicks on the tracks, the covers' right and double clicks.
bool Kandor::bar_mouse(QWidget* w, QEvent* e) {
  auto* m = static_cast<QMouseEvent*>(e);
  const QPoint in_bar = w->mapTo(bar_, m->position().toPoint());
  // A second press soon after a click comes as a double click: on the bar it is a press like any other.
  const bool press = e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick;
  if (press && m->button() == Qt::LeftButton) {
    if (w == seek_knob_ || w == volume_knob_) {
      drag_kind_ = w == seek_knob_ ? 1 : 2;
      dragging_ = true;
      drag_offset_ = m->position().x();
      knob_top_ = w->y();
      return true;
    }
    if ((w == strip_ || w == track_) && in_bar.x() > 0 && in_bar.x() < bar_width() - seek_knob_->width()) {
      jdt_wzgb(0, in_bar.x(), seek_knob_->y(), 1);
      return true;
    }
    const int x = m->position().toPoint().x();
    if (w == volume_track_ && x < kVolumeLead) {  // the speaker: mute, and back
      toggle_mute();
      return true;
    }
    // A click on the track (after the speaker) centres the knob there; near an end it stops at the end.
    if (w == volume_track_ && x >= kVolumeLead && x < volume_track_->width()) {
      jdt_wzgb(1, volume_knob_x(volume_track_->x() + x - volume_knob_->width() / 2), volume_knob_->y(), 1);
      return true;
    }
  }
  if (e->type() == QEvent::MouseMove && dragging_ && (w == seek_knob_ || w == volume_knob_)) {
    const int x = std::max(0, static_cast<int>(in_bar.x() - drag_offset_));
    if (drag_kind_ == 1) jdt_wzgb(0, x, knob_top_, 1);
    else
      jdt_wzgb(1, volume_knob_x(static_cast<int>(in_bar.x() - drag_offset_)), knob_top_, 1);  // past an end: that end
    return true;
  }
  if (e->type() == QEvent::MouseButtonRelease && dragging_) {
    dragging_ = false;
    return true;
  }
  if (e->type() == QEvent::MouseMove && (w == bar_ || w == volume_track_)) csh_image();
  return false;
}

bool Kandor::eventFilter(QObject* watched, QEvent* e) {
  auto* w = qobject_cast<QWidget*>(watched);
  if (!w) return false;
  const QEvent::Type t = e->type();
  if (t != QEvent::MouseButtonPress && t != QEvent::MouseButtonRelease && t != QEvent::MouseMove &&
      t != QEvent::MouseButtonDblClick)
    return false;
  auto* m = static_cast<QMouseEvent*>(e);
  if (w == video_ || w == cover_) {  // the picture's surface (Picture2): menu and full screen
    if (t == QEvent::MouseButtonRelease && m->button() == Qt::RightButton) popup_at(m->globalPosition().toPoint());
    if (t == QEvent::MouseButtonDblClick && m->button() == Qt::LeftButton &&
        bzt_ == engine::code(engine::PlayState::Playing))
      Image7_Click();
    return false;
  }
  if (w == logo_ && t == QEvent::MouseButtonRelease && m->button() == Qt::LeftButton) {
    if (host_.command) host_.command(QStringLiteral("gfz"));
    return true;
  }
  return bar_mouse(w, e);
}

void Kandor::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space) return play_q_Click(0);
  if (event->key() == Qt::Key_Escape) return Image7_Click();
  QWidget::keyPressEvent(event);
}

void Kandor::focusOutEvent(QFocusEvent* event) {
  show_taskbar(true);
  QWidget::focusOutEvent(event);
}

}  // namespace player
