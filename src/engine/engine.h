#pragma once
#include <QString>

namespace engine {

// The streaming engine as the player drives it, under the names of the QVOD contract.
// Play states: 0 stopped, 2 paused, 3 playing, 4 buffering, 6 ended, 10 connecting.
class Engine {
 public:
  virtual ~Engine() = default;
  virtual void setURL(const QString& address) = 0;  // "" stops
  virtual QString URL() const = 0;
  virtual void Play() = 0;
  virtual void pause() = 0;
  virtual int playstate() const = 0;
  virtual int currentpos() const = 0;
  virtual void setCurrentpos(int seconds) = 0;
  virtual int duration() const = 0;
  virtual void setVolume(int volume) = 0;
  virtual int Downrate() = 0;             // KB/s (as last known: asking never waits)
  virtual int get_CurTaskProcess() = 0;   // tenths of a percent (as last known)
  virtual void StartNextDown(const QString& address) = 0;
  virtual void setShowcontrol(bool show) = 0;
  virtual void setViewframe(int mode) = 0;      // 0 fit, 1 fill, 2 4:3, 3 16:9
  // Why the address given last cannot be played ("" when it can, or nothing is known yet).
  virtual QString failure() const { return {}; }
  // What the user is to be told once about the play (no sound device, no picture); "" when nothing.
  virtual QString take_notice() { return {}; }
};

}  // namespace engine
