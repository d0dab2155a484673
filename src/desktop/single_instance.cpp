#include "desktop/single_instance.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include "platform/log.h"
#include "platform/paths.h"

namespace desktop {

namespace {

constexpr int kConnectMs = 500;
constexpr int kAnswerMs = 3000;
constexpr qint64 kMaxMessage = 1 << 20;
const QByteArray kTaken = "taken\n";

// Only a process of this very user may hand the client anything.
bool peer_is_this_user(qintptr fd) {
  ucred peer{};
  socklen_t len = sizeof peer;
  return ::getsockopt(static_cast<int>(fd), SOL_SOCKET, SO_PEERCRED, &peer, &len) == 0 && peer.uid == ::getuid();
}

}  // namespace

QString SingleInstance::socket_path() {
  const QString forced = qEnvironmentVariable("MORVANE_INSTANCE_SOCKET");
  if (!forced.isEmpty()) return forced;
  QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (runtime.isEmpty() || !QDir(runtime).exists()) runtime = platform::state_folder();
  return runtime + QStringLiteral("/morvane-client.socket");
}

bool SingleInstance::hand_over(const QStringList& addresses) {
  QLocalSocket socket;
  socket.connectToServer(socket_path());
  if (!socket.waitForConnected(kConnectMs)) return false;  // none runs, or its socket is stale
  socket.write(QJsonDocument(QJsonArray::fromStringList(addresses)).toJson(QJsonDocument::Compact) + '\n');
  if (!socket.waitForBytesWritten(kAnswerMs)) return false;
  QByteArray answer;
  while (!answer.endsWith('\n') && socket.waitForReadyRead(kAnswerMs)) answer += socket.readAll();
  return answer == kTaken;
}

bool SingleInstance::listen(Opened opened) {
  opened_ = std::move(opened);
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  const QString path = socket_path();
  // Made under a private name and renamed onto the path: a killed client's socket is replaced.
  if (!server_->listen(path)) {
    platform::log_failure(QStringLiteral("single instance"), path + QStringLiteral(": ") + server_->errorString());
    return false;
  }
  connect(server_, &QLocalServer::newConnection, this, &SingleInstance::take_connection);
  return true;
}

void SingleInstance::take_connection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (!peer_is_this_user(socket->socketDescriptor())) {
      socket->abort();
      continue;
    }
    // A peer that never finishes its message is dropped; the window never waits for it.
    QTimer::singleShot(kAnswerMs, socket, [socket] { socket->abort(); });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      if (socket->bytesAvailable() > kMaxMessage) return socket->abort();
      if (!socket->canReadLine()) return;
      const QJsonArray list = QJsonDocument::fromJson(socket->readLine()).array();
      socket->write(kTaken);
      socket->disconnectFromServer();
      QStringList addresses;
      for (const QJsonValue& v : list)
        if (v.isString()) addresses << v.toString();
      if (opened_) opened_(addresses);
    });
  }
}

}  // namespace desktop
