#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>
#include <functional>

namespace desktop {

// What the player is doing, as the desktop's media controls see it.
struct MediaState {
  enum class Status { Stopped, Paused, Playing } status = Status::Stopped;
  QString address;  // the item loaded, "" when none
  QString title;    // the item's name
  QString album;    // the catalogue title's name ("" for a free address)
  QString art_url;  // the title's cover, when one is stored
  qint64 length_us = 0;
  qint64 position_us = 0;
  double volume = 1.0;  // 0..1
  bool can_next = false;
  bool can_previous = false;
};

// The client's routines behind the media controls: each is the one its menu item or bar control
// runs, so that there is one state.
struct MediaControl {
  std::function<MediaState()> state;
  std::function<void()> raise, quit, play_pause, stop, next, previous;
  std::function<void(qint64 position_us)> seek_to;
  std::function<void(double volume)> set_volume;
  std::function<void(const QString& uri)> open_uri;
};

// org.mpris.MediaPlayer2.morvane on the session bus while the client runs: media keys, desktop
// panels and playerctl reach the player through it. Without a session bus nothing happens.
class Mpris : public QObject {
  Q_OBJECT
 public:
  static constexpr const char* kService = "org.mpris.MediaPlayer2.morvane";
  explicit Mpris(MediaControl control, QObject* parent = nullptr);
  ~Mpris() override;
  bool registered() const { return registered_; }
  const MediaControl& control() const { return control_; }
  // The properties of the Player interface now (mpris:trackid and the rest).
  QVariantMap player_properties() const;
  // Compares the player's state with the last one told and signals what changed (its timer calls
  // this; the methods too, right after they act).
  void refresh();
  // A method's view of the item: its track id, or "" when nothing is loaded.
  QString track_id() const;

 signals:
  void seeked(qint64 position_us);

 private:
  static QVariantMap properties_of(const MediaState& s);
  void tell_changed(const char* interface, const QVariantMap& changed);
  MediaControl control_;
  bool registered_ = false;
  QTimer poll_;
  QVariantMap told_;  // the Player properties last signalled (Position aside)
  qint64 told_position_ = 0;
  QElapsedTimer since_told_;
};

}  // namespace desktop
