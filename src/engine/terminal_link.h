#pragma once
#include <QElapsedTimer>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <functional>

class QNetworkReply;

namespace engine {

// The player's line to the terminal, for the GUI thread: every request is asynchronous (an answer
// comes back as a callback), on one kept-alive connection. The item's status is asked for at most
// once at a time, and what came last counts only while it is fresh.
class TerminalLink : public QObject {
  Q_OBJECT
 public:
  explicit TerminalLink(QObject* parent = nullptr);

  // Starts (or finds) the download of a qvod address; done gets its status, or an empty object
  // when there is no terminal, no answer, or no JSON (done may be empty).
  void start_task(const QString& qvod_address, std::function<void(const QJsonObject&)> done);
  // Whether the terminal of the state file answers at all (any answer of HTTP), within 2 s.
  void check_answering(std::function<void(bool)> done);
  // The terminal of the state file has answered this link (a terminal started since has not).
  bool answered_by_running_terminal() const;

  // Asks for the item's status unless a question is out already; status() is the last answer while
  // it is younger than 2 s, else empty (unknown).
  void refresh_status(const QString& hash);
  QJsonObject status() const;
  void forget_status();

 private:
  QNetworkAccessManager net_;
  QPointer<QNetworkReply> status_asked_;
  QString status_hash_;
  QJsonObject status_;
  QElapsedTimer status_age_;
  int answered_pid_ = 0;  // the terminal that answered last

  // GET from the terminal of the state file, answered within wait_ms; done gets the reply (null:
  // no terminal to ask), or the JSON of its body (request). The reply while it is out.
  QNetworkReply* send(const QString& path_and_query, int wait_ms, std::function<void(QNetworkReply*)> done);
  QNetworkReply* request(const QString& path_and_query, int wait_ms, std::function<void(const QJsonObject&)> done);
};

}  // namespace engine
