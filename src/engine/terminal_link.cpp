#include "engine/terminal_link.h"

#include <QJsonDocument>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include "engine/terminal_client.h"

namespace engine {

namespace {

constexpr int kWaitMs = 2000;       // an answer later than this is no answer; a status older, unknown
constexpr int kTaskWaitMs = 15000;  // how long a new download may take the terminal to set up

}  // namespace

TerminalLink::TerminalLink(QObject* parent) : QObject(parent) {
  net_.setProxy(QNetworkProxy::NoProxy);  // the terminal is on this machine, whatever proxy the user has
}

QNetworkReply* TerminalLink::send(const QString& path_and_query, int wait_ms,
                                  std::function<void(QNetworkReply*)> done) {
  int port = 0, pid = 0;
  QString token;
  if (!TerminalClient().read_state(port, token, &pid)) {
    done(nullptr);
    return nullptr;
  }
  QNetworkRequest ask(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path_and_query)));
  ask.setRawHeader("X-Qvod-Token", token.toLatin1());
  ask.setTransferTimeout(wait_ms);
  QNetworkReply* reply = net_.get(ask);
  connect(reply, &QNetworkReply::finished, this, [this, reply, pid, done = std::move(done)] {
    reply->deleteLater();
    if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) answered_pid_ = pid;
    done(reply);
  });
  return reply;
}

QNetworkReply* TerminalLink::request(const QString& path_and_query, int wait_ms,
                                     std::function<void(const QJsonObject&)> done) {
  return send(path_and_query, wait_ms, [done = std::move(done)](QNetworkReply* reply) {
    if (!done) return;
    done(reply && reply->error() == QNetworkReply::NoError ? QJsonDocument::fromJson(reply->readAll()).object()
                                                           : QJsonObject());
  });
}

void TerminalLink::start_task(const QString& qvod_address, std::function<void(const QJsonObject&)> done) {
  // Making a download may take the terminal a while on a busy machine; nobody waits for it meanwhile.
  request(QStringLiteral("/task?url=") + QString::fromLatin1(QUrl::toPercentEncoding(qvod_address)), kTaskWaitMs,
          std::move(done));
}

void TerminalLink::check_answering(std::function<void(bool)> done) {
  send(QStringLiteral("/status?hash=0"), kWaitMs, [done = std::move(done)](QNetworkReply* reply) {
    done(reply && reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid());
  });
}

bool TerminalLink::answered_by_running_terminal() const {
  return answered_pid_ > 0 && TerminalClient().running_pid() == answered_pid_;
}

void TerminalLink::refresh_status(const QString& hash) {
  if (hash != status_hash_) forget_status();
  status_hash_ = hash;
  if (status_asked_) return;  // one question at a time: a terminal that is slow gets no pile of them
  status_asked_ = request(QStringLiteral("/status?hash=") + hash, kWaitMs, [this, hash](const QJsonObject& answer) {
    if (answer.isEmpty() || hash != status_hash_) return;
    status_ = answer;
    status_age_.start();
  });
}

QJsonObject TerminalLink::status() const {
  return status_age_.isValid() && status_age_.elapsed() < kWaitMs ? status_ : QJsonObject();
}

void TerminalLink::forget_status() {
  status_ = {};
  status_age_.invalidate();
}

}  // namespace engine
