#pragma once
#include <QFileSystemWatcher>
#include <QHash>
#include <QPointer>
#include <QTimer>
#include <QVariant>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "engine/engine.h"
#include "engine/terminal_link.h"
#include "player/now_playing.h"

class QLabel;
class QMenu;
class QAction;

namespace engine {
class Engine;
}

namespace player {

class BarButton;
class Knob;

// Whether the platform can show the engine's picture (the test platforms without GL cannot).
bool has_picture_platform();

// What the player needs of the window that hosts it.
struct KandorHost {
  std::function<void()> start_terminal;                                      // the main window's zrqv
  std::function<void(const QString&)> now_playing_label;                     // the now-playing line above the player
  std::function<std::optional<int>(const QString& address, int mo)> record;  // the history: a play begins
  std::function<void(const QString& address, int mo, int position)> save_position;
  std::function<void(const QString& item)> command;     // a main-window menu item by its name ("fd_1", "hcgl", ...)
  std::function<QString(const QString& item)> caption;  // the caption of a main-window menu item
  std::function<void(int mode)> power_saving;           // 0: keep the screen awake; else: as before
  std::function<QString()> play_list;                   // the episodes of the title being played ("@@@")
  std::function<void(const QString&)> status_text;      // the window's status line (what a still became)
};

// The client's player widget: the engine's picture, its covers, its own control bar and popup menu,
// full screen, and the half-second poll that follows the engine. Its members are called by name.
class Kandor : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString furl READ furl WRITE setFurl NOTIFY furlChanged)
  Q_PROPERTY(QString fname READ fname WRITE setFname NOTIFY fnameChanged)
  Q_PROPERTY(int bzt READ bzt WRITE setBzt NOTIFY bztChanged)
  Q_PROPERTY(int vol READ vol WRITE setVol NOTIFY volChanged)
  Q_PROPERTY(int bwz READ bwz WRITE setBwz NOTIFY bwzChanged)
  Q_PROPERTY(int bcd READ bcd WRITE setBcd NOTIFY bcdChanged)
  Q_PROPERTY(qulonglong hWnd READ hWnd)
  Q_PROPERTY(int full READ full WRITE setFull NOTIFY fullChanged)
  Q_PROPERTY(QString qlj READ qlj WRITE setQlj NOTIFY qljChanged)
  Q_PROPERTY(QWidget* phwnd READ phwnd WRITE setPhwnd)
  Q_PROPERTY(int zfull READ zfull WRITE setZfull)
  Q_PROPERTY(int zxyj READ zxyj WRITE setZxyj)
  Q_PROPERTY(int zgj READ zgj WRITE setZgj)

 public:
  // The engine the player creates in zrqvds; the default is libmpv in the video area (no picture
  // and no sound where there is no display, as in tests).
  using EngineFactory = std::function<std::unique_ptr<engine::Engine>(QWidget* video_area)>;

  // now: where the player says what it plays and how far (the session's).
  Kandor(KandorHost host, NowPlaying& now, QWidget* parent = nullptr);
  ~Kandor() override;
  void set_engine_factory(EngineFactory f) { engine_factory_ = std::move(f); }

  // The persisted properties under their bag keys; a missing "vol" comes from the settings.
  QVariantMap property_bag() const;
  void restore_properties(const QVariantMap& bag);

  QString furl() const { return furl_; }
  void setFurl(const QString& v);
  QString fname() const { return fname_; }
  void setFname(const QString& v);
  int bzt() const { return bzt_; }
  void setBzt(int v);
  int vol() const { return vol_; }
  void setVol(int v);
  int bwz() const { return bwz_; }
  void setBwz(int v);
  int bcd() const { return bcd_; }
  void setBcd(int v);
  // The window the player is in (the player itself has no native window of its own).
  qulonglong hWnd() const { return static_cast<qulonglong>(window()->winId()); }
  int full() const { return full_; }
  void setFull(int v);
  QString qlj() const { return qlj_; }
  void setQlj(const QString& v);
  QWidget* phwnd() const { return phwnd_; }
  void setPhwnd(QWidget* w) { phwnd_ = w; }
  int zfull() const { return zfull_; }
  void setZfull(int v);
  int zxyj() const { return zxyj_; }
  void setZxyj(int v);
  int zgj() const { return zgj_; }
  void setZgj(int v);

  Q_INVOKABLE void zrqvds();
  Q_INVOKABLE void h_play(const QString& address, int mo, const QVariant& jd);
  Q_INVOKABLE void q_gh(const QString& address);
  Q_INVOKABLE void q_play(int mo, int start);
  Q_INVOKABLE void q_stop();
  Q_INVOKABLE void q_pause();
  Q_INVOKABLE void system_zzt(const QVariant& state, const QVariant& position, const QVariant& duration);
  Q_INVOKABLE QString hq_wjm(const QString& address) const;
  Q_INVOKABLE QString GetContent(const QString& text, const QString& a, const QString& b, int mode) const;
  Q_INVOKABLE void jz_l3(const QString& text);
  Q_INVOKABLE void ydbl(int kind, double ratio);
  Q_INVOKABLE void jdt_wzgb(int kind, int x, int top, int apply);
  Q_INVOKABLE void im2_move();
  Q_INVOKABLE void spkj_system(int mode);
  Q_INVOKABLE void zmvb(int mode);
  Q_INVOKABLE void gj_mod(const QVariant& mode);
  Q_INVOKABLE void gj_xw();
  Q_INVOKABLE void UserControl_Terminate();
  Q_INVOKABLE void Image7_Click();
  Q_INVOKABLE void play_q_Click(int index);
  Q_INVOKABLE void show_taskbar(bool show);
  Q_INVOKABLE void show_covers(int mode);
  Q_INVOKABLE static QString scsjm(int seconds);

  // The bar's own seek and volume routines driven from outside (the desktop's media controls): the
  // knob placed at that second or level and applied as a drag lets go.
  void seek_to(int seconds);
  void set_volume_level(int volume);
  bool has_previous() const { return !prev_url_.isEmpty(); }
  bool has_next() const { return !next_url_.isEmpty(); }

  // What other players offer besides the Part's: tracks, speed, mute, a still (kandor_extras.cpp).
  // Mute and speed last for the session; the tracks chosen are the play's own; a subtitle file
  // chosen for an item is added again whenever that item plays.
  void toggle_mute();
  bool muted() const { return muted_; }
  void set_speed(double factor);
  void step_speed(int step);  // to the next slower (-1) or faster (1) of the popup's speeds
  double speed() const { return speed_; }
  void seek_by(int seconds);  // from where the play is, within the item
  void take_still();
  static QString still_folder();  // the user's pictures folder's Morvane folder

  // The option routines' view of the shutdown option (the main window's flag), for gj_xw.
  std::function<bool()> shutdown_on;
  std::function<void()> opt_shutdown;

  // State for the host and tests.
  engine::Engine* engine() const { return engine_.get(); }
  const NowPlaying& now_playing() const { return now_; }
  QString prev_url() const { return prev_url_; }
  QString next_url() const { return next_url_; }
  double down_pct() const { return down_pct_; }
  bool polling() const { return timer2_.isActive(); }
  // The terminal of the state file runs and has answered this player: a play goes straight to it.
  bool terminal_answers() const;
  QWidget* part(const QString& name, int index = -1) const;  // a child by its control name
  QMenu* popup() const { return box_; }
  QAction* popup_item(const QString& name, int index = -1) const;
  void Timer2_Timer();  // the fast poll (public for tests that step it)

 signals:
  void furlChanged();
  void fnameChanged();
  void bztChanged();
  void volChanged();
  void bwzChanged();
  void bcdChanged();
  void fullChanged();
  void qljChanged();
  // Any persisted property changed (its bag key), as the host's property notification.
  void propertyChanged(const QString& name);

 protected:
  void resizeEvent(QResizeEvent*) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  // kandor_bar.cpp
  void build_parts();
  void build_popup();
  void lay_out();
  void lay_out_texts();
  void image4_click(int i);
  void popup_at(const QPoint& global);
  void show_option_captions();
  void csh_image();
  bool bar_mouse(QWidget* w, QEvent* e);
  int bar_width() const;
  int volume_knob_x(int x) const;
  // kandor_extras.cpp
  void build_extras();
  void refresh_extras();
  int fill_tracks(QMenu* menu, const QString& type, const QList<engine::Track>& tracks);
  void choose_track(const QString& type, int id);
  void load_subtitle_file();
  void apply_session_choices();
  void say_status(const QString& text);
  void show_speed();
  bool item_open() const;
  // kandor_poll.cpp
  void slow_poll(engine::PlayState ps);
  void end_of_play();
  void mouse_idle_step();
  void show_cursor();
  void hide_cursor();
  // kandor_core.cpp
  void find_neighbours();
  // The kind a neighbour is played as: a title's episodes as the title's (1); the files the user
  // handed over as free addresses (0), so that each keeps a history entry of its own.
  int neighbour_mode() const { return mo_ == 0 ? 0 : 1; }
  void wait_for_terminal(int mo, int start);
  void terminal_tick();
  void ask_terminal();
  void say_failure();
  void watch_terminal_state();
  void changed(const char* key);
  bool minimised() const;

  KandorHost host_;
  NowPlaying& now_;
  EngineFactory engine_factory_;
  std::unique_ptr<engine::Engine> engine_;

  // persisted properties
  QString furl_, fname_, qlj_;
  int bzt_ = 0, vol_ = 100, bwz_ = 0, bcd_ = 0, full_ = 0, zfull_ = 0, zxyj_ = 0, zgj_ = 0;
  QPointer<QWidget> phwnd_;

  // private state of a play
  QString prev_url_, next_url_;
  int start_pos_ = 0;
  bool failure_said_ = false;
  int mo_ = 0;
  bool net_source_ = false;  // the item streams through the terminal
  double down_pct_ = 0;
  int tick_ = 0, trim_count_ = 0;
  bool play_sent_ = false, fs_done_ = false, buttons_done_ = false, preload_done_ = false;
  bool taskbar_shown_ = true;
  QRect saved_geometry_;
  QPoint last_cursor_;
  int idle_ticks_ = 0;
  int seek_x_ = 0;
  int cursor_hidden_ = 0;  // how often the blank cursor is pushed (the display count below 1)

  // the session's choices
  double speed_ = 1.0;
  bool muted_ = false;
  QHash<QString, QString> subtitle_files_;  // an item's address: the subtitle file chosen for it
  int status_serial_ = 0;                   // which status text a later restore of the line is about

  // drag state
  int drag_kind_ = 0;
  bool dragging_ = false;
  double drag_offset_ = 0;
  int knob_top_ = 0;
  double seek_ratio_ = 0;
  bool hover_reset_ = false;

  QTimer timer2_;
  QTimer terminal_wait_;
  QFileSystemWatcher* terminal_watch_ = nullptr;  // the state file's folder, while a play waits
  int terminal_waited_ = 0;
  bool terminal_asked_ = false;  // a question to the terminal is out
  int terminal_mo_ = 0;          // the play that waits for it
  engine::TerminalLink terminal_link_;

  // parts
  QWidget* video_ = nullptr;  // the picture area ("Qvod"): engine::PictureArea where there is GL
  QWidget* cover_ = nullptr;  // Picture4
  QLabel* logo_ = nullptr;    // Picture5
  QLabel* label1_ = nullptr;
  QWidget* bar_ = nullptr;  // picture6
  BarButton* buttons_[4] = {};
  QWidget* strip_ = nullptr;          // Image2
  QWidget* track_ = nullptr;          // Label2
  Knob* seek_knob_ = nullptr;         // Picture7
  BarButton* menu_button_ = nullptr;  // Image3
  QWidget* volume_track_ = nullptr;   // Image6
  Knob* volume_knob_ = nullptr;       // Picture8
  BarButton* full_button_ = nullptr;  // Image7
  QLabel* label3_ = nullptr;
  QLabel* label5_ = nullptr;
  QMenu* box_ = nullptr;
  QAction* play_q_[5] = {};  // play/pause, stop, full screen, previous, next
  QAction* spkj_s_[4] = {};  // the frame modes
  QAction *z_f_ = nullptr, *auto_next_ = nullptr, *close_gj_ = nullptr;
  QMenu *subtitles_ = nullptr, *audio_tracks_ = nullptr, *speeds_ = nullptr;
  QAction *mute_item_ = nullptr, *still_item_ = nullptr;
  QLabel* speed_label_ = nullptr;  // Label6: the speed beside the time, when it is not 1.0
};

}  // namespace player
