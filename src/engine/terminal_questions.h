#pragma once
#include <QJsonObject>
#include <QString>

#include "engine/terminal_client.h"

namespace engine {

// Questions to the running terminal that wait for its answer, for tools, tests and benchmarks. The
// client has none of them: the player asks through TerminalLink, and the client holds no HTTP
// library of its own (nor the TLS libraries one brings).
class TerminalQuestions : public TerminalClient {
 public:
  // Starts or finds the download of a qvod address; its status ("state", "progress", "rate", ...).
  QJsonObject start(const QString& qvod_address) const;
  QJsonObject status(const QString& hash) const;

 private:
  QJsonObject get(const QString& path_and_query) const;
};

}  // namespace engine
