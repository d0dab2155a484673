#pragma once
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "engine/engine.h"
#include "engine/picture_area.h"
#include "engine/terminal_client.h"
#include "engine/terminal_link.h"

struct mpv_handle;
struct mpv_event_log_message;
struct mpv_event_property;
struct mpv_node;

namespace engine {

// The engine over libmpv. With a picture area the frames are drawn there through libmpv's render
// API; without one nothing is drawn. Sound plays wherever an audio output opens, unless the engine
// is made silent (tests). libmpv's events reach Qt through its wakeup callback, which queues a slot.
// libmpv is opened and its player made on a thread of its own; the calls to it asked for until
// then are kept and made, in order, once it is there.
class MpvEngine : public QObject, public Engine {
  Q_OBJECT
 public:
  explicit MpvEngine(PictureArea* picture = nullptr, bool silent = false, QObject* parent = nullptr);
  ~MpvEngine() override;

  void setURL(const QString& address) override;
  QString URL() const override { return url_; }
  void Play() override;
  void pause() override;
  PlayState playstate() const override;
  int currentpos() const override;
  void setCurrentpos(int seconds) override;
  int duration() const override;
  void setVolume(int volume) override;
  int Downrate() override;
  int get_CurTaskProcess() override;
  void StartNextDown(const QString& address) override;
  void setShowcontrol(bool show) override;
  void setViewframe(int mode) override;

  // Why the last qvod address could not be played ("" when it could).
  QString failure() const override { return failure_; }
  QString take_notice() override { return std::exchange(notice_, QString()); }

  QList<Track> tracks() const override { return seen_.tracks; }
  void set_track(const QString& type, int id) override;
  void add_subtitle_file(const QString& path) override;
  void set_speed(double factor) override;
  double speed() const override { return seen_.speed; }
  void set_mute(bool mute) override;
  bool muted() const override { return seen_.mute; }
  void take_still(const QString& path, StillDone done) override;

 signals:
  void stateChanged(engine::PlayState state);

 private slots:
  void drain_events();

 private:
  enum class Phase { Stopped, Opening, Loaded, Ended };
  // What libmpv last reported of the properties the player reads.
  struct Observed {
    bool pause = false, paused_for_cache = false, seeking = false, eof_reached = false;
    double duration = 0, time_pos = 0, cache_speed = 0, demuxer_cache_duration = 0;
    QString audio_output, video_output;  // empty: none opened
    double speed = 1.0;                  // the session's, kept from item to item
    bool mute = false;
    bool audio_track = false, video_track = false;
    QList<Track> tracks = {};
  };
  void start(bool picture, bool silent);
  void adopt(mpv_handle* mpv);
  bool later(std::function<void()> call);
  void picture_ready();
  // libmpv's asynchronous calls: kept, in order, until the player is there.
  void set_async(const char* property, const char* value);
  void set_number(const char* property, double value);
  void command(const QList<QByteArray>& args, uint64_t reply_tag = 0);
  void take_change(const mpv_event_property* p);
  void take_tracks(const mpv_node* list);
  void add_subtitles_now(const QString& path);
  void command_done(uint64_t tag, int error);
  void check_outputs();
  void log_message(const mpv_event_log_message* m);
  void load(const QString& media);
  void say_state();

  QPointer<PictureArea> picture_;
  mpv_handle* mpv_ = nullptr;
  std::thread starter_;                      // opens libmpv and makes the player
  std::atomic<mpv_handle*> made_ = nullptr;  // what it made, until the GUI thread takes it up
  bool starting_ = true;
  bool attached_ = false;                     // the picture area draws this engine's frames
  std::vector<std::function<void()>> asked_;  // asked before the player was there
  QString url_;
  QString qvod_hash_;
  QString failure_;
  Observed seen_;
  QString notice_;  // what the user is told once about this play's outputs
  bool outputs_checked_ = false;
  int load_serial_ = 0;  // which item a late look at the outputs is about
  int logged_ = 0;       // libmpv's lines logged for this play (a noisy file does not fill the log)
  Phase phase_ = Phase::Stopped;
  PlayState signalled_state_ = PlayState::Stopped;  // the state last said through stateChanged
  TerminalLink terminal_;
  QStringList pending_subtitles_;      // for the item given last, added once it is open
  QHash<uint64_t, StillDone> stills_;  // stills asked for, by their command's tag
  uint64_t next_tag_ = 1000;
};

}  // namespace engine
