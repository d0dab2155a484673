#pragma once
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

namespace platform {

// The programs' Internet Transfer control over Qt Network. open_url is the synchronous
// open-address call: it runs a local event loop (the event pump goes on) until the reply ends or
// the time-out passes, and gives the body ("" on any failure).
class Transfer : public QObject {
  Q_OBJECT
 public:
  explicit Transfer(QObject* parent = nullptr);
  ~Transfer() override;

  // The control's own time-out unit is not seconds; this is the wait in milliseconds.
  void set_timeout_ms(int ms) { timeout_ms_ = ms; }
  QByteArray open_url(const QString& url);
  void cancel();
  int last_status() const { return last_status_; }
  // The last reply came whole (no time-out, no cut, no refusal) with status 200.
  bool last_whole() const { return last_whole_; }

 private:
  QNetworkAccessManager* manager_;
  QPointer<QNetworkReply> running_;
  int timeout_ms_ = 15000;
  int last_status_ = 0;
  bool last_whole_ = false;
};

}  // namespace platform
