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

  // GET path_and_query from the terminal of the state file; done gets the JSON answer, or an empty
  // object when there is no terminal, no answer within 2 s, or no JSON.
  void request(const QString& path_and_query, std::function<void(const QJsonObject&)> done);
  // Whether the terminal of the state file answers at all (any answer of HTTP), within 2 s.
  void check_answering(std::function<void(bool)> done);
  // It answered within the last 2 s.
  bool answered_lately() const { return answered_.isValid() && answered_.elapsed() < 2000; }

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
  QElapsedTimer answered_;

  // GET from the terminal of the state file; done gets the reply (null: no terminal to ask).
  void send(const QString& path_and_query, std::function<void(QNetworkReply*)> done);
};

}  // namespace engine
