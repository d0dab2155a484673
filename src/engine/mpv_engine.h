#pragma once
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <utility>

#include "engine/engine.h"
#include "engine/picture_area.h"
#include "engine/terminal_client.h"

struct mpv_handle;
struct mpv_event_log_message;

namespace engine {

// The engine over libmpv. With a picture area the frames are drawn there through libmpv's render
// API; without one nothing is drawn. Sound plays wherever an audio output opens, unless the engine
// is made silent (tests). libmpv's events reach Qt through its wakeup callback, which queues a slot.
class MpvEngine : public QObject, public Engine {
  Q_OBJECT
 public:
  explicit MpvEngine(PictureArea* picture = nullptr, bool silent = false, QObject* parent = nullptr);
  ~MpvEngine() override;

  void setURL(const QString& address) override;
  QString URL() const override { return url_; }
  void Play() override;
  void pause() override;
  int playstate() const override;
  int currentpos() const override;
  void setCurrentpos(int seconds) override;
  int duration() const override;
  void setVolume(int volume) override;
  int Downrate() const override;
  int get_CurTaskProcess() const override;
  void StartNextDown(const QString& address) override;
  void setShowcontrol(bool show) override;
  void setViewframe(int mode) override;

  // Why the last qvod address could not be played ("" when it could).
  QString failure() const override { return failure_; }
  QString take_notice() override { return std::exchange(notice_, QString()); }

 signals:
  void stateChanged(int state);

 private slots:
  void drain_events();

 private:
  enum class Phase { Stopped, Opening, Loaded, Ended };
  void picture_ready();
  void check_outputs();
  void log_message(const mpv_event_log_message* m);
  bool has_track(const char* type) const;
  QString media_address(const QString& address);
  double number(const char* property) const;
  bool flag(const char* property) const;

  QPointer<PictureArea> picture_;
  mpv_handle* mpv_ = nullptr;
  QString url_;
  QString qvod_hash_;
  QString failure_;
  QString notice_;           // what the user is told once about this play's outputs
  bool outputs_checked_ = false;
  int logged_ = 0;           // libmpv's lines logged for this play (a noisy file does not fill the log)
  Phase phase_ = Phase::Stopped;
  int signalled_state_ = 0;  // the state last said through stateChanged
  TerminalClient terminal_;
};

}  // namespace engine
