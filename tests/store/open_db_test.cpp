#include <QFile>
#include <gtest/gtest.h>

#include "platform/dialogs.h"
#include "platform/file_attributes.h"
#include "store/builders.h"
#include "store/connection.h"
#include "support/child.h"
#include "support/program_folder.h"

namespace {

ChildResult run_probe(const ProgramFolder& folder, const QString& dialogs) {
  const QString probe = copy_program(ProgramFolder::test_tool("morvane_probe"), folder.path(), "probe");
  return run_child(probe, {"open_db"},
                   {"MORVANE_DIALOG_LOG=" + dialogs, "MORVANE_LOG=" + folder.file("morvane.log")});
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

}  // namespace
