// The history store on a real catalogue file, filling a real list widget.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <QListWidget>

#include "history/history_store.h"
#include "store/builders.h"
#include "store/connection.h"
#include "store/rowset.h"
#include "support/db_rows.h"
#include "support/program_folder.h"
#include "support/test_session.h"

using namespace history;

namespace {

const QString kA = "qvod://10|AAAA0000AAAA0000AAAA0000AAAA0000AAAA0000|剧名-第01集.rmvb|";
const QString kB = "qvod://20|BBBB0000BBBB0000BBBB0000BBBB0000BBBB0000|剧名-第02集.rmvb|";

class History : public ::testing::Test {
 protected:
  void SetUp() override {
    test_session().history_list = &list;
    for (const QString& a : {kA, kB})
      store::db_insert("jj", "keyID|j_url|wjm", "77|'" + QString(a).replace('|', '$') + "'|'x'");
  }
  void TearDown() override { store::shared_connection().close(); }
  void playing_title(int key, const QString& name) {
    test_session().play.hist_key = key;
    test_session().play.title_name = name;
  }
  QStringList shown() {
    QStringList items;
    for (int i = 0; i < list.count(); ++i) items << list.item(i)->text();
    return items;
  }
  ProgramFolder folder;
  QListWidget list;
  HistoryStore history{test_session()};
};

TEST_F(History, ACatalogueTitleHasOneEntryAndEachEpisodeItsOwnPosition) {
  playing_title(77, "剧名");
  EXPECT_FALSE(history.hist_record(kA, 1));  // first play: a new entry, from 0
  EXPECT_EQ(shown(), QStringList{"剧名"});
  history.hist_save_pos(kA, 1, 125);
  store::db_execute("update hist set add_time=#2001-1-1# where keyID=77");
  EXPECT_EQ(history.hist_record(kB, 1), 0);  // another episode: the same entry, that episode's own position
  EXPECT_EQ(column("select * from hist", "hist_url"), QStringList{kB});
  EXPECT_NE(column("select * from hist", "add_time")[0], "2001-01-01 00:00:00");
  EXPECT_EQ(history.hist_record(kA, 1), 125);
  EXPECT_EQ(column("select * from jj where keyID=77 order by jjID", "jl"), QStringList({"125", "0"}));
}

// Each position lands on the episode row the scan over every episode finds ("like '%HASH%'", the
// first match), with the same hash in two titles, and after rows changed mid-play, here or by
// another program.
TEST_F(History, PositionsLandWhereTheScanFindsTheEpisodeWhateverChangesMidPlay) {
  const QString a_stored = QString(kA).replace('|', '$');
  store::db_insert("jj", "keyID|j_url|wjm", "88|'" + a_stored + "'|'y'");  // jjID 3: kA's hash in title 88
  playing_title(77, "剧名");
  history.hist_record(kA, 1);
  history.hist_save_pos(kA, 1, 30);
  EXPECT_EQ(column("select * from jj order by jjID", "jl"), QStringList({"30", "0", "0"}));
  // Title 77's row is given another address here: the scan now finds title 88's.
  ASSERT_TRUE(store::db_execute("update jj set j_url='qvod://1$OTHER$x.rmvb$' where jjID=1"));
  history.hist_save_pos(kA, 1, 40);
  EXPECT_EQ(column("select * from jj order by jjID", "jl"), QStringList({"30", "0", "40"}));
  // Another program gives title 77's row its address back, and takes it from title 88's.
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(folder.file("mydb.mdb").toUtf8().constData(), &other), SQLITE_OK);
  sqlite3_busy_timeout(other, 1500);  // as every program of ours waits: the client may be reading the file
  const QByteArray swap = "update jj set j_url='" + a_stored.toUtf8() +
                          "' where jjID=1;"
                          "update jj set j_url='qvod://1$GONE$y.rmvb$' where jjID=3;";
  ASSERT_EQ(sqlite3_exec(other, swap.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(other);
  history.hist_save_pos(kA, 1, 50);
  EXPECT_EQ(column("select * from jj order by jjID", "jl"), QStringList({"50", "0", "40"}));
  EXPECT_EQ(history.hist_record(kA, 1), 50);
}

TEST_F(History, AFreeAddressIsFoundByItsHashOrWholly) {
  EXPECT_FALSE(history.hist_record("C:\\影片\\film's cut.rmvb", 0));
  history.hist_save_pos("C:\\影片\\film's cut.rmvb", 0, 42);
  EXPECT_EQ(history.hist_record("C:\\影片\\film's cut.rmvb", 0), 42);
  EXPECT_FALSE(history.hist_record("C:\\影片\\other.rmvb", 0));  // without "|" only the whole address matches
  const QString free = "qvod://5|CCCC0000CCCC0000CCCC0000CCCC0000CCCC0000|Film.rmvb|";
  EXPECT_FALSE(history.hist_record(free, 0));
  history.hist_save_pos(free, 0, 9);
  EXPECT_EQ(history.hist_record("http://x/AAA/qvod://5|CCCC0000CCCC0000CCCC0000CCCC0000CCCC0000|另一个名字.rmvb|", 0),
            9);
  EXPECT_EQ(shown(), QStringList({"film's cut", "other", "Film"}));
}

TEST_F(History, SavingWithoutAnEntryOrEpisodeWritesNothing) {
  history.hist_save_pos("C:\\none.rmvb", 0, 5);
  history.hist_save_pos("qvod://1|DDDD0000DDDD0000DDDD0000DDDD0000DDDD0000|x.rmvb|", 1, 5);
  history.hist_save_pos("no key at all", 1, 5);
  EXPECT_TRUE(column("select * from hist", "histID").isEmpty());
  EXPECT_EQ(column("select * from jj order by jjID", "jl"), QStringList({"0", "0"}));
}

TEST_F(History, DeletingAndClearing) {
  playing_title(77, "剧名");
  history.hist_record(kA, 1);
  history.hist_save_pos(kA, 1, 30);
  history.hist_save_pos(kB, 1, 40);
  history.hist_record("C:\\a.rmvb", 0);
  const QStringList ids = column("select * from hist order by histID", "histID");
  history.hist_delete(ids[1]);  // a free entry: no episode changes
  EXPECT_EQ(column("select * from jj order by jjID", "jl"), QStringList({"30", "40"}));
  history.hist_delete(ids[0]);  // the title's entry: its episodes lose their positions
  EXPECT_EQ(column("select * from jj order by jjID", "jl"), QStringList({"0", "0"}));
  EXPECT_TRUE(shown().isEmpty());
  history.hist_delete("1 or 1=1");  // not an id: nothing runs
  history.hist_record(kA, 1);
  history.hist_save_pos(kA, 1, 30);
  history.hist_clear();
  EXPECT_TRUE(column("select * from hist", "histID").isEmpty());
  EXPECT_TRUE(column("select * from jj where jl<>0", "jjID").isEmpty());
}

TEST_F(History, ClearingTheLoadedTitlesPositions) {
  store::db_execute("update jj set jl=12");
  store::db_insert("jj", "keyID|j_url|jl", "88|'qvod://9$E$e.rmvb$'|7");
  test_session().play.loaded_key = 77;
  history.qk_td();
  EXPECT_EQ(column("select * from jj order by jjID", "jl"), QStringList({"0", "0", "7"}));
}

TEST_F(History, TheListKeepsCreationOrderWhateverTheTimes) {
  for (const char* a : {"C:\\c.rmvb", "C:\\a.rmvb", "C:\\b.rmvb"}) history.hist_record(a, 0);
  store::db_execute("update hist set add_time=#2030-1-1# where hist_title='c'");
  history.hist_fill_list();
  EXPECT_EQ(shown(), QStringList({"c", "a", "b"}));
  EXPECT_EQ(list.item(0)->data(Qt::UserRole).toInt(),
            column("select * from hist order by histID", "histID")[0].toInt());
}

TEST(TitleFromUrl, FileNamesWithoutExtension) {
  EXPECT_EQ(title_from_url("qvod://1|H|Film.rmvb|"), "Film");
  EXPECT_EQ(title_from_url("C:\\dir\\a.b.rmvb"), "a.b");
  EXPECT_EQ(title_from_url("http://h/p/clip.mp4"), "clip");
  EXPECT_EQ(title_from_url("a.b|c"), "");  // a "." without a delimiter before it
  EXPECT_EQ(title_from_url("noext"), "");
}

}  // namespace
