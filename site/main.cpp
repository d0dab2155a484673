// morvane-site --port P --data DIR [--release DIR] [--pages DIR] [--catalogue FILE] [--list-fail N] [--delay-ms T]
//   [--sign-key FILE]
// The site's server on 127.0.0.1; prints its port on the first line and serves until ended.
#include <unistd.h>
#include <QCoreApplication>
#include <QFileInfo>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "site/site_server.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList a = app.arguments();
  auto value = [&](const char* flag, const QString& fallback = {}) {
    const int i = a.indexOf(QString::fromLatin1(flag));
    return i >= 0 && i + 1 < a.size() ? a[i + 1] : fallback;
  };
  site::SiteOptions options;
  options.data = value("--data", QStringLiteral("site-data"));
  options.release = value("--release");
  options.pages = value("--pages");
  options.catalogue = value("--catalogue", QCoreApplication::applicationDirPath() + "/catalogue.json");
  options.list_fail = value("--list-fail", "0").toInt();
  options.delay_ms = value("--delay-ms", "0").toInt();
  options.sign_key = value("--sign-key");
  site::SiteServer server(options);
  QString error;
  if (!server.prepare(&error)) {
    std::fprintf(stderr, "morvane-site: %s\n", qPrintable(error));
    return 1;
  }
  // Blocked before the server's threads start, so that only sigwait below receives them.
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  sigprocmask(SIG_BLOCK, &set, nullptr);
  const int port = server.start(value("--port", "0").toInt());
  if (port < 0) {
    std::fprintf(stderr, "morvane-site: cannot listen on 127.0.0.1:%s\n", qPrintable(value("--port", "0")));
    return 1;
  }
  std::printf("%d\n", port);
  std::fflush(stdout);
  int sig = 0;
  sigwait(&set, &sig);
  std::_Exit(0);  // nothing to save; open keep-alive connections need not be waited for
}
