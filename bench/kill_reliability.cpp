// The playing client killed with SIGKILL at random moments: after every kill the database must pass
// its integrity check, and the position read back must be no further behind what was playing than
// one save interval (2.5 s), the kill's own moment and the whole-second rounding of a stored position.
//
// The position that was playing when the kill came is bracketed from the saves seen while it
// played (playing runs at real time): every save seen gives a lower bound (it was at least that far
// then, plus the time since) and an upper bound (less than one second further, at the last poll
// that had not yet seen it). Usage: kill_reliability [runs=200] [seed]
#include <sqlite3.h>
#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <random>

#include "session/session.h"
#include "store/builders.h"
#include "store/connection.h"
#include "support/client_seat.h"
#include "support/db_rows.h"
#include "support/wait.h"

namespace {

struct Save {
  int position;
  qint64 seen_ms;    // first poll that read it
  qint64 unseen_ms;  // the poll before
};

QString integrity(const QString& db) {
  sqlite3* c = nullptr;
  QString result = QStringLiteral("cannot open");
  if (sqlite3_open_v2(db.toUtf8().constData(), &c, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
    sqlite3_busy_timeout(c, 5000);
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(c, "PRAGMA integrity_check", -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
      result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
    sqlite3_finalize(s);
  }
  sqlite3_close(c);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  use_test_environment();
  QApplication app(argc, argv);
  session::Session session;
  const int runs = argc > 1 ? std::atoi(argv[1]) : 200;
  const unsigned seed = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : std::random_device{}();
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> kill_after(500, 14000);  // ms after the first save was seen

  ClientSeat seat;
  if (!seat.ready()) return std::puts("no X server"), 1;
  std::printf("runs %d seed %u\n", runs, seed);
  int failures = 0, measured = 0, damaged = 0, lost_save = 0, no_start = 0;
  double worst_low = 0, worst_high = 0;
  for (int run = 1; run <= runs; ++run) {
    store::shared_connection().close();
    // The title starts from its first episode at 0 every run: no position, no resume question.
    store::db_execute(QStringLiteral("update jj set jl=0 where keyID=1034"));
    if (!seat.start() || !seat.open_and_play()) {
      std::printf("run %d: %s\n", run, qPrintable(seat.why().left(200) + " ... " + seat.why().right(1500)));
      ++no_start;
      seat.kill_client();
      continue;
    }
    QElapsedTimer clock;
    clock.start();
    std::vector<Save> saves;
    qint64 last_poll = 0, kill_at = -1;
    const int delay = kill_after(random);
    while (clock.elapsed() < 40000) {
      const qint64 now = clock.elapsed();
      const int p = seat.position(0);
      if (p > 0 && (saves.empty() || saves.back().position != p)) saves.push_back({p, now, last_poll});
      last_poll = now;
      if (!saves.empty() && now >= saves.front().seen_ms + delay) break;
      settle(40);
    }
    kill_at = clock.elapsed();
    seat.kill_client();
    if (saves.empty()) {
      std::printf("run %d: nothing saved within 40 s\n", run);
      ++no_start;
      continue;
    }
    const QString check = integrity(seat.folder.file("mydb.mdb"));
    store::shared_connection().close();
    const int stored = seat.position(0);
    double low = -1e9, high = 1e9;  // bounds of the position that was playing at the kill, in seconds
    for (const Save& s : saves) {
      low = std::max(low, s.position + (kill_at - s.seen_ms) / 1000.0);
      high = std::min(high, s.position + 1 + (kill_at - s.unseen_ms) / 1000.0);
    }
    const double loss_low = low - stored, loss_high = high - stored;
    ++measured;
    worst_low = std::max(worst_low, loss_low);
    worst_high = std::max(worst_high, loss_high);
    const bool bad_check = check != QLatin1String("ok"), went_back = stored < saves.back().position;
    // Certainly more than one save interval, the whole second a stored position drops and the kill's moment.
    const bool too_far = loss_low > 2.5 + 1.0 + 0.25;
    damaged += bad_check;
    lost_save += went_back;
    if (bad_check || went_back || too_far) ++failures;
    std::printf(
        "run %d: killed %.2f s after the first save, stored %d s, playing %.2f..%.2f s, loss %.2f..%.2f s%s%s%s\n", run,
        (kill_at - saves.front().seen_ms) / 1000.0, stored, low, high, loss_low, loss_high,
        bad_check ? qPrintable(" INTEGRITY: " + check) : "", went_back ? " A SEEN SAVE WAS LOST" : "",
        too_far ? " TOO FAR BEHIND" : "");
    std::fflush(stdout);
  }
  std::printf("\nruns %d, measured %d, not started %d, failures %d (integrity %d, seen save lost %d)\n", runs, measured,
              no_start, failures, damaged, lost_save);
  std::printf(
      "largest loss: at least %.2f s, at most %.2f s (save interval 2.5 s, stored positions are whole seconds)\n",
      worst_low, worst_high);
  return failures == 0 ? 0 : 1;
}
