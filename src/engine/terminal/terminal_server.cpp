#include "engine/terminal/terminal_server.h"

#include <httplib.h>
#include <sys/random.h>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>

#include "platform/http_serve.h"
#include "platform/paths.h"

namespace terminal {

using httplib::Request;
using httplib::Response;

namespace {

constexpr int64_t kPiece = 256 * 1024;

}  // namespace

std::string random_token() {
  unsigned char bytes[24];
  size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return {};  // no randomness: no token (and so no server)
    got += static_cast<size_t>(n);
  }
  return QByteArray(reinterpret_cast<const char*>(bytes), sizeof bytes).toHex().toStdString();
}

namespace {

void answer(Response& res, int status, const std::string& body, const char* type = "application/json") {
  res.status = status;
  res.set_content(body, type);
}

}  // namespace

TerminalServer::TerminalServer(QString media_folder, QStringList sources,
                               const std::function<std::string()>& token_source)
    : media_(std::move(media_folder)), sources_(std::move(sources)), token_(token_source()) {}

TerminalServer::~TerminalServer() { stop(); }

int TerminalServer::start(int port) {
  if (!build_server()) return -1;
  port_ = server_->bind_loopback(port);
  if (port_ <= 0) return -1;
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  return port_;
}

std::string TerminalServer::answer_in_memory(const std::string& request) {
  if (!server_ && !build_server()) return {};
  return server_->answer_in_memory(request);
}

bool TerminalServer::build_server() {
  if (token_.size() < 32) {  // every request is let in by the token alone: without one, no server
    why_ = QStringLiteral("no access token: the system gave no random bytes");
    return false;
  }
  // A head that does not even hold the token is refused before any worker sees it.
  server_ = std::make_unique<platform::LoopbackServer>(
      [this](const std::string& head) { return head.find(token_) != std::string::npos; });
  server_->set_pre_routing_handler([this](const Request& req, Response& res) {
    return allowed(req, res) ? httplib::Server::HandlerResponse::Unhandled : httplib::Server::HandlerResponse::Handled;
  });
  server_->Get("/task", [this](const Request& req, Response& res) {
    QString why;
    const auto task = task_for(QString::fromStdString(req.get_param_value("url")), &why);
    if (!task)
      return answer(res, 400, QJsonDocument(QJsonObject{{"state", "failed"}, {"reason", why}}).toJson().toStdString());
    answer(res, 200, status_of(*task));
  });
  server_->Get("/status", [this](const Request& req, Response& res) {
    const auto task = find(QString::fromStdString(req.get_param_value("hash")).toUpper().toStdString());
    if (!task) return answer(res, 404, "{\"state\":\"unknown\"}");
    answer(res, 200, status_of(*task));
  });
  server_->Get("/stream/([0-9A-Fa-f]{40})(/.*)?", [this](const Request& req, Response& res) { stream(req, res); });
  return true;
}

void TerminalServer::stop() {
  if (server_) server_->stop();
  if (thread_.joinable()) thread_.join();
  std::lock_guard<std::mutex> guard(mutex_);
  tasks_.clear();
}

bool TerminalServer::allowed(const Request& req, Response& res) const {
  const std::string given =
      req.has_param("token") ? req.get_param_value("token") : req.get_header_value("X-Qvod-Token");
  const std::string host = req.get_header_value("Host");
  const std::string port = ":" + std::to_string(port_);
  const bool host_ok = host == "127.0.0.1" + port || host == "localhost" + port;
  if (token_.empty() || given != token_ || !host_ok || req.has_header("Origin")) {
    answer(res, 403, "{\"state\":\"refused\"}");
    return false;
  }
  return true;
}

std::shared_ptr<DownloadTask> TerminalServer::task_for(const QString& address, QString* why) {
  const auto item = parse_qvod(address, why);
  if (!item) return nullptr;
  std::lock_guard<std::mutex> guard(mutex_);
  auto& task = tasks_[item->hash.toStdString()];
  // A failed task is tried afresh when it is asked for again.
  if (!task || task->state() == DownloadTask::State::Failed) {
    task.reset();
    task = std::make_shared<DownloadTask>(*item, media_, sources_);
  }
  return task;
}

std::shared_ptr<DownloadTask> TerminalServer::find(const std::string& hash) const {
  std::lock_guard<std::mutex> guard(mutex_);
  auto hit = tasks_.find(hash);
  return hit == tasks_.end() ? nullptr : hit->second;
}

std::string TerminalServer::status_of(const DownloadTask& t) {
  static const char* states[] = {"downloading", "done", "failed"};
  QJsonObject o{
      {"state", states[static_cast<int>(t.state())]}, {"progress", t.progress_tenths()}, {"rate", t.rate_kbps()},
      {"size", static_cast<double>(t.item().size)},   {"hash", t.item().hash},           {"reason", t.reason()}};
  return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

void TerminalServer::stream(const Request& req, Response& res) {
  const auto task = find(QString::fromStdString(req.matches[1]).toUpper().toStdString());
  if (!task) return answer(res, 404, "{\"state\":\"unknown\"}");
  const int64_t size = task->item().size;
  const auto range = platform::begin_range_answer(req, res, size);
  if (!range) return;
  const int64_t first = range->first;
  res.set_content_provider(static_cast<size_t>(range->length), "application/octet-stream",
                           [task, first](size_t offset, size_t want, httplib::DataSink& sink) {
                             const int64_t at = first + static_cast<int64_t>(offset);
                             const int64_t n = std::min<int64_t>(static_cast<int64_t>(want), kPiece);
                             std::string piece;
                             if (!task->read_local(at, n, piece) && !task->fetch_range(at, n, piece)) return false;
                             return sink.write(piece.data(), piece.size());
                           });
}

}  // namespace terminal
