#include "engine/terminal_link.h"

#include <QFile>
#include <QJsonDocument>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include "engine/terminal/terminal_server.h"

namespace engine {

namespace {

constexpr int kWaitMs = 2000;  // an answer later than this is no answer; a status older, unknown

}  // namespace

TerminalLink::TerminalLink(QObject* parent) : QObject(parent) {
  net_.setProxy(QNetworkProxy::NoProxy);  // the terminal is on this machine, whatever proxy the user has
}

void TerminalLink::send(const QString& path_and_query, std::function<void(QNetworkReply*)> done) {
  QFile state(terminal::state_file());
  const QStringList fields = state.open(QIODevice::ReadOnly) ? QString::fromLatin1(state.readAll()).split(' ') : QStringList();
  const int port = fields.value(0).toInt();
  const QByteArray token = fields.value(1).toLatin1();
  if (port <= 0 || token.isEmpty()) return done(nullptr);
  QNetworkRequest ask(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path_and_query)));
  ask.setRawHeader("X-Qvod-Token", token);
  ask.setTransferTimeout(kWaitMs);
  QNetworkReply* reply = net_.get(ask);
  if (path_and_query.startsWith(QLatin1String("/status?hash=")) && path_and_query != QLatin1String("/status?hash=0"))
    status_asked_ = reply;
  connect(reply, &QNetworkReply::finished, this, [this, reply, done = std::move(done)] {
    reply->deleteLater();
    if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) answered_.start();
    done(reply);
  });
}

void TerminalLink::request(const QString& path_and_query, std::function<void(const QJsonObject&)> done) {
  send(path_and_query, [done = std::move(done)](QNetworkReply* reply) {
    if (!done) return;
    done(reply && reply->error() == QNetworkReply::NoError ? QJsonDocument::fromJson(reply->readAll()).object()
                                                           : QJsonObject());
  });
}

void TerminalLink::check_answering(std::function<void(bool)> done) {
  send(QStringLiteral("/status?hash=0"), [done = std::move(done)](QNetworkReply* reply) {
    done(reply && reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid());
  });
}

void TerminalLink::refresh_status(const QString& hash) {
  if (hash != status_hash_) forget_status();
  status_hash_ = hash;
  if (status_asked_) return;  // one question at a time: a terminal that is slow gets no pile of them
  request(QStringLiteral("/status?hash=") + hash, [this, hash](const QJsonObject& answer) {
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
