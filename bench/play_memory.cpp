// Memory of the engine (this process, which hosts it as the client does, and the terminal) while
// it plays a large item of the terminal, against idle, and against the same bytes played as a web
// stream (libmpv's read-ahead cache on), in the same run. PSS, MiB.
//   play_memory [seconds=60]   (a lossless 720p clip of that length: ~4-8 MB a second)
#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <algorithm>
#include <cstdio>

#include "engine/mpv_engine.h"
#include "engine/terminal_questions.h"
#include "support/program_folder.h"
#include "support/terminal_process.h"
#include "support/wait.h"

namespace {

double pss_mib(qint64 pid) {
  QFile f(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith("Pss:")) return line.mid(4).trimmed().split(' ').value(0).toDouble() / 1024;
  return 0;
}

// The largest PSS of this process and the terminal while the engine plays for `seconds`.
double peak_while_playing(engine::MpvEngine& e, const QString& address, qint64 terminal, int seconds) {
  e.setURL(address);
  e.Play();
  wait_until([&] { return e.playstate() == engine::PlayState::Playing; }, 20000);
  double peak = 0;
  for (int i = 0; i < seconds * 4; ++i) {
    settle(250);
    peak = std::max(peak, pss_mib(QCoreApplication::applicationPid()) + pss_mib(terminal));
  }
  e.setURL("");
  settle(1000);
  return peak;
}

}  // namespace

int main(int argc, char** argv) {
  use_test_environment();
  QApplication app(argc, argv);
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
  // A large clip, made once and kept in the build tree.
  const QString clip = QStringLiteral(MORVANE_TEST_HOME "/big-%1s.mp4").arg(seconds);
  if (!QFile::exists(clip)) {
    std::fprintf(stderr, "making a %d s lossless clip...\n", seconds);
    QProcess::execute("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                                 QStringLiteral("testsrc2=size=1280x720:rate=25:duration=%1").arg(seconds), "-c:v",
                                 "libx264", "-preset", "ultrafast", "-qp", "0", clip + ".part.mp4"});
    QFile::rename(clip + ".part.mp4", clip);
  }
  QFile file(clip);
  if (!file.open(QIODevice::ReadOnly)) return 1;
  QCryptographicHash sha(QCryptographicHash::Sha1);
  sha.addData(&file);
  const QString hash = QString::fromLatin1(sha.result().toHex()).toUpper();
  const qint64 size = file.size();

  // The item is in the terminal's folder already, finished: the terminal takes it over.
  ProgramFolder folder(false);
  QDir().mkpath(folder.file("media"));
  QFile::copy(clip, folder.file("media/big.mp4"));
  TerminalProcess terminal(folder.path());
  terminal.configure(folder.file("media"), "http://127.0.0.1:1/{hash}");
  if (!terminal.launch()) return 1;
  const QString address = QStringLiteral("qvod://%1|%2|big.mp4|").arg(size).arg(hash);
  engine::TerminalQuestions client;
  client.start(address);
  wait_until([&] { return client.status(hash).value("state").toString() == "done"; }, 30000);

  engine::MpvEngine e(nullptr, true);
  settle(1000);
  const qint64 term = terminal.process.processId();
  const double idle = pss_mib(QCoreApplication::applicationPid()) + pss_mib(term);
  const double qvod = peak_while_playing(e, address, term, std::min(seconds - 5, 30));
  // The same bytes from the same server, as a web address: what a read-ahead cache holds.
  const double web = peak_while_playing(e, client.stream_address(hash, "big.mp4"), term, std::min(seconds - 5, 30));
  std::printf("%-44s %10s %12s %7s\n", "figure (PSS of engine host + terminal)", "value", "reference", "ratio");
  std::printf("%-44s %7.0f MiB %8.0f MiB %7.2f\n", "idle", idle, idle, 1.0);
  std::printf("%-44s %7.0f MiB %8.0f MiB %7.2f\n", "playing a qvod item, above idle (ref: 100)", qvod - idle, 100.0,
              (qvod - idle) / 100.0);
  std::printf("%-44s %7.0f MiB %8.0f MiB %7.2f\n", "the same as a web stream, above idle", web - idle, qvod - idle,
              (web - idle) / std::max(1.0, qvod - idle));
  std::printf("(item: %.0f MB)\n", size / 1e6);
  return 0;
}
