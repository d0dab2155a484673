// Requests on one kept-alive connection to both servers (the sample site and the terminal), against
// the same request on a fresh connection each time, in the same run: a server that lets Nagle hold
// its answer's second write shows up as ~40 ms on the kept-alive connection only. Medians of 20.
#include <httplib.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "engine/terminal_questions.h"
#include "median.h"
#include "support/program_folder.h"
#include "support/site_process.h"
#include "support/terminal_process.h"
#include "support/wait.h"

namespace {

constexpr int kRequests = 20;

// Milliseconds of each request: on one client kept alive, or on a new connection each time.
double median_ms(int port, const std::string& path, const httplib::Headers& headers, bool keep_alive) {
  std::vector<double> times;
  httplib::Client kept("127.0.0.1", port);
  kept.set_keep_alive(true);
  kept.Get(path.c_str(), headers);  // the connection is open before the timing starts
  for (int i = 0; i < kRequests; ++i) {
    QElapsedTimer clock;
    clock.start();
    httplib::Client fresh("127.0.0.1", port);
    httplib::Result res = (keep_alive ? kept : fresh).Get(path.c_str(), headers);
    times.push_back(clock.nsecsElapsed() / 1e6);
    if (!res || (res->status != 200 && res->status != 206)) std::fprintf(stderr, "%s failed\n", path.c_str());
  }
  return median(times);
}

void row(const char* what, int port, const std::string& path, const httplib::Headers& headers = {}) {
  const double kept = median_ms(port, path, headers, true), fresh = median_ms(port, path, headers, false);
  std::printf("%-44s %8.2f ms %9.2f ms %7.2f\n", what, kept, fresh, kept / fresh);
}

}  // namespace

int main(int argc, char** argv) {
  use_test_environment();
  QCoreApplication app(argc, argv);
  SiteProcess site;
  ProgramFolder folder(false);
  TerminalProcess terminal(folder.path());
  terminal.configure(folder.file("media"), site.base() + "/qvod/{hash}/{name}");
  if (!terminal.launch()) return 1;
  const QString body = QString::fromStdString(http_get(site.port(), "/details.php?id=1004").body);
  const QString address = body.section("<!--jj_start-->", 1).section("::", 0, 0).replace('$', '|');
  const std::string hash = address.section('|', 1, 1).toStdString();
  engine::TerminalQuestions client;
  client.start(address);
  wait_until([&] { return client.status(QString::fromStdString(hash)).value("state").toString() == "done"; }, 30000);
  const std::string stream = QUrl(client.stream_address(QString::fromStdString(hash), "x.mp4"))
                                 .toString(QUrl::RemoveScheme | QUrl::RemoveAuthority)
                                 .toStdString();
  const httplib::Headers token{{"X-Qvod-Token", terminal.token}};
  const httplib::Headers range{{"Range", "bytes=1000-66535"}};

  std::printf("%-44s %11s %12s %7s\n", "median of 20 requests, kept-alive connection", "value", "fresh conn.", "ratio");
  row("site: version list", site.port(), "/vexa/sj.txt");
  row("site: a detail page", site.port(), "/details.php?id=1004");
  row("site: 64 KB range of a media file", site.port(), "/qvod/" + hash + "/x", range);
  row("terminal: status", terminal.port, "/status?hash=" + hash, token);
  row("terminal: 64 KB range of the stream", terminal.port, stream, range);
  return 0;
}
