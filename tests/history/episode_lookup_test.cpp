// The episode a position lands on, found through the episode index, is the one the scan over
// every episode finds, on a catalogue made to trip it: equal names and hashes in several titles, a
// hash in another episode's name, inside a longer run of hex digits, in another case, in a run too
// long to index; rows readdressed, removed and added through the client and by another program.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <QListWidget>

#include "history/history_store.h"
#include "store/builders.h"
#include "store/connection.h"
#include "support/db_rows.h"
#include "support/program_folder.h"
#include "support/test_session.h"

using namespace history;

namespace {

QString hash_of(char digit) { return QString(40, QChar(digit)).replace(7, 1, 'A'); }

class EpisodeLookup : public ::testing::Test {
 protected:
  void SetUp() override { test_session().history_list = &list; }
  void TearDown() override { store::shared_connection().close(); }

  void add(int title, const QString& address) {
    ASSERT_TRUE(store::db_execute("insert into jj (keyID,j_url,wjm) values (" + QString::number(title) + "," +
                                  store::text_literal(address) + ",'x')"));
  }
  // The row the scan finds, asked of the file by a connection of the test's own.
  QString scan_finds(const QString& hash) {
    sqlite3* own = nullptr;
    sqlite3_open(store::db_path().toUtf8().constData(), &own);
    sqlite3_busy_timeout(own, 1500);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(own, ("select jjID from jj where j_url like '%" + hash + "%'").toUtf8().constData(), -1, &st,
                       nullptr);
    const QString id = sqlite3_step(st) == SQLITE_ROW ? QString::number(sqlite3_column_int64(st, 0)) : QString();
    sqlite3_finalize(st);
    sqlite3_close(own);
    return id;
  }
  // Plays the hash as an episode of a catalogue title and saves a position: the row that holds it.
  QString save_lands_on(const QString& hash, int position) {
    test_session().play.hist_key = 500;
    test_session().play.title_name = "同名";
    const QString address = "qvod://9|" + hash + "|同名.rmvb|";
    history.hist_record(address, 1);
    history.hist_save_pos(address, 1, position);
    const QStringList rows = column("select * from jj where jl=" + QString::number(position), "jjID");
    return rows.value(0);
  }
  void expect_index_answers(const QString& hash) {
    store::Connection& c = store::shared_connection();
    EXPECT_TRUE(c.episode_index().candidates(hash, c.foreign_version())) << hash.toStdString();
  }

  ProgramFolder folder;
  QListWidget list;
  HistoryStore history{test_session()};
};

TEST_F(EpisodeLookup, EveryPositionLandsWhereTheScanFindsTheHash) {
  const QString h1 = hash_of('1'), h2 = hash_of('2'), h3 = hash_of('3'), h4 = hash_of('4'), h5 = hash_of('5');
  add(10, "qvod://1$" + h2.left(39) + "$a.rmvb$");                 // a near miss: 39 digits
  add(20, "qvod://1$00" + h2 + "FF$b.rmvb$");                      // h2 inside a run of 44 digits
  add(30, "qvod://1$" + h1.toLower() + "$同名 " + h3 + ".rmvb$");  // h1 in small letters; h3 in the name
  add(40, "qvod://1$" + h3 + "$同名.rmvb$");
  add(50, "qvod://1$" + QString(300, 'C') + h4 + "$long.rmvb$");  // a run too long to index
  add(60, "qvod://1$" + h1 + "$同名.rmvb$");                      // h1 again, in other titles
  add(70, "qvod://1$" + h1 + "$同名.rmvb$");
  ASSERT_TRUE(store::shared_connection().episode_index().wait_ready(5000));

  int position = 100;
  auto check_all = [&](const char* when) {
    for (const QString& h : {h1, h2, h3, h4, h5, h2.toLower()}) {
      SCOPED_TRACE(when + (" " + h).toStdString());
      expect_index_answers(h);
      EXPECT_EQ(save_lands_on(h, ++position), scan_finds(h));
    }
  };
  check_all("as written");
  // Through the client: the first h1 readdressed, h3's name row removed, h5 added.
  ASSERT_TRUE(store::db_execute("update jj set j_url='qvod://1$" + h4 + "$x.rmvb$' where jjID=3"));
  ASSERT_TRUE(store::db_execute("delete from jj where jjID=4"));
  add(80, "qvod://1$" + h5 + "$新.rmvb$");
  check_all("after the client's writes");
  // By another program: rows it adds are found once the index is built again.
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(store::db_path().toUtf8().constData(), &other), SQLITE_OK);
  sqlite3_busy_timeout(other, 1500);
  const QByteArray theirs = "insert into jj (jjID,keyID,j_url) values (0,90,'qvod://1$" + h5.toUtf8() +
                            "$theirs$');update jj set j_url='gone' where jjID=6;";
  ASSERT_EQ(sqlite3_exec(other, theirs.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(other);
  for (const QString& h : {h1, h5}) EXPECT_EQ(save_lands_on(h, ++position), scan_finds(h));  // the scan, meanwhile
  ASSERT_TRUE(store::shared_connection().episode_index().wait_ready(5000));
  check_all("after another program's writes");
}

// Recording plays of titles with equal names keeps one entry per title, in the order of their first
// plays, and the list shows what the file holds after records, a deletion and a new play.
TEST_F(EpisodeLookup, TheHistoryListFollowsTheEntriesOfTitlesWithEqualNames) {
  for (int title : {3, 1, 2}) add(title, "qvod://1$" + hash_of('0' + title) + "$同名.rmvb$");
  ASSERT_TRUE(store::shared_connection().episode_index().wait_ready(5000));
  history.hist_fill_list();
  auto play = [&](int title) {
    test_session().play.hist_key = title;
    test_session().play.title_name = "同名";
    history.hist_record("qvod://1|" + hash_of('0' + title) + "|同名.rmvb|", 1);
  };
  auto list_ids = [&] {
    QStringList ids;
    for (int i = 0; i < list.count(); ++i) ids << list.item(i)->data(Qt::UserRole).toString();
    return ids;
  };
  for (int title : {2, 3, 2, 1, 3}) play(title);
  EXPECT_EQ(column("select * from hist order by histID", "keyID"), QStringList({"2", "3", "1"}));
  EXPECT_EQ(list_ids(), column("select * from hist order by histID", "histID"));
  history.hist_delete(column("select * from hist where keyID=3", "histID")[0]);
  play(3);
  play(2);
  EXPECT_EQ(column("select * from hist order by histID", "keyID"), QStringList({"2", "1", "3"}));
  EXPECT_EQ(list_ids(), column("select * from hist order by histID", "histID"));
  EXPECT_EQ(list.count(), 3);
}

}  // namespace
