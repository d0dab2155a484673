#include "engine/mpv_engine.h"

#include <QFileInfo>
#include <QMetaObject>
#include <clocale>
#include <mpv/client.h>

#include "engine/picture_area.h"
#include "engine/terminal/qvod_item.h"
#include "platform/log.h"

namespace engine {

namespace {

void wake_up(void* ctx) {
  QMetaObject::invokeMethod(static_cast<QObject*>(ctx), "drain_events", Qt::QueuedConnection);
}

bool is_local(const QString& address) {
  return !address.contains(QLatin1String("://")) || address.startsWith(QLatin1String("file://"));
}

constexpr uint64_t kPositionChange = 1;  // the tag of the position's change events

}  // namespace

MpvEngine::MpvEngine(PictureArea* picture, bool silent, QObject* parent) : QObject(parent), picture_(picture) {
  std::setlocale(LC_NUMERIC, "C");  // libmpv requires it
  mpv_ = mpv_create();
  if (!mpv_) return;
  // The picture goes to the picture area through the render API; without one nothing is drawn.
  // Sound never depends on the picture: only an engine asked to be silent has no audio output.
  mpv_set_option_string(mpv_, "vo", picture ? "libmpv" : "null");
  if (silent) mpv_set_option_string(mpv_, "ao", "null");
  mpv_set_option_string(mpv_, "hwdec", "auto-safe");  // the GPU's decoder where one works, else the CPU
  mpv_set_option_string(mpv_, "keep-open", "yes");  // the last frame stays; the end is a state
  mpv_set_option_string(mpv_, "idle", "yes");
  mpv_set_option_string(mpv_, "osc", "no");
  mpv_set_option_string(mpv_, "input-default-bindings", "no");
  mpv_set_option_string(mpv_, "input-vo-keyboard", "no");
  mpv_set_option_string(mpv_, "terminal", "no");
  mpv_set_option_string(mpv_, "cache", "yes");
  mpv_initialize(mpv_);
  mpv_request_log_messages(mpv_, "warn");  // libmpv's warnings and errors go to the client's log
  // The state is read from these: each of their changes wakes the engine up, so that every change
  // of the state is said (a play that leaves buffering has no event of its own).
  for (const char* name : {"pause", "paused-for-cache", "seeking", "duration", "eof-reached"})
    mpv_observe_property(mpv_, 0, name, MPV_FORMAT_NONE);
  mpv_observe_property(mpv_, kPositionChange, "time-pos", MPV_FORMAT_NONE);
  mpv_set_wakeup_callback(mpv_, wake_up, this);
  if (picture_) picture_->attach(mpv_, [this] { picture_ready(); });
}

MpvEngine::~MpvEngine() {
  if (!mpv_) return;
  if (picture_) picture_->detach();  // the render context goes before the handle
  mpv_set_wakeup_callback(mpv_, nullptr, nullptr);
  mpv_terminate_destroy(mpv_);
}

// The picture area has its render context now: a file opened before it did had no picture to go
// to, and gets one (its video track is chosen again; the play goes on where it is).
void MpvEngine::picture_ready() {
  if (!mpv_ || phase_ == Phase::Stopped) return;
  mpv_set_property_string(mpv_, "vid", "auto");
}

QString MpvEngine::media_address(const QString& address) {
  qvod_hash_.clear();
  failure_.clear();
  if (!address.contains(QLatin1String("qvod://"))) return address;
  QString why;
  const auto item = terminal::parse_qvod(address, &why);
  if (!item) {
    failure_ = why;
    return {};
  }
  const QJsonObject task = terminal_.start(address);
  if (task.isEmpty() || task.value("state").toString() == QLatin1String("failed")) {
    failure_ = task.isEmpty() ? QStringLiteral("播放引擎未运行") : task.value("reason").toString();
    return {};
  }
  qvod_hash_ = item->hash;
  return terminal_.stream_address(item->hash, item->name);
}

void MpvEngine::setURL(const QString& address) {
  url_ = address;
  if (!mpv_) return;
  if (address.isEmpty()) {
    const char* stop[] = {"stop", nullptr};
    mpv_command_async(mpv_, 0, stop);
    phase_ = Phase::Stopped;
    return;
  }
  notice_.clear();
  outputs_checked_ = false;
  logged_ = 0;
  const QByteArray media = media_address(address).toUtf8();
  if (media.isEmpty()) {
    phase_ = Phase::Stopped;
    return;
  }
  int no = 0;
  mpv_set_property(mpv_, "pause", MPV_FORMAT_FLAG, &no);
  // An item of the terminal is on this machine's disk already, and so is a local file: no read-ahead
  // cache for those (it would hold hundreds of MiB of a large file). Streams from the web keep theirs.
  const bool on_disk = !qvod_hash_.isEmpty() || is_local(url_);
  const char* load[] = {"loadfile", media.constData(), "replace", on_disk ? "cache=no" : "cache=yes", nullptr};
  mpv_command_async(mpv_, 0, load);
  phase_ = Phase::Opening;
}

void MpvEngine::Play() {
  if (!mpv_) return;
  int no = 0;
  mpv_set_property(mpv_, "pause", MPV_FORMAT_FLAG, &no);
}

void MpvEngine::pause() {
  if (!mpv_) return;
  int yes = 1;
  mpv_set_property(mpv_, "pause", MPV_FORMAT_FLAG, &yes);
}

double MpvEngine::number(const char* property) const {
  double v = 0;
  if (!mpv_ || mpv_get_property(mpv_, property, MPV_FORMAT_DOUBLE, &v) < 0) return 0;
  return v;
}

bool MpvEngine::flag(const char* property) const {
  int v = 0;
  if (!mpv_ || mpv_get_property(mpv_, property, MPV_FORMAT_FLAG, &v) < 0) return false;
  return v != 0;
}

int MpvEngine::playstate() const {
  switch (phase_) {
    case Phase::Stopped: return 0;
    case Phase::Opening: return 10;
    case Phase::Ended: return 6;
    case Phase::Loaded: break;
  }
  if (flag("eof-reached")) return 6;
  if (flag("pause")) return 2;
  if (flag("paused-for-cache") || flag("seeking")) return 4;
  // Playing, as far as the player is concerned, once the length is known; a stream that has none
  // counts as playing once its picture moves.
  if (number("duration") <= 0 && number("time-pos") < 0.5) return 4;
  return 3;
}

int MpvEngine::currentpos() const { return static_cast<int>(number("time-pos")); }

void MpvEngine::setCurrentpos(int seconds) {
  if (!mpv_) return;
  const QByteArray at = QByteArray::number(seconds);
  const char* seek[] = {"seek", at.constData(), "absolute", nullptr};
  mpv_command_async(mpv_, 0, seek);
}

int MpvEngine::duration() const { return static_cast<int>(number("duration")); }

void MpvEngine::setVolume(int volume) {
  if (!mpv_) return;
  double v = std::clamp(volume, 0, 100);
  mpv_set_property(mpv_, "volume", MPV_FORMAT_DOUBLE, &v);
}

int MpvEngine::Downrate() const {
  if (!qvod_hash_.isEmpty()) return terminal_.status(qvod_hash_).value("rate").toInt();
  if (is_local(url_)) return 0;
  return static_cast<int>(number("cache-speed") / 1024);
}

int MpvEngine::get_CurTaskProcess() const {
  if (!qvod_hash_.isEmpty()) return terminal_.status(qvod_hash_).value("progress").toInt();
  if (is_local(url_)) return 1000;
  const double total = number("duration");
  if (total <= 0) return 0;
  return std::min(1000, static_cast<int>((number("time-pos") + number("demuxer-cache-duration")) * 1000 / total));
}

void MpvEngine::StartNextDown(const QString& address) {
  if (address.contains(QLatin1String("qvod://"))) terminal_.start(address);
}

void MpvEngine::setShowcontrol(bool show) {
  if (mpv_) mpv_set_property_string(mpv_, "osd-level", show ? "1" : "0");
}

void MpvEngine::setViewframe(int mode) {
  if (!mpv_) return;
  mpv_set_property_string(mpv_, "keepaspect", mode == 1 ? "no" : "yes");
  mpv_set_property_string(mpv_, "video-aspect-override", mode == 2 ? "4:3" : mode == 3 ? "16:9" : "-1");
}

bool MpvEngine::has_track(const char* type) const {
  int64_t count = 0;
  mpv_get_property(mpv_, "track-list/count", MPV_FORMAT_INT64, &count);
  for (int64_t i = 0; i < count; ++i) {
    char* kind = mpv_get_property_string(mpv_, QByteArray("track-list/" + QByteArray::number(i) + "/type").constData());
    const bool found = kind && qstrcmp(kind, type) == 0;
    mpv_free(kind);
    if (found) return true;
  }
  return false;
}

// Once a play has started: an item with sound but no audio output, or with a picture but no way to
// draw it, is said once (libmpv's reason is in the log already).
void MpvEngine::check_outputs() {
  outputs_checked_ = true;
  auto opened = [this](const char* output) {
    char* name = mpv_get_property_string(mpv_, output);
    const bool open = name && *name;
    mpv_free(name);
    return open;
  };
  QStringList missing;
  if (has_track("audio") && !opened("current-ao")) missing << QStringLiteral("无法打开音频设备");
  if (picture_ && picture_->rendering() && has_track("video") && !opened("current-vo"))
    missing << QStringLiteral("无法显示画面");
  if (missing.isEmpty()) return;
  notice_ = missing.join(QStringLiteral("，"));
  platform::log_failure(QStringLiteral("engine"), url_ + QStringLiteral(": ") + notice_);
}

void MpvEngine::log_message(const mpv_event_log_message* m) {
  if (!m || ++logged_ > 40) return;
  platform::log_failure(QStringLiteral("mpv"), QStringLiteral("[%1] %2: %3")
                                                   .arg(QString::fromUtf8(m->level), QString::fromUtf8(m->prefix),
                                                        QString::fromUtf8(m->text).trimmed()));
}

void MpvEngine::drain_events() {
  bool only_position = true;
  while (mpv_) {
    mpv_event* e = mpv_wait_event(mpv_, 0);
    if (e->event_id == MPV_EVENT_NONE) break;
    only_position = only_position && e->event_id == MPV_EVENT_PROPERTY_CHANGE && e->reply_userdata == kPositionChange;
    if (e->event_id == MPV_EVENT_FILE_LOADED) phase_ = Phase::Loaded;
    if (e->event_id == MPV_EVENT_PLAYBACK_RESTART && !outputs_checked_) check_outputs();
    if (e->event_id == MPV_EVENT_LOG_MESSAGE) log_message(static_cast<mpv_event_log_message*>(e->data));
    if (e->event_id == MPV_EVENT_END_FILE) {
      const auto* end = static_cast<mpv_event_end_file*>(e->data);
      if (end->reason == MPV_END_FILE_REASON_EOF) phase_ = Phase::Ended;
      else if (end->reason == MPV_END_FILE_REASON_ERROR) {
        failure_ = QString::fromUtf8(mpv_error_string(end->error));
        phase_ = Phase::Stopped;
      }
    }
  }
  // The position moves with every frame; it can change the state only of a stream without a length
  // that waits for its picture to move (state 4).
  if (only_position && signalled_state_ != 4) return;
  const int now = playstate();
  if (now != signalled_state_) {
    signalled_state_ = now;
    emit stateChanged(now);
  }
}

}  // namespace engine
