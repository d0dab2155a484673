// The player playing a site episode of a catalogue title, its play recorded and its position saved
// every 2.5 s into a catalogue of 1,000,000 episodes (bench/million_catalogue.sh), against the same
// play into the shipped, empty catalogue, in alternating rounds: the main thread's CPU and its
// longest stall (a 1 ms timer's largest gap), and the play's record. Prints: figure, value,
// reference, ratio. Run alone: the figures are the program's, not a busy machine's.
//   ROUNDS=3 SECONDS=20 play_at_million
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>
#include <ctime>

#include "bench/median.h"
#include "player/player_fixture.h"
#include "store/builders.h"
#include "store/text_utils.h"
#include "support/block_watch.h"

namespace {

const int rounds = qEnvironmentVariableIntValue("ROUNDS") ?: 3;
const int seconds = qEnvironmentVariableIntValue("SECONDS") ?: 20;

double thread_cpu_ms() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Figures {
  double cpu_percent = 0, longest_ms = 0, record_ms = 0;
};

class PlayAtMillion : public PlayerTest {
 protected:
  // One play of a forty-second site episode as an episode of title 1034 (in the history already).
  Figures play_into(const QString& catalogue) {
    store::shared_connection().close();
    QFile::remove(folder.file("mydb.mdb"));
    QFile::copy(catalogue, folder.file("mydb.mdb"));
    const QString address = episode(1034, 0);
    store::db_execute("insert into jj (keyID,j_url,wjm) values (1034," +
                      store::text_literal(QString(address).replace('|', '$')) + ",'x')");
    store::db_execute("insert into hist (keyID,hist_title) values (1034,'片名')");
    store::shared_connection().episode_index().wait_ready(60000);
    test_session().play.hist_key = 1034;
    test_session().play.title_name = "片名";
    Figures f;
    QElapsedTimer clock;
    clock.start();
    history.hist_record(address, 1);
    f.record_ms = clock.nsecsElapsed() / 1e6;
    kandor->setQlj(folder.file("play"));
    kandor->h_play(address, 1, 0);
    if (!state_reaches(engine::PlayState::Playing)) ADD_FAILURE() << "no play";
    settle(3000);
    BlockWatch watch;
    const double cpu_before = thread_cpu_ms();
    watch.start();
    settle(seconds * 1000);
    f.longest_ms = watch.stop_ms();
    f.cpu_percent = (thread_cpu_ms() - cpu_before) / (seconds * 10.0);
    kandor->q_stop();
    settle(500);
    return f;
  }
};

TEST_F(PlayAtMillion, MainThreadWhilePlaying) {
  const QString million = QStringLiteral(MORVANE_BENCH_DIR "/million.mdb");
  ASSERT_TRUE(QFile::exists(million)) << "make it first: bench/million_catalogue.sh build/shipped/mydb.mdb "
                                      << qPrintable(million);
  const QString empty = folder.file("shipped.mdb");
  QFile::copy(QStringLiteral(MORVANE_SHIPPED "/mydb.mdb"), empty);
  std::vector<double> cpu_m, cpu_e, stall_m, stall_e, record_m, record_e;
  for (int r = 0; r < rounds; ++r) {
    const Figures m = play_into(million), e = play_into(empty);
    cpu_m.push_back(m.cpu_percent);
    cpu_e.push_back(e.cpu_percent);
    stall_m.push_back(m.longest_ms);
    stall_e.push_back(e.longest_ms);
    record_m.push_back(m.record_ms);
    record_e.push_back(e.record_ms);
  }
  const auto row = [](const char* figure, double value, double reference) {
    std::printf("%-44s %10.2f %12.2f %7.2f\n", figure, value, reference, reference ? value / reference : 0);
  };
  std::printf("figure value reference ratio (reference: the shipped catalogue; medians of %d rounds)\n", rounds);
  row("main thread playing, 1M episodes (% core)", median(cpu_m), median(cpu_e));
  row("longest stall playing, 1M episodes (ms)", median(stall_m), 16.0);
  row("  longest stall playing, empty (ms)", median(stall_e), 16.0);
  row("play recorded, 1M episodes (ms)", median(record_m), 20.0);
}

}  // namespace
