#include "engine/terminal_questions.h"

#include <httplib.h>
#include <QJsonDocument>
#include <QUrl>

namespace engine {

QJsonObject TerminalQuestions::get(const QString& path_and_query) const {
  int port = 0;
  QString token;
  if (!read_state(port, token)) return {};
  httplib::Client client("127.0.0.1", port);
  client.set_connection_timeout(0, 300000);
  client.set_read_timeout(0, 500000);
  auto res = client.Get(path_and_query.toStdString().c_str(), {{"X-Qvod-Token", token.toStdString()}});
  if (!res) return {};
  return QJsonDocument::fromJson(QByteArray::fromStdString(res->body)).object();
}

QJsonObject TerminalQuestions::start(const QString& qvod_address) const {
  return get("/task?url=" + QString::fromLatin1(QUrl::toPercentEncoding(qvod_address)));
}

QJsonObject TerminalQuestions::status(const QString& hash) const { return get("/status?hash=" + hash); }

}  // namespace engine
