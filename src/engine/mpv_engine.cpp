#include "engine/mpv_engine.h"

#include <QFileInfo>
#include <QMetaObject>
#include <clocale>
#include <mpv/client.h>

#include "engine/terminal/qvod_item.h"

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

MpvEngine::MpvEngine(QWidget* host, bool null_output, QObject* parent) : QObject(parent) {
  std::setlocale(LC_NUMERIC, "C");  // libmpv requires it
  mpv_ = mpv_create();
  if (!mpv_) return;
  if (null_output || !host) {
    mpv_set_option_string(mpv_, "vo", "null");
    mpv_set_option_string(mpv_, "ao", "null");
  } else {
    const qint64 wid = static_cast<qint64>(host->winId());
    mpv_set_option(mpv_, "wid", MPV_FORMAT_INT64, const_cast<qint64*>(&wid));
    // Named, so that a software renderer is taken too (mpv's own probing passes it over and ends in
    // an output that opens a window of its own instead of drawing into ours).
    mpv_set_option_string(mpv_, "vo", "gpu,x11");
    mpv_set_option_string(mpv_, "gpu-context", "x11egl");
    // The host widget handles the mouse and the keys (menus, double clicks, cursor hiding).
    mpv_set_option_string(mpv_, "input-cursor", "no");
    mpv_set_option_string(mpv_, "input-vo-keyboard", "no");
    mpv_set_option_string(mpv_, "cursor-autohide", "no");
  }
  mpv_set_option_string(mpv_, "keep-open", "yes");  // the last frame stays; the end is a state
  mpv_set_option_string(mpv_, "idle", "yes");
  mpv_set_option_string(mpv_, "osc", "no");
  mpv_set_option_string(mpv_, "input-default-bindings", "no");
  mpv_set_option_string(mpv_, "terminal", "no");
  mpv_set_option_string(mpv_, "cache", "yes");
  mpv_initialize(mpv_);
  // The state is read from these: each of their changes wakes the engine up, so that every change
  // of the state is said (a play that leaves buffering has no event of its own).
  for (const char* name : {"pause", "paused-for-cache", "seeking", "duration", "eof-reached"})
    mpv_observe_property(mpv_, 0, name, MPV_FORMAT_NONE);
  mpv_observe_property(mpv_, kPositionChange, "time-pos", MPV_FORMAT_NONE);
  mpv_set_wakeup_callback(mpv_, wake_up, this);
}

MpvEngine::~MpvEngine() {
  if (mpv_) {
    mpv_set_wakeup_callback(mpv_, nullptr, nullptr);
    mpv_terminate_destroy(mpv_);
  }
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

void MpvEngine::drain_events() {
  bool only_position = true;
  while (mpv_) {
    mpv_event* e = mpv_wait_event(mpv_, 0);
    if (e->event_id == MPV_EVENT_NONE) break;
    only_position = only_position && e->event_id == MPV_EVENT_PROPERTY_CHANGE && e->reply_userdata == kPositionChange;
    if (e->event_id == MPV_EVENT_FILE_LOADED) phase_ = Phase::Loaded;
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
