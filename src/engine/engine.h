#pragma once
#include <QList>
#include <QString>
#include <functional>

namespace engine {

// The engine's play states under the contract's numbers (published as such in the player's "bzt").
// 1 and 7 are numbers of the contract that no engine of ours reports.
enum class PlayState : int {
  Stopped = 0,
  Reserved1 = 1,
  Paused = 2,
  Playing = 3,
  Buffering = 4,
  Waiting = 5,
  Ended = 6,
  Reserved7 = 7,
  Reconnecting = 8,
  FetchingSeed = 9,
  Connecting = 10,
  Stopping = 11,
};

constexpr int code(PlayState s) { return static_cast<int>(s); }

// A track of the open item as the engine names it.
struct Track {
  int id = 0;
  QString type;  // "video", "audio" or "sub"
  QString lang, title;
  QString file;  // an external track's file ("" for one inside the item)
  bool selected = false;
};

// The streaming engine as the player drives it, under the names of the QVOD contract.
class Engine {
 public:
  virtual ~Engine() = default;
  virtual void setURL(const QString& address) = 0;  // "" stops
  virtual QString URL() const = 0;
  virtual void Play() = 0;
  virtual void pause() = 0;
  virtual PlayState playstate() const = 0;
  virtual int currentpos() const = 0;
  virtual void setCurrentpos(int seconds) = 0;
  virtual int duration() const = 0;
  virtual void setVolume(int volume) = 0;
  virtual int Downrate() = 0;            // KB/s (as last known: asking never waits)
  virtual int get_CurTaskProcess() = 0;  // tenths of a percent (as last known)
  virtual void StartNextDown(const QString& address) = 0;
  virtual void setShowcontrol(bool show) = 0;
  virtual void setViewframe(int mode) = 0;  // 0 fit, 1 fill, 2 4:3, 3 16:9
  // Why the address given last cannot be played ("" when it can, or nothing is known yet).
  virtual QString failure() const { return {}; }
  // What the user is to be told once about the play (no sound device, no picture); "" when nothing.
  virtual QString take_notice() { return {}; }

  // What other players offer besides the contract: the open item's tracks, speed, mute and a still
  // of the frame. An engine without them plays on with the defaults below.
  virtual QList<Track> tracks() const { return {}; }
  virtual void set_track(const QString& /*type*/, int /*id: 0 none*/) {}
  // A subtitle file for the item given last, added (and shown) once it is open.
  virtual void add_subtitle_file(const QString& /*path*/) {}
  virtual void set_speed(double /*factor*/) {}
  virtual double speed() const { return 1.0; }
  virtual void set_mute(bool /*mute*/) {}
  virtual bool muted() const { return false; }
  // The frame as it is shown, saved as the file at path; done gets "" or why it failed.
  using StillDone = std::function<void(const QString& failure)>;
  virtual void take_still(const QString& /*path*/, StillDone done) {
    if (done) done(QStringLiteral("播放引擎不支持截图"));
  }
};

}  // namespace engine
