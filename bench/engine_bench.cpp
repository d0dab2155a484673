// The engine's figures against plain tools in the same run: terminal download throughput against
// curl, and "URL" + "Play" to playing against the bare mpv command.
#include <benchmark/benchmark.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <csignal>
#include <memory>

#include "engine/mpv_engine.h"
#include "engine/terminal_questions.h"
#include "support/child.h"
#include "support/program_folder.h"
#include "support/site_process.h"
#include "support/terminal_process.h"
#include "support/wait.h"

namespace {

struct Stage {
  SiteProcess site;
  ProgramFolder folder{false};
  TerminalProcess terminal{folder.path()};
  QStringList addresses;  // the 500-episode title's items
  Stage() {
    terminal.configure(folder.file("media"), site.base() + "/qvod/{hash}/{name}");
    terminal.launch();
    const QString body = QString::fromStdString(http_get(site.port(), "/details.php?id=1008").body);
    for (QString entry : body.section("<!--jj_start-->", 1).split("::")) addresses << entry.replace('$', '|');
  }
};

Stage& stage() {
  static Stage s;
  return s;
}

int64_t size_of(const QString& address) { return address.mid(7).section('|', 0, 0).toLongLong(); }

void BM_TerminalDownload(benchmark::State& state) {
  engine::TerminalQuestions client;
  int next = 0;
  int64_t bytes = 0;
  for (auto _ : state) {
    const QString a = stage().addresses[next++ % 250];
    client.start(a);
    wait_until([&] { return client.status(a.section('|', 1, 1)).value("state").toString() != "downloading"; }, 30000);
    bytes += size_of(a);
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_TerminalDownload)->Unit(benchmark::kMillisecond)->Iterations(100)->UseRealTime();

void BM_CurlDownload(benchmark::State& state) {
  int next = 250;
  int64_t bytes = 0;
  for (auto _ : state) {
    const QString a = stage().addresses[next++];
    const QString url = stage().site.base() + "/qvod/" + a.section('|', 1, 1) + "/x.rmvb";
    QProcess::execute("curl", {"-s", "-o", "/dev/null", url});
    bytes += size_of(a);
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_CurlDownload)->Unit(benchmark::kMillisecond)->Iterations(100)->UseRealTime();

void to_playing(benchmark::State& state, bool through_terminal) {
  const QString clip = stage().folder.file("clip.mp4");
  if (!QFile::exists(clip))
    write_all(clip,
              QByteArray::fromStdString(
                  http_get(stage().site.port(), "/qvod/" + stage().addresses[0].section('|', 1, 1).toStdString() + "/x")
                      .body));
  engine::MpvEngine e(nullptr, true);
  for (auto _ : state) {
    e.setURL(through_terminal ? stage().addresses[0] : clip);
    e.Play();
    wait_until([&] { return e.playstate() == engine::PlayState::Playing; }, 10000);
    state.PauseTiming();
    e.setURL("");
    settle(50);
    state.ResumeTiming();
  }
}
void BM_UrlToPlaying_Terminal(benchmark::State& s) { to_playing(s, true); }
void BM_UrlToPlaying_LocalFile(benchmark::State& s) { to_playing(s, false); }
BENCHMARK(BM_UrlToPlaying_Terminal)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();
BENCHMARK(BM_UrlToPlaying_LocalFile)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();

// The bare command: start, open the file, play a tenth of a second, end.
void BM_BareMpvOpen(benchmark::State& state) {
  const QString clip = stage().folder.file("clip.mp4");
  for (auto _ : state) QProcess::execute("mpv", {"--vo=null", "--ao=null", "--really-quiet", "--length=0.1", clip});
}
BENCHMARK(BM_BareMpvOpen)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  use_test_environment();
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
