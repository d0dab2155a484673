#include <gtest/gtest.h>
#include <sqlite3.h>
#include <QDir>
#include <QFile>

#include "platform/dialogs.h"
#include "platform/file_attributes.h"
#include "store/builders.h"
#include "store/maintenance.h"
#include "store/rowset.h"
#include "support/program_folder.h"

namespace {

class Compaction : public ::testing::Test {
 protected:
  void SetUp() override { before = platform::set_dialogs(&answers); }
  void TearDown() override {
    platform::set_dialogs(before);
    store::shared_connection().close();
  }
  store::LabelSink label() {
    return [this](const QString& t) { labels << t; };
  }
  ProgramFolder folder;
  platform::ScriptedDialogs answers;
  platform::Dialogs* before = nullptr;
  QStringList labels;
};

TEST_F(Compaction, ReplacesTheFileWithAHiddenCompactCopy) {
  for (int i = 0; i < 300; ++i)
    store::db_insert("jj", "keyID|j_url", QStringLiteral("%1|'%2'").arg(i).arg(QString(200, 'x')));
  store::db_execute("delete * from jj where keyID > 0");
  const qint64 before = QFileInfo(folder.file("mydb.mdb")).size();
  write_all(folder.file("newtmp.mdb"), "left over from an earlier run");

  store::date_ys_click(label());

  EXPECT_EQ(labels, QStringList({"数据库压缩中..请稍后", "准备就绪"}));
  EXPECT_EQ(answers.shown, QStringList({"Morvane|数据库压缩成功..."}));
  EXPECT_FALSE(QFile::exists(folder.file("newtmp.mdb")));
  EXPECT_LT(QFileInfo(folder.file("mydb.mdb")).size(), before);
  // Hidden where the file system keeps the attribute; found all the same.
  write_all(folder.file("x"), "x");
  if (platform::set_hidden(folder.file("x"), true)) {
    EXPECT_TRUE(platform::is_hidden(folder.file("mydb.mdb")));
  }
  // The next statement reopens the connection on the new file.
  store::RowSet rs;
  ASSERT_TRUE(rs.Open("select * from jj"));
  EXPECT_EQ(rs.RecordCount(), 1);
}

TEST_F(Compaction, WhileTheConnectionIsBusyTheNextUseReopensIt) {
  store::db_insert("hist", "hist_title", "'甲'");
  // The client's own connection is inside a read when the user compacts: it holds a lock.
  ASSERT_TRUE(store::shared_connection().execute("begin"));
  ASSERT_TRUE(store::shared_connection().execute("select count(*) from hist"));
  store::compact_db(label());
  EXPECT_EQ(answers.shown, QStringList{"Morvane|数据库压缩成功..."});
  store::db_insert("hist", "hist_title", "'乙'");
  store::RowSet rs;
  ASSERT_TRUE(rs.Open("select * from hist"));
  EXPECT_EQ(rs.RecordCount(), 2);
}

TEST_F(Compaction, AFailureLeavesTheOldFileAndSaysSo) {
  const QByteArray broken("this is not a database file, and cannot be compacted");
  write_all(folder.file("mydb.mdb"), broken);
  store::compact_db(label());
  EXPECT_EQ(read_all(folder.file("mydb.mdb")), broken);
  EXPECT_FALSE(QFile::exists(folder.file("newtmp.mdb")));
  ASSERT_EQ(answers.shown.size(), 1);
  EXPECT_TRUE(answers.shown[0].contains("数据库压缩失败"));
  EXPECT_EQ(labels, QStringList({"准备就绪"}));
  EXPECT_TRUE(folder.log_text().contains("compact_db"));
}

TEST(Dedup, KeepsTheNewestRowOfEachRepeatedKeyAndLeavesUniqueRows) {
  ProgramFolder folder;
  for (int id : {5, 9, 7}) store::db_execute(QStringLiteral("insert into det (detailID,keyID) values (%1,42)").arg(id));
  store::db_execute("insert into det (detailID,keyID) values (3,43)");
  ASSERT_TRUE(store::db_execute(store::kDedupStatement));
  store::RowSet rs;
  ASSERT_TRUE(rs.Open("select detailID from det order by detailID"));
  QStringList left;
  for (; !rs.Eof(); rs.MoveNext()) left << rs.text("detailID");
  EXPECT_EQ(left, QStringList({"3", "9"}));
  store::shared_connection().close();
}

TEST(Dedup, TheTimersRunSkipsOnlyWhileNothingChanged) {
  ProgramFolder folder;
  store::db_execute("insert into det (detailID,keyID) values (1,42)");
  EXPECT_TRUE(store::dedup_titles());
  EXPECT_FALSE(store::dedup_titles());
  store::db_execute("insert into det (detailID,keyID) values (2,42)");
  EXPECT_TRUE(store::dedup_titles());
  store::RowSet rs;
  ASSERT_TRUE(rs.Open("select detailID from det"));
  EXPECT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(rs.number("detailID"), 2);
  EXPECT_FALSE(store::dedup_titles());
  // Play positions and history saved meanwhile make no duplicate: nothing runs.
  store::db_execute("insert into hist (keyID,hist_title) values (42,'x')");
  store::db_execute("update hist set hist_title='y' where keyID=42");
  store::db_execute("update det set d_name='renamed' where detailID=2");
  EXPECT_FALSE(store::dedup_titles());
  store::db_execute("insert into det (detailID,keyID) values (3,43)");
  store::db_execute("update det set keyID=42 where detailID=3");  // re-keyed into a duplicate
  ASSERT_TRUE(store::dedup_titles());
  ASSERT_TRUE(rs.Open("select detailID from det"));
  EXPECT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(rs.number("detailID"), 3);
  store::shared_connection().close();  // a reopened connection runs it again
  EXPECT_TRUE(store::dedup_titles());
  store::shared_connection().close();
}

// Another program's connection adds a duplicate title: seen within a second of ticks.
TEST(Dedup, AnotherConnectionsTitlesAreSeenWithinTenTicks) {
  ProgramFolder folder;
  store::db_execute("insert into det (detailID,keyID) values (1,42)");
  store::dedup_titles();
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(store::db_path().toUtf8().constData(), &other), SQLITE_OK);
  sqlite3_busy_timeout(other, 1500);  // as every program of ours waits: the client may be reading the file
  ASSERT_EQ(sqlite3_exec(other, "insert into det (detailID,keyID) values (2,42)", nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(other);
  int ran_at = 0;
  for (int tick = 1; tick <= 10 && ran_at == 0; ++tick)
    if (store::dedup_titles()) ran_at = tick;
  EXPECT_GT(ran_at, 0);
  store::RowSet rs;
  ASSERT_TRUE(rs.Open("select detailID from det"));
  EXPECT_EQ(rs.RecordCount(), 1);
  store::shared_connection().close();
}

}  // namespace
