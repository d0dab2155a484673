#include "engine/mpv_engine.h"

#include <mpv/client.h>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QTimer>
#include <clocale>

#include "engine/mpv_library.h"
#include "engine/picture_area.h"
#include "engine/terminal/qvod_item.h"
#include "platform/log.h"

namespace engine {

namespace {

void wake_up(void* ctx) { QMetaObject::invokeMethod(static_cast<QObject*>(ctx), "drain_events", Qt::QueuedConnection); }

bool is_local(const QString& address) {
  return !address.contains(QLatin1String("://")) || address.startsWith(QLatin1String("file://"));
}

constexpr uint64_t kPositionChange = 1;  // the tag of the position's change events

// libmpv's player with the options the engine relies on, observing what the player reads. Every
// call here may come from any thread.
mpv_handle* make_player(bool picture, bool silent) {
  mpv_handle* mpv = mpv_create();
  if (!mpv) return nullptr;
  // The picture goes to the picture area through the render API; without one nothing is drawn.
  // Sound never depends on the picture: only an engine asked to be silent has no audio output.
  mpv_set_option_string(mpv, "vo", picture ? "libmpv" : "null");
  if (silent) mpv_set_option_string(mpv, "ao", "null");
  mpv_set_option_string(mpv, "hwdec", "auto-safe");        // the GPU's decoder where one works, else the CPU
  mpv_set_option_string(mpv, "video-timing-offset", "0");  // frames are asked for when due (no wait in the GUI thread)
  mpv_set_option_string(mpv, "keep-open", "yes");          // the last frame stays; the end is a state
  mpv_set_option_string(mpv, "idle", "yes");
  mpv_set_option_string(mpv, "osc", "no");
  mpv_set_option_string(mpv, "input-default-bindings", "no");
  mpv_set_option_string(mpv, "terminal", "no");
  mpv_set_option_string(mpv, "cache", "yes");
  // libmpv's statistics page and console are scripts, each a Lua state and a thread of its own
  // (4 MiB), reached only by mpv's default keys, which are off.
  mpv_set_option_string(mpv, "load-stats-overlay", "no");
  mpv_set_option_string(mpv, "load-osd-console", "no");
  mpv_initialize(mpv);
  mpv_request_log_messages(mpv, "warn");  // libmpv's warnings and errors go to the client's log
  // Everything the player reads comes from these, as libmpv reports their changes: the GUI thread
  // never asks libmpv and waits (it also draws the frames, and libmpv may be waiting for one).
  for (const char* name : {"pause", "paused-for-cache", "seeking", "eof-reached", "mute"})
    mpv_observe_property(mpv, 0, name, MPV_FORMAT_FLAG);
  for (const char* name : {"duration", "cache-speed", "demuxer-cache-duration", "speed"})
    mpv_observe_property(mpv, 0, name, MPV_FORMAT_DOUBLE);
  for (const char* name : {"current-ao", "current-vo"}) mpv_observe_property(mpv, 0, name, MPV_FORMAT_STRING);
  mpv_observe_property(mpv, 0, "track-list", MPV_FORMAT_NODE);
  mpv_observe_property(mpv, kPositionChange, "time-pos", MPV_FORMAT_DOUBLE);
  return mpv;
}

}  // namespace

MpvEngine::MpvEngine(PictureArea* picture, bool silent, QObject* parent) : QObject(parent), picture_(picture) {
  std::setlocale(LC_NUMERIC, "C");  // libmpv requires it
  when_engines_may_start(this, [this, picture = picture != nullptr, silent] { start(picture, silent); });
}

void MpvEngine::start(bool picture, bool silent) {
  starter_ = std::thread([this, picture, silent] {
    made_ = make_player(picture, silent);
    // Dropped with the engine when it goes first; its destructor then takes up what was made.
    QMetaObject::invokeMethod(
        this, [this] { adopt(made_.exchange(nullptr)); }, Qt::QueuedConnection);
  });
}

// The player is there (or, without libmpv, will never be): what was asked meanwhile is done now.
void MpvEngine::adopt(mpv_handle* mpv) {
  starter_.join();
  mpv_ = mpv;
  starting_ = false;
  if (mpv_) {
    mpv_set_wakeup_callback(mpv_, wake_up, this);
    if (picture_) picture_->attach(mpv_, [this] { picture_ready(); });
    attached_ = picture_ != nullptr;
  }
  for (const auto& call : std::exchange(asked_, {})) call();
  if (mpv_) drain_events();  // what libmpv said before the callback was set
  platform::mark_startup("engine");
}

// Until the player is there, a call to it is kept (and true returned), to be made once it is.
bool MpvEngine::later(std::function<void()> call) {
  if (!starting_) return false;
  asked_.push_back(std::move(call));
  return true;
}

MpvEngine::~MpvEngine() {
  if (starter_.joinable()) starter_.join();
  if (!mpv_) mpv_ = made_.exchange(nullptr);  // made, but not taken up yet
  if (!mpv_) return;
  if (attached_ && picture_) picture_->detach();  // the render context goes before the handle
  mpv_set_wakeup_callback(mpv_, nullptr, nullptr);
  mpv_terminate_destroy(mpv_);
}

// The picture area has its render context now: a file opened before it did had no picture to go
// to, and gets one (its video track is chosen again; the play goes on where it is).
void MpvEngine::picture_ready() {
  if (!mpv_ || phase_ == Phase::Stopped) return;
  set_async("vid", "auto");
}

void MpvEngine::set_async(const char* property, const char* value) {
  if (later([this, p = QByteArray(property), v = QByteArray(value)] { set_async(p, v); }) || !mpv_) return;
  const char* text = value;
  mpv_set_property_async(mpv_, 0, property, MPV_FORMAT_STRING, &text);
}

void MpvEngine::set_number(const char* property, double value) {
  if (later([this, p = QByteArray(property), value] { set_number(p, value); }) || !mpv_) return;
  mpv_set_property_async(mpv_, 0, property, MPV_FORMAT_DOUBLE, &value);
}

void MpvEngine::command(const QList<QByteArray>& args, uint64_t reply_tag) {
  if (later([this, args, reply_tag] { command(args, reply_tag); }) || !mpv_) return;
  std::vector<const char*> list;
  for (const QByteArray& a : args) list.push_back(a.constData());
  list.push_back(nullptr);
  mpv_command_async(mpv_, reply_tag, list.data());
}

void MpvEngine::setURL(const QString& address) {
  url_ = address;
  if (!mpv_ && !starting_) return;  // no libmpv
  ++load_serial_;                   // whatever was still coming for the item before is of no use now
  qvod_hash_.clear();
  failure_.clear();
  terminal_.forget_status();
  pending_subtitles_.clear();
  if (address.isEmpty()) {
    command({"stop"});
    phase_ = Phase::Stopped;
    return;
  }
  notice_.clear();
  outputs_checked_ = false;
  logged_ = 0;
  // Nothing of the item before is said of this one; the outputs are reported when they change.
  seen_ = Observed{
      .audio_output = seen_.audio_output, .video_output = seen_.video_output, .speed = seen_.speed, .mute = seen_.mute};
  if (!address.contains(QLatin1String("qvod://"))) return load(address);
  QString why;
  const auto item = terminal::parse_qvod(address, &why);
  if (!item || !TerminalClient().available()) {
    failure_ = item ? QStringLiteral("播放引擎未运行") : why;
    phase_ = Phase::Stopped;
    return;
  }
  qvod_hash_ = item->hash;
  phase_ = Phase::Opening;
  // The terminal starts (or finds) the download, and the stream opens once it has said so: the GUI
  // thread does not wait for its answer.
  terminal_.start_task(
      address, [this, serial = load_serial_, hash = item->hash, name = item->name](const QJsonObject& task) {
        if (serial != load_serial_) return;
        if (task.isEmpty() || task.value("state").toString() == QLatin1String("failed")) {
          failure_ = task.isEmpty() ? QStringLiteral("播放引擎未运行") : task.value("reason").toString();
          phase_ = Phase::Stopped;
          return say_state();
        }
        load(TerminalClient().stream_address(hash, name));
      });
}

void MpvEngine::load(const QString& media) {
  if (!mpv_ && !starting_) {
    phase_ = Phase::Stopped;
    return;
  }
  if (starting_) let_engines_start();  // a play does not wait for the start-up
  phase_ = Phase::Opening;
  set_async("pause", "no");
  // The tracks are the item's own choice again: a choice made for the item before is not this one's.
  set_async("aid", "auto");
  set_async("sid", "auto");
  // An item of the terminal is on this machine's disk already, and so is a local file: no read-ahead
  // cache for those (it would hold hundreds of MiB of a large file). Streams from the web keep theirs.
  const bool on_disk = !qvod_hash_.isEmpty() || is_local(url_);
  command({"loadfile", media.toUtf8(), "replace", on_disk ? "cache=no" : "cache=yes"});
}

void MpvEngine::Play() { set_async("pause", "no"); }

void MpvEngine::pause() { set_async("pause", "yes"); }

PlayState MpvEngine::playstate() const {
  switch (phase_) {
    case Phase::Stopped: return PlayState::Stopped;
    case Phase::Opening: return PlayState::Connecting;
    case Phase::Ended: return PlayState::Ended;
    case Phase::Loaded: break;
  }
  if (seen_.eof_reached) return PlayState::Ended;
  if (seen_.pause) return PlayState::Paused;
  if (seen_.paused_for_cache || seen_.seeking) return PlayState::Buffering;
  // Playing, as far as the player is concerned, once the length is known; a stream that has none
  // counts as playing once its picture moves.
  if (seen_.duration <= 0 && seen_.time_pos < 0.5) return PlayState::Buffering;
  return PlayState::Playing;
}

int MpvEngine::currentpos() const { return static_cast<int>(seen_.time_pos); }

void MpvEngine::setCurrentpos(int seconds) { command({"seek", QByteArray::number(seconds), "absolute"}); }

int MpvEngine::duration() const { return static_cast<int>(seen_.duration); }

void MpvEngine::setVolume(int volume) { set_number("volume", std::clamp(volume, 0, 100)); }

// The terminal's figures as it said them last (asked for again now, answered later): a terminal that
// is slow to answer never holds the poll.
int MpvEngine::Downrate() {
  if (!qvod_hash_.isEmpty()) {
    terminal_.refresh_status(qvod_hash_);
    return terminal_.status().value("rate").toInt();
  }
  if (is_local(url_)) return 0;
  return static_cast<int>(seen_.cache_speed / 1024);
}

int MpvEngine::get_CurTaskProcess() {
  if (!qvod_hash_.isEmpty()) {
    terminal_.refresh_status(qvod_hash_);
    return terminal_.status().value("progress").toInt();
  }
  if (is_local(url_)) return 1000;
  const double total = seen_.duration;
  if (total <= 0) return 0;
  return std::min(1000, static_cast<int>((seen_.time_pos + seen_.demuxer_cache_duration) * 1000 / total));
}

void MpvEngine::StartNextDown(const QString& address) {
  if (address.contains(QLatin1String("qvod://"))) terminal_.start_task(address, nullptr);
}

void MpvEngine::setShowcontrol(bool show) { set_async("osd-level", show ? "1" : "0"); }

void MpvEngine::setViewframe(int mode) {
  set_async("keepaspect", mode == 1 ? "no" : "yes");
  set_async("video-aspect-override", mode == 2 ? "4:3" : mode == 3 ? "16:9" : "-1");
}

// A property's new value as libmpv reports it (no data: it has none now, as between items).
void MpvEngine::take_change(const mpv_event_property* p) {
  const QByteArray name(p->name);
  const bool has = p->format != MPV_FORMAT_NONE && p->data;
  auto flag = [&] { return has && p->format == MPV_FORMAT_FLAG && *static_cast<int*>(p->data) != 0; };
  auto number = [&] { return has && p->format == MPV_FORMAT_DOUBLE ? *static_cast<double*>(p->data) : 0.0; };
  auto text = [&] {
    return has && p->format == MPV_FORMAT_STRING ? QString::fromUtf8(*static_cast<char**>(p->data)) : QString();
  };
  if (name == "pause") seen_.pause = flag();
  else if (name == "paused-for-cache") seen_.paused_for_cache = flag();
  else if (name == "seeking") seen_.seeking = flag();
  else if (name == "eof-reached") seen_.eof_reached = flag();
  else if (name == "duration") seen_.duration = number();
  else if (name == "time-pos") seen_.time_pos = number();
  else if (name == "cache-speed") seen_.cache_speed = number();
  else if (name == "demuxer-cache-duration") seen_.demuxer_cache_duration = number();
  else if (name == "current-ao") seen_.audio_output = text();
  else if (name == "current-vo") seen_.video_output = text();
  else if (name == "mute") seen_.mute = flag();
  else if (name == "speed") seen_.speed = has ? number() : 1.0;
  else if (name == "track-list")
    take_tracks(has && p->format == MPV_FORMAT_NODE ? static_cast<mpv_node*>(p->data) : nullptr);
}

void MpvEngine::take_tracks(const mpv_node* list) {
  seen_.audio_track = seen_.video_track = false;
  seen_.tracks.clear();
  if (!list || list->format != MPV_FORMAT_NODE_ARRAY) return;
  for (int i = 0; i < list->u.list->num; ++i) {
    const mpv_node& entry = list->u.list->values[i];
    if (entry.format != MPV_FORMAT_NODE_MAP) continue;
    Track track;
    for (int k = 0; k < entry.u.list->num; ++k) {
      const char* key = entry.u.list->keys[k];
      const mpv_node& value = entry.u.list->values[k];
      const QString text = value.format == MPV_FORMAT_STRING ? QString::fromUtf8(value.u.string) : QString();
      if (qstrcmp(key, "id") == 0 && value.format == MPV_FORMAT_INT64) track.id = static_cast<int>(value.u.int64);
      else if (qstrcmp(key, "type") == 0) track.type = text;
      else if (qstrcmp(key, "lang") == 0) track.lang = text;
      else if (qstrcmp(key, "title") == 0) track.title = text;
      else if (qstrcmp(key, "external-filename") == 0) track.file = text;
      else if (qstrcmp(key, "selected") == 0 && value.format == MPV_FORMAT_FLAG) track.selected = value.u.flag != 0;
    }
    if (track.type == QLatin1String("audio")) seen_.audio_track = true;
    if (track.type == QLatin1String("video")) seen_.video_track = true;
    seen_.tracks << track;
  }
}

void MpvEngine::set_track(const QString& type, int id) {
  if (type != QLatin1String("audio") && type != QLatin1String("sub")) return;
  const QByteArray value = id > 0 ? QByteArray::number(id) : QByteArray("no");
  set_async(type == QLatin1String("audio") ? "aid" : "sid", value.constData());
}

void MpvEngine::add_subtitle_file(const QString& path) {
  if (path.isEmpty()) return;
  if (phase_ == Phase::Loaded || phase_ == Phase::Ended) return add_subtitles_now(path);
  if (phase_ == Phase::Opening) pending_subtitles_ << path;
}

void MpvEngine::add_subtitles_now(const QString& path) { command({"sub-add", QFile::encodeName(path), "select"}); }

void MpvEngine::set_speed(double factor) {
  if (factor > 0) set_number("speed", factor);
}

void MpvEngine::set_mute(bool mute) { set_async("mute", mute ? "yes" : "no"); }

// libmpv writes the frame it shows, at the picture's own size, with the subtitles on it; the file's
// type follows its name.
void MpvEngine::take_still(const QString& path, StillDone done) {
  if (!mpv_ || phase_ == Phase::Stopped || phase_ == Phase::Opening) {
    if (done) done(QStringLiteral("没有正在播放的节目"));
    return;
  }
  const uint64_t tag = next_tag_++;
  stills_.insert(tag, std::move(done));
  command({"screenshot-to-file", QFile::encodeName(path), "subtitles"}, tag);
}

void MpvEngine::command_done(uint64_t tag, int error) {
  const StillDone done = stills_.take(tag);
  if (done) done(error < 0 ? QString::fromUtf8(mpv_error_string(error)) : QString());
}

// Once a play has started: an item with sound but no audio output, or with a picture but no way to
// draw it, is said once (libmpv's reason is in the log already).
void MpvEngine::check_outputs() {
  QStringList missing;
  if (seen_.audio_track && seen_.audio_output.isEmpty()) missing << QStringLiteral("无法打开音频设备");
  if (picture_ && picture_->rendering() && seen_.video_track && seen_.video_output.isEmpty())
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
    if (e->event_id == MPV_EVENT_PROPERTY_CHANGE) take_change(static_cast<mpv_event_property*>(e->data));
    if (e->event_id == MPV_EVENT_FILE_LOADED) {
      phase_ = Phase::Loaded;
      for (const QString& path : std::exchange(pending_subtitles_, {})) add_subtitles_now(path);
    }
    if (e->event_id == MPV_EVENT_COMMAND_REPLY && stills_.contains(e->reply_userdata))
      command_done(e->reply_userdata, e->error);
    if (e->event_id == MPV_EVENT_PLAYBACK_RESTART && !outputs_checked_) {
      // The outputs' names come as property changes of their own, shortly after: looked at a moment later.
      outputs_checked_ = true;
      QTimer::singleShot(500, this, [this, serial = load_serial_] {
        if (serial == load_serial_) check_outputs();
      });
    }
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
  // that waits for its picture to move (buffering).
  if (only_position && signalled_state_ != PlayState::Buffering) return;
  say_state();
}

void MpvEngine::say_state() {
  const PlayState now = playstate();
  if (now != signalled_state_) {
    signalled_state_ = now;
    emit stateChanged(now);
  }
}

}  // namespace engine
