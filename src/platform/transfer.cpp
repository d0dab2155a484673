#include "platform/transfer.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

#include "platform/log.h"

namespace platform {

Transfer::Transfer(QObject* parent) : QObject(parent), manager_(new QNetworkAccessManager(this)) {}

Transfer::~Transfer() { cancel(); }

void Transfer::cancel() {
  if (running_) running_->abort();
}

QByteArray Transfer::open_url(const QString& url) {
  cancel();
  last_status_ = 0;
  last_whole_ = false;
  QNetworkRequest request{QUrl(url)};
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
  QNetworkReply* reply = manager_->get(request);
  running_ = reply;
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  connect(&timer, &QTimer::timeout, reply, &QNetworkReply::abort);
  connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  timer.start(timeout_ms_);
  if (!reply->isFinished()) loop.exec();
  QByteArray body;
  last_status_ = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  if (reply->error() == QNetworkReply::NoError) {
    body = reply->readAll();
    last_whole_ = last_status_ == 200;
  } else log_failure(QStringLiteral("Transfer::open_url"), url + QStringLiteral(": ") + reply->errorString());
  reply->deleteLater();
  return body;
}

}  // namespace platform
