#include "site/site_server.h"

#include <regex>

#include <brotli/encode.h>
#include <httplib.h>
#include <sodium.h>
#include <zlib.h>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QUrlQuery>
#include <chrono>

#include "platform/http_serve.h"
#include "site/pages.h"

namespace site {

using httplib::Request;
using httplib::Response;

namespace {

// The Ed25519 signature of `message` by the secret key in `key_file` (hex), as hex; empty on failure.
std::string sign_hex(const std::string& message, const QString& key_file) {
  QFile file(key_file);
  const QByteArray key = file.open(QIODevice::ReadOnly) ? QByteArray::fromHex(file.readAll().trimmed()) : QByteArray();
  if (key.size() != crypto_sign_SECRETKEYBYTES || sodium_init() < 0) return {};
  unsigned char sig[crypto_sign_BYTES];
  crypto_sign_detached(sig, nullptr, reinterpret_cast<const unsigned char*>(message.data()), message.size(),
                       reinterpret_cast<const unsigned char*>(key.constData()));
  return QByteArray(reinterpret_cast<const char*>(sig), sizeof sig).toHex().toStdString();
}

void replace_all(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
}

constexpr const char* kHtml = "text/html; charset=utf-8";
constexpr const char* kText = "text/plain; charset=utf-8";
constexpr int64_t kPiece = 256 * 1024;

std::optional<int> id_param(const Request& req, const char* name) {
  if (!req.has_param(name)) return std::nullopt;
  bool ok = false;
  const qint64 v = QString::fromStdString(req.get_param_value(name)).trimmed().toLongLong(&ok);
  if (!ok || v < INT32_MIN || v > INT32_MAX) return std::nullopt;
  return static_cast<int>(v);
}

void answer(Response& res, int status, const std::string& body, const char* type = kText) {
  res.status = status;
  res.set_content(body, type);
}

bool compressible(const std::string& type) {
  return type.rfind("text/", 0) == 0 || type.find("javascript") != std::string::npos ||
         type.find("json") != std::string::npos || type.find("svg") != std::string::npos;
}

std::string brotli(const std::string& in) {
  size_t size = BrotliEncoderMaxCompressedSize(in.size());
  std::string out(size, '\0');
  if (!BrotliEncoderCompress(5, BROTLI_DEFAULT_WINDOW, BROTLI_MODE_TEXT, in.size(),
                             reinterpret_cast<const uint8_t*>(in.data()), &size,
                             reinterpret_cast<uint8_t*>(out.data())))
    return {};
  out.resize(size);
  return out;
}

std::string gzip(const std::string& in) {
  z_stream z{};
  if (deflateInit2(&z, 6, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY) != Z_OK) return {};
  std::string out(deflateBound(&z, in.size()) + 32, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const bool ok = deflate(&z, Z_FINISH) == Z_STREAM_END;
  out.resize(z.total_out);
  deflateEnd(&z);
  return ok ? out : std::string();
}

// Text answers compressed as a site serves them: brotli at quality 5, else gzip at level 6, as the
// client accepts (the library by itself would use brotli's slowest setting).
void compress_answer(const Request& req, Response& res) {
  if (res.body.size() < 1024 || res.has_header("Content-Encoding") ||
      !compressible(res.get_header_value("Content-Type")))
    return;
  const std::string accepted = req.get_header_value(platform::LoopbackServer::kAcceptEncodingHeader);
  const bool br = accepted.find("br") != std::string::npos;
  if (!br && accepted.find("gzip") == std::string::npos) return;
  std::string packed = br ? brotli(res.body) : gzip(res.body);
  if (packed.empty()) return;
  res.body = std::move(packed);
  res.headers.erase("Content-Length");  // said for the plain body
  res.set_header("Content-Length", std::to_string(res.body.size()));
  res.set_header("Content-Encoding", br ? "br" : "gzip");
  res.set_header("Vary", "Accept-Encoding");
}

// When this worker began its current request (the site's own time is measured to its answer).
thread_local std::chrono::steady_clock::time_point request_began;

DetailMode mode_of(const std::string& name) {
  if (name == "empty") return DetailMode::Empty;
  if (name == "bdhd") return DetailMode::Baidu;
  if (name == "grow") return DetailMode::Grown;
  if (name == "shrink") return DetailMode::Shrunk;
  if (name == "change") return DetailMode::Changed;
  if (name == "noepisodes") return DetailMode::NoEpisodes;
  if (name == "count") return DetailMode::Count;
  return DetailMode::Normal;
}

// The next episode's name after the last one ("剧名-第24集.rmvb" -> "剧名-第25集.rmvb").
QString next_episode(const QString& last) {
  static const QRegularExpression re(QStringLiteral("^(.*第)(\\d+)(集.*)$"));
  const auto m = re.match(last);
  if (!m.hasMatch()) return QStringLiteral("续-") + last;
  const QString n = m.captured(2);
  return m.captured(1) + QStringLiteral("%1").arg(n.toInt() + 1, n.size(), 10, QChar('0')) + m.captured(3);
}

}  // namespace

SiteServer::SiteServer(SiteOptions options) : options_(std::move(options)) {
  knobs_.list_fail = options_.list_fail;
  knobs_.delay_ms = options_.delay_ms;
}

SiteServer::~SiteServer() { stop(); }

bool SiteServer::prepare(QString* error) {
  titles_ = load_catalogue(options_.catalogue, error);
  if (titles_.empty()) return false;
  std::vector<int> lengths;
  for (const Title& t : titles_)
    if (t.clip_seconds > 0) lengths.push_back(t.clip_seconds);
  if (!media_.prepare(options_.data, error, lengths)) return false;
  for (const Title& t : titles_) episode_addresses(t);  // every item known before the first request
  return true;
}

int SiteServer::start(int port) {
  server_ = std::make_unique<platform::LoopbackServer>();
  routes();
  port_ = server_->bind_loopback(port);
  if (port_ <= 0) return -1;
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  return port_;
}

void SiteServer::stop() {
  if (server_) server_->stop();
  if (thread_.joinable()) thread_.join();
}

SiteServer::Knobs SiteServer::knobs() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return knobs_;
}

void SiteServer::routes() {
  httplib::Server& s = *server_;
  s.set_post_routing_handler([this](const Request& req, Response& res) {
    compress_answer(req, res);
    const auto us =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - request_began);
    std::lock_guard<std::mutex> guard(mutex_);
    knobs_.site_us[req.path] = us.count();
  });
  s.set_pre_routing_handler([this](const Request& req, Response&) {
    request_began = std::chrono::steady_clock::now();
    int delay = 0;
    {
      std::lock_guard<std::mutex> guard(mutex_);
      delay = knobs_.delay_ms;
      std::string query;
      for (const auto& [k, v] : req.params) query += (query.empty() ? "" : "&") + k + "=" + v;
      auto& seen = knobs_.queries[req.path];
      if (seen.size() < 1000) seen.push_back(query);  // enough for any test; a long demo stays small
    }
    if (delay > 0 && req.path.rfind("/_control", 0) != 0) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    return httplib::Server::HandlerResponse::Unhandled;
  });
  s.Get("/_control(/.*)?", [this](const Request& q, Response& r) { control(q, r); });
  s.Get("/kolbet/l_indexss.php", [this](const Request& q, Response& r) { list(q, r); });
  s.Get("/details.php", [this](const Request& q, Response& r) { details(q, r); });
  s.Get("/kolbet/hits.php", [this](const Request& q, Response& r) { hits(q, r); });
  s.Get("/qvod/([^/]+)/(.+)", [this](const Request& q, Response& r) { media(q, r); });
  s.Get("/vexa/(.+)", [this](const Request& q, Response& r) { release_file(q, r); });
  s.Get("/_pages/([^/]+)", [this](const Request& q, Response& r) { extra_page(q, r); });
  s.Get("/pd77/html/(-?\\d+)\\.html", [this](const Request& q, Response& r) { playdata(q, r, false); });
  s.Get("/playdata/(-?\\d+)/(-?\\d+)\\.js", [this](const Request& q, Response& r) { playdata(q, r, true); });
  s.Get("/kolbet/upfilex/(.+)", [this](const Request& q, Response& r) { cover(q, r); });
  s.Get("/covers/(.+)", [this](const Request& q, Response& r) { cover(q, r); });
  s.Get("/mark_2.asp", [this](const Request&, Response& r) {
    std::vector<std::string> addresses, names;
    for (int i = 1; i <= 4; ++i) {
      const MediaItem& m = media_.item(QStringLiteral("精选短片%1.rmvb").arg(i, 2, 10, QChar('0')).toStdString());
      addresses.push_back(m.qvod_address());
      names.push_back(m.name);
    }
    answer(r, 200, market_page(addresses, names), kHtml);
  });
  s.Get("/listing.asp", [](const Request&, Response& r) {
    answer(r, 200,
           simple_page(QStringLiteral("常见问题"),
                       QStringLiteral("<p>问：为什么播放前要缓冲？<br>答：影片边下边播，网速越快缓冲越短。</p>")),
           kHtml);
  });
  s.Get("/guest.asp", [](const Request&, Response& r) {
    answer(r, 200, simple_page(QStringLiteral("反馈留言"), QStringLiteral("<p>欢迎留下您的意见和建议。</p>")), kHtml);
  });
  s.Get("/", [](const Request&, Response& r) {
    answer(r, 200,
           simple_page(QStringLiteral("Morvane 官方主页"), QStringLiteral("<p>Morvane：海量影视，即点即播。</p>")),
           kHtml);
  });
}

void SiteServer::control(const Request& req, Response& res) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (req.path == "/_control/hits") {
    const auto id = id_param(req, "id");
    return answer(res, id ? 200 : 400, id ? std::to_string(knobs_.hits[*id]) : "bad id");
  }
  if (req.path == "/_control/timing") {  // microseconds the last request of a path took the site
    const auto hit = knobs_.site_us.find(req.get_param_value("path"));
    return answer(res, 200, hit == knobs_.site_us.end() ? "-1" : std::to_string(hit->second));
  }
  if (req.path == "/_control/requests") {  // the queries seen for one path, one a line
    std::string lines;
    for (const std::string& q : knobs_.queries[req.get_param_value("path")]) lines += q + "\n";
    return answer(res, 200, lines);
  }
  if (req.path == "/_control/big") {  // an item of this many bytes (benchmarks): its qvod address
    const auto size = id_param(req, "size");
    if (!size || *size < 4096) return answer(res, 400, "bad size");
    return answer(res, 200, media_.item("big.mp4", 0, 0, *size).qvod_address());
  }
  if (req.has_param("reset")) knobs_ = Knobs{};
  if (const auto n = id_param(req, "list_fail")) knobs_.list_fail = *n;
  if (const auto n = id_param(req, "list_only")) knobs_.list_only = *n;
  if (const auto n = id_param(req, "delay_ms")) knobs_.delay_ms = *n;
  if (req.has_param("media")) knobs_.media_mode = req.get_param_value("media");
  if (req.has_param("playdata")) knobs_.playdata_mode = req.get_param_value("playdata");
  if (const auto key = id_param(req, "detail_key"))
    knobs_.detail[*key] = {mode_of(req.get_param_value("detail_mode")), id_param(req, "index").value_or(0)};
  answer(res, 200, "ok");
}

void SiteServer::list(const Request& req, Response& res) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    if (knobs_.list_fail != 0) {
      if (knobs_.list_fail > 0) --knobs_.list_fail;
      return answer(res, 200, busy_page(), kHtml);
    }
  }
  if (const int only = knobs().list_only)
    for (const Title& t : titles_)
      if (t.key == only) return answer(res, 200, single_title_page(t), kHtml);
  answer(res, 200, list_page(titles_, id_param(req, "cat").value_or(0)), kHtml);
}

const Title* SiteServer::title_of(const Request& req, Response& res) const {
  const auto id = id_param(req, "id");
  if (!id) {
    answer(res, 400, "bad id");
    return nullptr;
  }
  for (const Title& t : titles_)
    if (t.key == *id) return &t;
  answer(res, 404, "no such title");
  return nullptr;
}

std::vector<std::string> SiteServer::episode_addresses(const Title& t, QStringList* names_out) {
  QStringList files = t.files;
  int variant_at = -1;
  const auto [mode, index] = [&] {
    std::lock_guard<std::mutex> guard(mutex_);
    auto hit = knobs_.detail.find(t.key);
    return hit == knobs_.detail.end() ? std::pair<DetailMode, int>{DetailMode::Normal, 0} : hit->second;
  }();
  if (mode == DetailMode::Grown) files << next_episode(files.last());
  if (mode == DetailMode::Shrunk && files.size() > 1) files.removeLast();
  if (mode == DetailMode::Changed && index >= 0 && index < files.size()) {
    const int dot = files[index].lastIndexOf('.');
    files[index] = files[index].left(dot) + QStringLiteral("(修正版)") + files[index].mid(dot);
    variant_at = index;
  }
  if (mode == DetailMode::NoEpisodes) files.clear();
  if (mode == DetailMode::Count && index >= 0 && !files.isEmpty()) {  // exactly `index` episodes
    while (files.size() > index) files.removeLast();
    while (files.size() < std::min(index, 20000)) files << next_episode(files.last());
  }
  std::vector<std::string> addresses;
  for (int i = 0; i < files.size(); ++i) {
    const MediaItem& m = media_.item(files[i].toStdString(), i == variant_at ? 1 : 0, t.clip_seconds);
    addresses.push_back(mode == DetailMode::Baidu
                            ? "bdhd://" + std::to_string(m.size) + "|" + m.hash + "|" + m.name + "|"
                            : m.qvod_address());
  }
  if (names_out) *names_out = files;
  return addresses;
}

void SiteServer::details(const Request& req, Response& res) {
  const Title* t = title_of(req, res);
  if (!t) return;
  if (knobs().detail[t->key].first == DetailMode::Empty) return answer(res, 200, "");
  const QString cover =
      t->cover == QLatin1String("outside")
          ? QString::fromStdString(base()) +
                QStringLiteral("/kolbet/upfilex/http://static.localhost:%1/covers/%2.svg").arg(port_).arg(t->key)
          : QString::fromStdString(base()) + QStringLiteral("/kolbet/upfilex/%1.svg").arg(t->key);
  answer(res, 200, detail_text(*t, cover, episode_addresses(*t)), kText);
}

void SiteServer::hits(const Request& req, Response& res) {
  const auto id = id_param(req, "id");
  if (!id) return answer(res, 400, "bad id");
  std::lock_guard<std::mutex> guard(mutex_);
  answer(res, 200, std::to_string(++knobs_.hits[*id]));
}

void SiteServer::cover(const Request& req, Response& res) {
  // "/kolbet/upfilex/1001.svg", "/covers/1001.svg" and the wrapped outside form all end the same way.
  static const QRegularExpression re(QStringLiteral("(\\d+)\\.svg$"));
  const auto m = re.match(QString::fromStdString(req.path));
  for (const Title& t : titles_)
    if (m.hasMatch() && t.key == m.captured(1).toInt()) return answer(res, 200, cover_svg(t), "image/svg+xml");
  answer(res, 404, "no such cover");
}

void SiteServer::media(const Request& req, Response& res) {
  const auto item = media_.find(QString::fromStdString(req.matches[1]).toUpper().toStdString());
  if (!item) return answer(res, 404, "no such file");
  send_body(
      req, res, item->size, [this, item](int64_t off, int64_t len) { return media_.read(*item, off, len); },
      "video/mp4");
}

// A staged file as served; sj.txt with this server's address in place of "{host}", and a default
// list when none is staged.
bool SiteServer::release_bytes(const QString& name, std::string* bytes) const {
  QFile file(options_.release + '/' + name);
  const std::string host = "127.0.0.1:" + std::to_string(port_);
  if (options_.release.isEmpty() || !file.open(QIODevice::ReadOnly)) {
    if (name != QLatin1String("sj.txt")) return false;
    *bytes = host + "/vexa/sj.txt|V1.2.4|0|vexa";
    return true;
  }
  *bytes = file.readAll().toStdString();
  if (name == QLatin1String("sj.txt")) replace_all(*bytes, "{host}", host);
  return true;
}

void SiteServer::release_file(const Request& req, Response& res) {
  const QString name = QString::fromStdString(req.matches[1]);
  if (name.contains('/') || name.contains('\\') || name.contains(QLatin1String("..")))
    return answer(res, 400, "bad name");
  auto bytes = std::make_shared<std::string>();
  if (!release_bytes(name, bytes.get())) {
    // No staged signature: the site signs what it serves, when it has a key.
    const QString signed_name = name.chopped(std::min<qsizetype>(4, name.size()));
    std::string message;
    if (!name.endsWith(QLatin1String(".sig")) || options_.sign_key.isEmpty() || !release_bytes(signed_name, &message))
      return answer(res, 404, "no such file");
    *bytes = sign_hex(message, options_.sign_key);
    if (bytes->empty()) return answer(res, 500, "cannot sign");
  }
  send_body(
      req, res, static_cast<int64_t>(bytes->size()),
      [bytes](int64_t off, int64_t len) { return bytes->substr(off, len); }, "application/octet-stream");
}

void SiteServer::extra_page(const Request& req, Response& res) {
  const QString name = QString::fromStdString(req.matches[1]);
  QFile file(options_.pages + '/' + name);
  if (options_.pages.isEmpty() || name.startsWith('.') || name.contains('\\') || !file.open(QIODevice::ReadOnly))
    return answer(res, 404, "no such page");
  const bool script = name.endsWith(QLatin1String(".js"));
  std::string body = file.readAll().toStdString();
  replace_all(body, "{port}", std::to_string(port_));
  answer(res, 200, body, script ? "application/javascript; charset=utf-8" : kHtml);
}

void SiteServer::playdata(const Request& req, Response& res, bool script) {
  const int key = std::stoi(req.matches[script ? 2 : 1]);
  for (const Title& t : titles_) {
    if (t.key != key) continue;
    const std::string mode = knobs().playdata_mode;
    std::string body;
    if (!script) {
      body = playdata_page(t);
      // "playdata" stays on the page, but no ".js" comes after it.
      if (mode == "nojs") replace_all(body, ".js", "");
      // The page's first half, then the connection cut ("cut") or held for 3 s ("stall").
      if (mode == "cut" || mode == "stall") {
        res.status = 200;
        return res.set_content_provider(body.size(), kHtml,
                                        [body, mode](size_t offset, size_t, httplib::DataSink& sink) {
                                          if (offset == 0) return sink.write(body.data(), body.size() / 2);
                                          if (mode == "cut") return false;
                                          std::this_thread::sleep_for(std::chrono::seconds(3));
                                          return sink.write(body.data() + offset, body.size() - offset);
                                        });
      }
      return answer(res, 200, body, kHtml);
    }
    QStringList names;
    const auto addresses = episode_addresses(t, &names);
    body = playdata_script(addresses, names);
    if (mode == "unclosed") replace_all(body, "|$qvod", "|");  // an address never closed
    return answer(res, 200, body, "application/javascript; charset=utf-8");
  }
  answer(res, 404, "no such title");
}

void SiteServer::send_body(const Request& req, Response& res, int64_t size, Reader read, const std::string& type) {
  const auto range = platform::begin_range_answer(req, res, size);
  if (!range) return;
  const int64_t first = range->first, length = range->length;
  const std::string mode = knobs().media_mode;
  if (mode == "endless") {  // no length, and no end: bytes until the client gives up
    return res.set_chunked_content_provider(type, [](size_t, httplib::DataSink& sink) {
      static const std::string piece(kPiece, 'e');
      return sink.write(piece.data(), piece.size());
    });
  }
  if (mode == "chunked") {
    auto sent = std::make_shared<int64_t>(0);
    return res.set_chunked_content_provider(type, [=](size_t, httplib::DataSink& sink) {
      if (*sent >= length) {
        sink.done();
        return true;
      }
      const std::string piece = read(first + *sent, std::min(kPiece, length - *sent));
      *sent += static_cast<int64_t>(piece.size());
      return sink.write(piece.data(), piece.size());
    });
  }
  const int64_t cut = mode == "drop" ? length / 2 : -1;  // drop: the connection closes half-way
  const int64_t declared = mode == "truncate" ? length / 2 : length;
  if (declared == 0) return res.set_content(std::string(), type);  // a provider of no bytes never ends
  res.set_content_provider(static_cast<size_t>(declared), type,
                           [=](size_t offset, size_t want, httplib::DataSink& sink) {
                             if (cut >= 0 && static_cast<int64_t>(offset) >= cut) return false;
                             int64_t n = std::min<int64_t>(static_cast<int64_t>(want), kPiece);
                             if (cut >= 0) n = std::min<int64_t>(n, cut - static_cast<int64_t>(offset));
                             const std::string piece = read(first + static_cast<int64_t>(offset), n);
                             return sink.write(piece.data(), piece.size());
                           });
}

}  // namespace site
