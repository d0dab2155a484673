// The shared connection against other connections to the same file: locks, failed commits, a file
// replaced under it, and compaction while someone else holds the file.
#include <gtest/gtest.h>
#include <QFile>

#include "platform/dialogs.h"
#include "store/builders.h"
#include "store/connection.h"
#include "store/maintenance.h"
#include "support/child.h"
#include "support/db_rows.h"
#include "support/program_folder.h"

namespace {

class Connections : public ::testing::Test {
 protected:
  void SetUp() override { before = platform::set_dialogs(&answers); }
  void TearDown() override {
    platform::set_dialogs(before);
    other.close();
    store::shared_connection().close();
  }
  // A second connection with a read transaction open: it holds a shared lock on the file.
  void hold_read_lock() {
    ASSERT_TRUE(other.open(folder.file("mydb.mdb")));
    ASSERT_TRUE(other.execute("begin"));
    ASSERT_TRUE(other.execute("select count(*) from det"));
  }
  QStringList titles() { return column("select * from hist order by histID", "hist_title"); }

  ProgramFolder folder;
  store::Connection other;
  platform::ScriptedDialogs answers;
  platform::Dialogs* before = nullptr;
};

TEST_F(Connections, AFailedCommitIsRolledBackAndLaterWritesStay) {
  store::open_db();
  hold_read_lock();
  {
    store::Transaction t(store::shared_connection());
    store::db_insert("hist", "hist_title", "'lost'");
    EXPECT_FALSE(t.commit());  // the other connection's lock outlasts the busy wait
  }
  EXPECT_FALSE(store::shared_connection().in_transaction());
  EXPECT_TRUE(folder.log_text().contains("commit"));
  ASSERT_TRUE(other.execute("commit"));
  EXPECT_TRUE(store::db_execute("insert into hist (hist_title) values ('kept')"));
  store::shared_connection().close();  // what is written survives the end of the run
  EXPECT_EQ(titles(), QStringList{"kept"});
}

TEST_F(Connections, AConnectionFollowsAFileReplacedUnderIt) {
  store::db_execute("insert into hist (hist_title) values ('old')");
  // Another program puts a new file in its place (as a compaction of an instance that missed us).
  ASSERT_TRUE(QFile::copy(folder.file("mydb.mdb"), folder.file("new.mdb")));
  {
    store::Connection writer;
    ASSERT_TRUE(writer.open(folder.file("new.mdb")));
    ASSERT_TRUE(writer.execute("insert into hist (hist_title) values ('new')"));
  }
  ASSERT_EQ(::rename(folder.file("new.mdb").toUtf8().constData(), folder.file("mydb.mdb").toUtf8().constData()), 0);
  EXPECT_TRUE(store::db_execute("insert into hist (hist_title) values ('after')"));
  store::shared_connection().close();
  EXPECT_EQ(titles(), QStringList({"old", "new", "after"}));
}

TEST_F(Connections, CompactionRefusesWhileAnotherConnectionHoldsTheFile) {
  store::db_execute("insert into hist (hist_title) values ('甲')");
  ASSERT_TRUE(other.open(folder.file("mydb.mdb")));
  const QByteArray before = read_all(folder.file("mydb.mdb"));
  store::compact_db([](const QString&) {});
  ASSERT_EQ(answers.shown.size(), 1);
  EXPECT_TRUE(answers.shown[0].startsWith("Morvane|数据库压缩失败，原数据库未作改动。"))
      << answers.shown[0].toStdString();
  EXPECT_EQ(read_all(folder.file("mydb.mdb")), before);
  EXPECT_TRUE(other.execute("insert into hist (hist_title) values ('乙')"));  // still a live file
  EXPECT_EQ(titles(), QStringList({"甲", "乙"}));
}

TEST_F(Connections, CompactionRefusesWhileAnotherInstanceHasTheFileOpen) {
  QProcess holder;
  const QString probe = copy_program(ProgramFolder::test_tool("morvane_probe"), folder.path(), "probe");
  end_with_parent(holder);
  holder.start(probe, {"hold_db", "20000"});
  ASSERT_TRUE(holder.waitForReadyRead(10000));
  ASSERT_TRUE(holder.readAll().contains("holding"));
  store::compact_db([](const QString&) {});
  ASSERT_EQ(answers.shown.size(), 1);
  EXPECT_TRUE(answers.shown[0].contains(QString::number(holder.processId()))) << answers.shown[0].toStdString();
  holder.kill();
  holder.waitForFinished();
  answers.shown.clear();
  store::compact_db([](const QString&) {});  // alone now: it goes through
  EXPECT_EQ(answers.shown, QStringList{"Morvane|数据库压缩成功..."});
}

}  // namespace
