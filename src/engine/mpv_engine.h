#pragma once
#include <QObject>
#include <QPointer>
#include <QWidget>

#include "engine/engine.h"
#include "engine/terminal_client.h"

struct mpv_handle;

namespace engine {

// The engine over libmpv. With a host widget the picture goes into that widget's native window;
// without one (or with null_output) nothing is drawn or heard, as in tests. libmpv's events
// reach Qt through its wakeup callback, which queues a slot: nothing blocks the GUI thread.
class MpvEngine : public QObject, public Engine {
  Q_OBJECT
 public:
  explicit MpvEngine(QWidget* host = nullptr, bool null_output = false, QObject* parent = nullptr);
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

 signals:
  void stateChanged(int state);

 private slots:
  void drain_events();

 private:
  enum class Phase { Stopped, Opening, Loaded, Ended };
  QString media_address(const QString& address);
  double number(const char* property) const;
  bool flag(const char* property) const;

  mpv_handle* mpv_ = nullptr;
  QString url_;
  QString qvod_hash_;
  QString failure_;
  Phase phase_ = Phase::Stopped;
  int signalled_state_ = 0;  // the state last said through stateChanged
  TerminalClient terminal_;
};

}  // namespace engine
