#include <gtest/gtest.h>
#include <sqlite3.h>
#include <QFile>

#include <chrono>
#include <thread>

#include "platform/dialogs.h"
#include "platform/file_attributes.h"
#include "store/builders.h"
#include "store/connection.h"
#include "store/rowset.h"
#include "support/child.h"
#include "support/program_folder.h"

namespace {

ChildResult run_probe(const ProgramFolder& folder, const QString& dialogs) {
  const QString probe = copy_program(ProgramFolder::test_tool("morvane_probe"), folder.path(), "probe");
  return run_child(probe, {"open_db"}, {"MORVANE_DIALOG_LOG=" + dialogs, "MORVANE_LOG=" + folder.file("morvane.log")});
}

TEST(OpenDb, MissingFileEndsTheProcessWithItsMessage) {
  ProgramFolder folder;
  QFile::remove(folder.file("mydb.mdb"));
  const auto r = run_probe(folder, folder.file("dialogs.txt"));
  EXPECT_NE(r.exit_code, 0);
  EXPECT_FALSE(r.out.contains("statement"));
  EXPECT_EQ(QString::fromUtf8(read_all(folder.file("dialogs.txt"))), "Morvane|系统数据库丢失\n");
}

TEST(OpenDb, HiddenFileOpensNormally) {
  ProgramFolder folder;
  platform::set_hidden(folder.file("mydb.mdb"), true);
  const auto r = run_probe(folder, folder.file("dialogs.txt"));
  EXPECT_TRUE(r.out.contains("statement ran")) << r.out.toStdString();
  EXPECT_TRUE(read_all(folder.file("dialogs.txt")).isEmpty());
}

TEST(OpenDb, AFileThatIsNoCatalogueIsReportedOnceAndNothingRunsSilently) {
  for (const QByteArray& content : {QByteArray("Standard Jet DB\0\0\0garbage", 24), QByteArray()}) {
    ProgramFolder folder;
    write_all(folder.file("mydb.mdb"), content);
    const auto r = run_probe(folder, folder.file("dialogs.txt"));
    EXPECT_TRUE(r.out.contains("statement failed")) << r.out.toStdString();
    const QString shown = QString::fromUtf8(read_all(folder.file("dialogs.txt")));
    EXPECT_EQ(shown.count("Morvane|"), 1);
    EXPECT_TRUE(shown.contains(folder.file("mydb.mdb")));
    EXPECT_TRUE(folder.log_text().contains("open_db"));
  }
}

TEST(OpenDb, ReportsABrokenFileOnlyOnceInARun) {
  ProgramFolder folder;
  write_all(folder.file("mydb.mdb"), "not a database at all, just text");
  platform::ScriptedDialogs answers;
  platform::Dialogs* before = platform::set_dialogs(&answers);
  for (int i = 0; i < 5; ++i) store::db_execute("delete * from det");
  platform::set_dialogs(before);
  EXPECT_EQ(answers.shown.size(), 1);
  EXPECT_FALSE(store::shared_connection().is_open());
}

TEST(OpenDb, AFileThatCannotBeOpenedIsLoggedOncePerCause) {
  ProgramFolder folder;
  write_all(folder.file("mydb.mdb"), "not a database at all, just text");
  platform::ScriptedDialogs answers;
  platform::Dialogs* before = platform::set_dialogs(&answers);
  for (int i = 0; i < 50; ++i) {  // five seconds of the clean-up timer, and some queries
    store::db_execute("delete * from det");
    store::RowSet rs;
    rs.Open("select * from hist");
  }
  platform::set_dialogs(before);
  const QString log = folder.log_text();
  EXPECT_EQ(log.count(" open_db: "), 1) << log.toStdString();
  EXPECT_LE(log.count(" db_execute: "), 1) << log.toStdString();  // said once per run (maybe by a test before)
  EXPECT_LE(log.count(" RowSet::Open: "), 1) << log.toStdString();
  EXPECT_FALSE(log.contains("not an error"));
}

// Another program (a second instance, a test reading the file) writing at the moment of opening
// holds the file a few milliseconds: the catalogue waits for it rather than calling it broken.
TEST(OpenDb, AFileHeldByAWriterAtOpeningIsWaitedFor) {
  ProgramFolder folder;
  sqlite3* writer = nullptr;
  ASSERT_EQ(sqlite3_open(folder.file("mydb.mdb").toUtf8().constData(), &writer), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(writer, "begin exclusive", nullptr, nullptr, nullptr), SQLITE_OK);
  std::thread release([writer] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    sqlite3_exec(writer, "commit", nullptr, nullptr, nullptr);
  });
  platform::ScriptedDialogs answers;
  platform::Dialogs* before = platform::set_dialogs(&answers);
  store::open_db();
  platform::set_dialogs(before);
  release.join();
  sqlite3_close(writer);
  EXPECT_TRUE(answers.shown.isEmpty());
  EXPECT_TRUE(store::shared_connection().is_open());
}

// As another user meets it: a catalogue file, or its folder, that this user may not write.
class ReadOnlyCatalogue : public ::testing::Test {
 protected:
  ChildResult run_as_nobody() {
    const QString probe = copy_program(ProgramFolder::test_tool("morvane_probe"), folder.path(), "probe");
    for (const char* name : {"dialogs.txt", "probe.log"}) {
      write_all(folder.file(name), "");
      QFile::setPermissions(folder.file(name), QFile::Permissions(0x6666));
    }
    return run_child("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", probe, "write_twice"},
                     {"MORVANE_DIALOG_LOG=" + folder.file("dialogs.txt"), "MORVANE_LOG=" + folder.file("probe.log"),
                      "HOME=/nonexistent", "XDG_RUNTIME_DIR=" + folder.path()});
  }
  QString dialogs() { return QString::fromUtf8(read_all(folder.file("dialogs.txt"))); }
  ProgramFolder folder;
  const QFile::Permissions readable = QFile::Permissions(0x7755);
  const QFile::Permissions everyone = QFile::Permissions(0x7777);
};

TEST_F(ReadOnlyCatalogue, AReadOnlyFileIsSaidOnce) {
  ASSERT_TRUE(QFile::setPermissions(folder.path(), everyone));
  ASSERT_TRUE(QFile::setPermissions(folder.file("mydb.mdb"), QFile::Permissions(0x6444)));
  const auto r = run_as_nobody();
  EXPECT_EQ(r.out.count("not written"), 2) << r.out.toStdString();
  EXPECT_EQ(dialogs().count("Morvane|片库无法保存"), 1) << dialogs().toStdString();
  EXPECT_TRUE(dialogs().contains("只读"));
}

TEST_F(ReadOnlyCatalogue, AFolderThatCannotBeWrittenIsSaidOnce) {
  ASSERT_TRUE(QFile::setPermissions(folder.path(), readable));
  ASSERT_TRUE(QFile::setPermissions(folder.file("mydb.mdb"), QFile::Permissions(0x6666)));
  const auto r = run_as_nobody();
  EXPECT_EQ(r.out.count("not written"), 2) << r.out.toStdString();
  EXPECT_EQ(dialogs().count("Morvane|片库无法保存"), 1) << dialogs().toStdString();
  EXPECT_TRUE(dialogs().contains("文件夹不能写入"));
}

}  // namespace
