#pragma once
#include <QProcess>
#include <QString>
#include <QStringList>
#include <string>

// morvane-site as a child process on 127.0.0.1 with a free port, its media kept in the build tree.
class SiteProcess {
 public:
  explicit SiteProcess(const QStringList& extra_args = {});
  ~SiteProcess();
  int port() const { return port_; }
  qint64 process_id() const { return process_.processId(); }
  QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }
  // GET on the control endpoint ("list_fail=3", "media=drop", ...); the answer's body.
  std::string control(const std::string& query, const std::string& path = "/_control") const;

 private:
  QProcess process_;
  int port_ = 0;
};

// A GET by a real HTTP client: status and body (status 0 when the connection failed).
struct HttpAnswer {
  int status = 0;
  std::string body;
  std::string header(const std::string& name) const;
  std::string headers;  // "Name: value\n" lines
};
HttpAnswer http_get(int port, const std::string& path, const std::string& range = {});
