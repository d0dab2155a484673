// The catalogue store's hot statements: the 100 ms de-duplication and a large episode merge.
#include <benchmark/benchmark.h>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include "history/history_store.h"
#include "platform/paths.h"
#include "session/session.h"
#include "store/builders.h"
#include "store/connection.h"
#include "store/maintenance.h"
#include "store/rowset.h"
#include "store/text_utils.h"

namespace {

// A program folder with a fresh copy of the shipped database.
struct Folder {
  QTemporaryDir dir;
  Folder() {
    QFile::copy(QStringLiteral(MORVANE_SHIPPED "/mydb.mdb"), dir.path() + "/mydb.mdb");
    platform::set_program_folder(dir.path());
    qputenv("MORVANE_LOG", (dir.path() + "/log").toUtf8());
    store::shared_connection().close();
    store::open_db();
  }
  ~Folder() { store::shared_connection().close(); }
};

// rows titles, 1 % of them stored twice (as a merge of a title without episodes leaves them).
void fill_titles(int rows) {
  store::Transaction t(store::shared_connection());
  for (int i = 0; i < rows; ++i) {
    const int key = i % 100 == 0 ? i + 1 : i;  // every hundredth row repeats the next key
    store::db_execute(QStringLiteral("insert into det (keyID,d_name,fenleiID) values (%1,'片名%1',12)").arg(key));
  }
  t.commit();
}

void BM_Dedup(benchmark::State& state) {
  Folder folder;
  fill_titles(static_cast<int>(state.range(0)));
  store::db_execute(store::kDedupStatement);  // the first tick removes the duplicates
  for (auto _ : state) benchmark::DoNotOptimize(store::db_execute(store::kDedupStatement));
}
BENCHMARK(BM_Dedup)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// What the 100 ms timer costs while the catalogue does not change.
void BM_DedupTimerTickUnchanged(benchmark::State& state) {
  Folder folder;
  fill_titles(static_cast<int>(state.range(0)));
  store::dedup_titles();
  for (auto _ : state) benchmark::DoNotOptimize(store::dedup_titles());
}
BENCHMARK(BM_DedupTimerTickUnchanged)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The tick while a play goes on: its position is saved into the history meanwhile (every 2.5 s in
// the client; here before every tick), which makes no duplicate title and so runs nothing.
void BM_DedupTickWhileHistoryIsWritten(benchmark::State& state) {
  Folder folder;
  fill_titles(static_cast<int>(state.range(0)));
  store::db_execute("insert into hist (keyID,hist_title,jd) values (77,'片名',0)");
  store::dedup_titles();
  int position = 0;
  for (auto _ : state) {
    state.PauseTiming();
    store::db_execute(QStringLiteral("update hist set jd=%1 where keyID=77").arg(++position));
    state.ResumeTiming();
    benchmark::DoNotOptimize(store::dedup_titles());
  }
}
BENCHMARK(BM_DedupTickWhileHistoryIsWritten)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_DedupWithFreshDuplicates(benchmark::State& state) {
  Folder folder;
  fill_titles(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    store::db_execute("insert into det (keyID,d_name) values (5,'again')");
    state.ResumeTiming();
    store::db_execute(store::kDedupStatement);
  }
}
BENCHMARK(BM_DedupWithFreshDuplicates)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void merge_episodes(int count, bool grouped) {
  store::Transaction t(store::shared_connection());
  if (!grouped) t.commit();  // commit at once: every insert then commits by itself
  for (int i = 0; i < count; ++i)
    store::db_insert("jj", "keyID|j_url|wjm",
                     QStringLiteral("77|'qvod://%1$%2$剧名-第%1集.rmvb$'|'剧名-第%1集.rmvb'")
                         .arg(i)
                         .arg(i * 7919, 40, 16, QChar('0')));
  if (grouped) t.commit();
}

void BM_Merge2000Episodes(benchmark::State& state) {
  Folder folder;
  for (auto _ : state) {
    merge_episodes(2000, state.range(0) == 1);
    state.PauseTiming();
    store::db_execute("delete * from jj");
    state.ResumeTiming();
  }
}
BENCHMARK(BM_Merge2000Episodes)->ArgName("one_transaction")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// episodes rows in jj (titles of 10 episodes each), straight into the file; the played one last.
const QString kPlayedHash = QStringLiteral("FEEDFACE0BADC0DEFEEDFACE0BADC0DEFEEDFACE");
const QString kPlayed = "qvod://9|" + kPlayedHash + "|末集.rmvb|";
void fill_episodes(int episodes) {
  const QByteArray sql = "with recursive n(i) as (select 1 union all select i+1 from n where i < " +
                         QByteArray::number(episodes - 1) +
                         ") insert into jj (keyID,j_url,wjm) select i/10+1, 'qvod://' || i || '$' || "
                         "printf('%040d', i) || '$ep' || i || '.rmvb$', 'ep' || i || '.rmvb' from n;"
                         "insert into jj (keyID,j_url,wjm) values (777,'" +
                         QString(kPlayed).replace('|', '$').toUtf8() + "','末集.rmvb');";
  sqlite3_exec(store::shared_connection().handle(), sql.constData(), nullptr, nullptr, nullptr);
}

// A catalogue of that many episodes, opened afresh as at start-up: its episode index is built.
void open_with_episodes(int episodes) {
  fill_episodes(episodes);
  store::shared_connection().close();
  store::open_db();
  store::shared_connection().episode_index().wait_ready(60000);
}

// A catalogue of that many episodes, and a play of its last one recorded.
struct PlayRecorded {
  session::Session session;
  Folder folder;
  history::HistoryStore history{session};
  explicit PlayRecorded(int episodes) {
    open_with_episodes(episodes);
    session.play.hist_key = 777;
    history.hist_record(kPlayed, 1);
  }
};

// The position saved every 2.5 s while playing, through the history store's episode lookup.
void BM_SavePosition(benchmark::State& state) {
  PlayRecorded play(static_cast<int>(state.range(0)));
  int position = 0;
  for (auto _ : state) play.history.hist_save_pos(kPlayed, 1, ++position);
}
BENCHMARK(BM_SavePosition)->Arg(1000000)->Unit(benchmark::kMillisecond);

// A play's record (the entry exists: it is brought up to date and the episode's position read).
void BM_RecordPlay(benchmark::State& state) {
  PlayRecorded play(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(play.history.hist_record(kPlayed, 1));
}
BENCHMARK(BM_RecordPlay)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Building the episode index of a catalogue as it opens (on a thread of its own).
void BM_EpisodeIndexBuild(benchmark::State& state) {
  Folder folder;
  fill_episodes(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    store::shared_connection().close();
    store::open_db();
    store::shared_connection().episode_index().wait_ready(60000);
  }
}
BENCHMARK(BM_EpisodeIndexBuild)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

// Its reference in the same run: the save by the scan over every episode.
void BM_SavePositionByScan(benchmark::State& state) {
  Folder folder;
  fill_episodes(static_cast<int>(state.range(0)));
  int position = 0;
  for (auto _ : state) {
    store::RowSet rs;
    rs.Open("select * from jj where j_url like " + store::text_literal('%' + kPlayedHash + '%'));
    rs.SetField("jl", ++position);
    rs.Update();
  }
}
BENCHMARK(BM_SavePositionByScan)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  session::Session session;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
