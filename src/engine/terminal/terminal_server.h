#pragma once
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "engine/terminal/download_task.h"

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib
namespace platform {
class LoopbackServer;
}

namespace terminal {

// 24 random bytes from the system, as hex; "" when the system gives none.
std::string random_token();

// The terminal's server on 127.0.0.1. Every request must carry the access token (query "token"
// or header "X-Qvod-Token"), name the server by 127.0.0.1 or localhost with its port, and come
// from no web page (no Origin header).
//   /task?url=A      starts (or finds) the download of a qvod address; answers its status
//   /status?hash=H   state, progress (tenths of a percent), rate (KB/s), reason
//   /stream/H/name   the item's bytes with range requests, what the player asks for first
class TerminalServer {
 public:
  // The access token comes from token_source (the system's random bytes; tests give others).
  TerminalServer(QString media_folder, QStringList sources,
                 const std::function<std::string()>& token_source = random_token);
  ~TerminalServer();
  int start(int port = 0);  // the port, or -1 (and why() says why)
  void stop();
  // One request given as bytes, answered by the routes without a socket (fuzzing): see LoopbackServer.
  std::string answer_in_memory(const std::string& request);
  const std::string& token() const { return token_; }
  QString why() const { return why_; }

 private:
  bool build_server();  // the server and its routes; false without a token
  bool allowed(const httplib::Request& req, httplib::Response& res) const;
  std::shared_ptr<DownloadTask> task_for(const QString& address, QString* why);
  std::shared_ptr<DownloadTask> find(const std::string& hash) const;
  void stream(const httplib::Request& req, httplib::Response& res);
  static std::string status_of(const DownloadTask& t);

  MediaFolder media_;
  QStringList sources_;
  std::string token_;
  QString why_;
  int port_ = 0;
  std::unique_ptr<platform::LoopbackServer> server_;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<DownloadTask>> tasks_;
};

}  // namespace terminal
