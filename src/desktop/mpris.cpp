#include "desktop/mpris.h"

#include <QCryptographicHash>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFileInfo>

namespace desktop {

namespace {

const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kNoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
constexpr int kPollMs = 250;
constexpr qint64 kSeekSlackUs = 2'500'000;  // the position is told in whole seconds each half second

QString status_name(MediaState::Status s) {
  switch (s) {
    case MediaState::Status::Playing: return QStringLiteral("Playing");
    case MediaState::Status::Paused: return QStringLiteral("Paused");
    default: return QStringLiteral("Stopped");
  }
}

QString track_of(const QString& address) {
  if (address.isEmpty()) return kNoTrack;
  return QStringLiteral("/org/morvane/track/") +
         QString::fromLatin1(QCryptographicHash::hash(address.toUtf8(), QCryptographicHash::Sha1).toHex());
}

// org.mpris.MediaPlayer2
class RootAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
  Q_PROPERTY(bool CanQuit READ can)
  Q_PROPERTY(bool CanRaise READ can)
  Q_PROPERTY(bool CanSetFullscreen READ cannot)
  Q_PROPERTY(bool Fullscreen READ cannot)
  Q_PROPERTY(bool HasTrackList READ cannot)
  Q_PROPERTY(QString Identity READ identity)
  Q_PROPERTY(QString DesktopEntry READ desktop_entry)
  Q_PROPERTY(QStringList SupportedUriSchemes READ schemes)
  Q_PROPERTY(QStringList SupportedMimeTypes READ mime_types)

 public:
  explicit RootAdaptor(Mpris* owner) : QDBusAbstractAdaptor(owner), owner_(owner) {}
  bool can() const { return true; }
  bool cannot() const { return false; }
  QString identity() const { return QStringLiteral("Morvane"); }
  QString desktop_entry() const { return QStringLiteral("morvane"); }
  QStringList schemes() const { return {"file", "http", "https", "qvod"}; }
  // The types of the desktop entry (MORVANE_MIME_TYPES of the build).
  QStringList mime_types() const { return QStringLiteral(MORVANE_MIME_TYPES).split(QLatin1Char(',')); }

 public slots:
  void Raise() { owner_->control().raise(); }
  void Quit() { owner_->control().quit(); }

 private:
  Mpris* owner_;
};

// org.mpris.MediaPlayer2.Player
class PlayerAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
  Q_PROPERTY(QString PlaybackStatus READ playback_status)
  Q_PROPERTY(double Rate READ rate WRITE set_rate)
  Q_PROPERTY(double MinimumRate READ rate)
  Q_PROPERTY(double MaximumRate READ rate)
  Q_PROPERTY(QVariantMap Metadata READ metadata)
  Q_PROPERTY(double Volume READ volume WRITE set_volume)
  Q_PROPERTY(qlonglong Position READ position)
  Q_PROPERTY(bool CanGoNext READ can_next)
  Q_PROPERTY(bool CanGoPrevious READ can_previous)
  Q_PROPERTY(bool CanPlay READ has_item)
  Q_PROPERTY(bool CanPause READ has_item)
  Q_PROPERTY(bool CanSeek READ can_seek)
  Q_PROPERTY(bool CanControl READ can_control)

 public:
  explicit PlayerAdaptor(Mpris* owner) : QDBusAbstractAdaptor(owner), owner_(owner) {
    connect(owner, &Mpris::seeked, this, &PlayerAdaptor::Seeked);
  }
  QString playback_status() const { return value("PlaybackStatus").toString(); }
  double rate() const { return 1.0; }
  void set_rate(double) {}  // the player has one speed
  QVariantMap metadata() const { return value("Metadata").toMap(); }
  double volume() const { return value("Volume").toDouble(); }
  void set_volume(double v) {
    act([&] { owner_->control().set_volume(std::clamp(v, 0.0, 1.0)); });
  }
  qlonglong position() const { return owner_->control().state().position_us; }
  bool can_next() const { return value("CanGoNext").toBool(); }
  bool can_previous() const { return value("CanGoPrevious").toBool(); }
  bool has_item() const { return value("CanPlay").toBool(); }
  bool can_seek() const { return value("CanSeek").toBool(); }
  bool can_control() const { return true; }

 public slots:
  void Next() { act(owner_->control().next); }
  void Previous() { act(owner_->control().previous); }
  void PlayPause() { act(owner_->control().play_pause); }
  void Stop() { act(owner_->control().stop); }
  void Play() {
    if (playback_status() == QLatin1String("Paused")) act(owner_->control().play_pause);
  }
  void Pause() {
    if (playback_status() == QLatin1String("Playing")) act(owner_->control().play_pause);
  }
  void Seek(qlonglong offset_us) {
    if (!can_seek()) return;
    const MediaState s = owner_->control().state();
    const qint64 to = s.position_us + offset_us;
    if (to > s.length_us) return act(owner_->control().next);  // past the end: the next item, as MPRIS says
    act([&] { owner_->control().seek_to(std::max<qint64>(0, to)); });
  }
  void SetPosition(const QDBusObjectPath& track, qlonglong position_us) {
    const MediaState s = owner_->control().state();
    if (track.path() != owner_->track_id() || position_us < 0 || position_us > s.length_us) return;
    act([&] { owner_->control().seek_to(position_us); });
  }
  void OpenUri(const QString& uri) {
    act([&] { owner_->control().open_uri(uri); });
  }

 signals:
  void Seeked(qlonglong position_us);

 private:
  QVariant value(const char* name) const { return owner_->player_properties().value(QString::fromLatin1(name)); }
  template <typename F>
  void act(const F& routine) {
    routine();
    owner_->refresh();
  }
  Mpris* owner_;
};

// A session bus to join: named by the environment, or the user's bus in the runtime folder. None
// is started for the client (libdbus would otherwise launch one that outlives it).
bool session_bus_present() {
  if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return true;
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  return !runtime.isEmpty() && QFileInfo(runtime + QStringLiteral("/bus")).exists();
}

}  // namespace

Mpris::Mpris(MediaControl control, QObject* parent) : QObject(parent), control_(std::move(control)) {
  new RootAdaptor(this);
  new PlayerAdaptor(this);
  if (!session_bus_present()) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  registered_ = bus.registerObject(kPath, this) && bus.registerService(QString::fromLatin1(kService));
  if (!registered_) return;
  const MediaState s = control_.state();
  told_ = properties_of(s);
  told_position_ = s.position_us;
  since_told_.start();
  connect(&poll_, &QTimer::timeout, this, &Mpris::refresh);
  poll_.start(kPollMs);
}

Mpris::~Mpris() {
  if (!registered_) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  bus.unregisterService(QString::fromLatin1(kService));
  bus.unregisterObject(kPath);
}

QString Mpris::track_id() const { return track_of(control_.state().address); }

QVariantMap Mpris::player_properties() const { return properties_of(control_.state()); }

QVariantMap Mpris::properties_of(const MediaState& s) {
  const bool item = !s.address.isEmpty();
  QVariantMap metadata{{"mpris:trackid", QVariant::fromValue(QDBusObjectPath(track_of(s.address)))}};
  if (item) {
    metadata.insert("xesam:title", s.title);
    metadata.insert("xesam:url", s.address);
    if (s.length_us > 0) metadata.insert("mpris:length", s.length_us);
    if (!s.album.isEmpty()) metadata.insert("xesam:album", s.album);
    if (!s.art_url.isEmpty()) metadata.insert("mpris:artUrl", s.art_url);
  }
  return {{"PlaybackStatus", status_name(s.status)},
          {"Metadata", metadata},
          {"Volume", s.volume},
          {"CanGoNext", s.can_next},
          {"CanGoPrevious", s.can_previous},
          {"CanPlay", item},
          {"CanPause", item},
          {"CanSeek", item && s.length_us > 0}};
}

void Mpris::refresh() {
  if (!registered_) return;
  const MediaState s = control_.state();  // asked once per look
  const QVariantMap now = properties_of(s);
  QVariantMap changed;
  for (auto it = now.begin(); it != now.end(); ++it)
    if (told_.value(it.key()) != it.value()) changed.insert(it.key(), it.value());
  const bool new_track = changed.contains("Metadata") && now["Metadata"].toMap().value("mpris:trackid") !=
                                                             told_["Metadata"].toMap().value("mpris:trackid");
  told_ = now;
  if (!changed.isEmpty()) tell_changed("org.mpris.MediaPlayer2.Player", changed);
  // Position is not signalled as it runs; a jump is (Seeked), and so is a new item's start.
  const qint64 expected = told_position_ + (s.status == MediaState::Status::Playing ? since_told_.elapsed() * 1000 : 0);
  if (!new_track && s.position_us != told_position_ && std::llabs(s.position_us - expected) > kSeekSlackUs)
    emit seeked(s.position_us);
  told_position_ = s.position_us;
  since_told_.restart();
}

void Mpris::tell_changed(const char* interface, const QVariantMap& changed) {
  QDBusMessage signal = QDBusMessage::createSignal(kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                   QStringLiteral("PropertiesChanged"));
  signal << QString::fromLatin1(interface) << changed << QStringList();
  QDBusConnection::sessionBus().send(signal);
}

}  // namespace desktop

#include "mpris.moc"
