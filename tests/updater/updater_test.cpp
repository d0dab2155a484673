// selfmend as a child process against the site's staged release, and the install as one set.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QCryptographicHash>
#include <QDir>
#include <QProcess>

#include "config/settings.h"
#include "updater/install.h"
#include "updater/updater_fixture.h"
#include "updater/version_list.h"

namespace {

TEST_F(Updater, OneFileAndTwoFilesAreInstalledAndTheVersionFollows) {
  stage("{host}/vexa/sj.txt|V2.0|0|muban.htm", {{"muban.htm", "new template"}});
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(read_all(folder.file("muban.htm")), "new template");
  EXPECT_EQ(dialogs(), QStringList{done});
  EXPECT_EQ(setting(config::kVersion), "V2.0");
  EXPECT_EQ(setting(config::kUpdateFiles), "muban.htm");
  EXPECT_FALSE(QFileInfo::exists(folder.file("src/muban.htm")));

  const QByteArray kib(1024, 'k');  // exactly two chunks of 512
  stage("{host}/vexa/sj.txt|V2.1|0|muban.htm::extra.dat", {{"muban.htm", "newer template"}, {"extra.dat", kib}});
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(read_all(folder.file("muban.htm")), "newer template");
  EXPECT_EQ(read_all(folder.file("extra.dat")), kib);
  EXPECT_EQ(setting(config::kVersion), "V2.1");
}

TEST_F(Updater, TheFirstRunStoresTheListAndFetchesNothing) {
  config::setting_access(1, "", config::kVersionList);
  stage("{host}/vexa/sj.txt|V2.0|0|muban.htm", {{"muban.htm", "new template"}}, false);
  EXPECT_EQ(run("cancel", 3000), -1);  // the window stays (only its watchdog ends it)
  EXPECT_EQ(read_all(folder.file("muban.htm")), "old template");
  EXPECT_EQ(setting(config::kVersionList), "127.0.0.1:" + QString::number(site.port()) + "/vexa/sj.txt");
  EXPECT_EQ(setting(config::kUpdateFiles), "muban.htm");
}

TEST_F(Updater, WhatTheNetworkGetsWrongChangesNothing) {
  const auto before = program_files();
  const QString old_version = setting(config::kVersion);
  struct Case {
    const char* what;
    QString list;
    QMap<QString, QByteArray> files;
    std::string media;
  };
  const QString sum = QCryptographicHash::hash("new template", QCryptographicHash::Sha256).toHex();
  const Case cases[] = {
      {"missing file", "{host}/vexa/sj.txt|V3|0|muban.htm::nothere.bin", {{"muban.htm", "new template"}}, "normal"},
      {"empty file", "{host}/vexa/sj.txt|V3|0|muban.htm", {{"muban.htm", ""}}, "normal"},
      {"cut off", "{host}/vexa/sj.txt|V3|0|muban.htm", {{"muban.htm", QByteArray(300000, 'x')}}, "drop"},
      {"way out", "{host}/vexa/sj.txt|V3|0|..::muban.htm", {{"muban.htm", "x"}}, "normal"},
      {"absolute", "{host}/vexa/sj.txt|V3|0|/etc/passwd", {}, "normal"},
      {"folder", "{host}/vexa/sj.txt|V3|0|images::muban.htm", {{"muban.htm", "x"}}, "normal"},
      {"hidden", "{host}/vexa/sj.txt|V3|0|.bashrc", {}, "normal"},
      {"empty list", "", {}, "normal"},
      {"wrong sum", "{host}/vexa/sj.txt|V3|0|muban.htm|" + QString(64, 'a'), {{"muban.htm", "new template"}}, "normal"},
  };
  for (const Case& c : cases) {
    site.control("media=" + c.media);
    QFile::remove(folder.file("dialogs.txt"));
    stage(c.list, c.files);
    EXPECT_EQ(run(), 1) << c.what;
    EXPECT_EQ(dialogs(), QStringList{failed}) << c.what;
    EXPECT_EQ(program_files(), before) << c.what;
    EXPECT_EQ(setting(config::kVersion), old_version) << c.what;
    for (const QString& f : QDir(folder.file("src")).entryList(QDir::Files)) {
      ADD_FAILURE() << c.what << ": left " << f.toStdString();
    }
  }
  EXPECT_FALSE(QFileInfo::exists("/etc/passwd.old"));
}

// Without a release key, a fifth field that is not one sum per file is ignored, as every later field.
TEST_F(Updater, AFifthFieldThatIsNoListOfSumsIsIgnored) {
  const QString sum = QCryptographicHash::hash("new template", QCryptographicHash::Sha256).toHex();
  for (const QString& fifth : {QString("发布说明：修正若干问题"), sum /* one sum for two files */}) {
    write_all(folder.file("muban.htm"), "old template");
    stage("{host}/vexa/sj.txt|V3|0|muban.htm::b|" + fifth + "|later", {{"muban.htm", "new template"}, {"b", "b"}});
    EXPECT_EQ(run(), 0) << fifth.toStdString();
    EXPECT_EQ(read_all(folder.file("muban.htm")), "new template") << fifth.toStdString();
    EXPECT_EQ(read_all(folder.file("b")), "b") << fifth.toStdString();
  }
}

TEST_F(Updater, AFileWithoutALengthIsReadToItsEndAndTheRightSumInstalls) {
  site.control("media=chunked");
  const QByteArray body(70000, 'c');
  const QString sum = QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex();
  stage("{host}/vexa/sj.txt|V4|0|muban.htm|" + sum, {{"muban.htm", body}});
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(read_all(folder.file("muban.htm")), body);
}

// A kill at every step of an install: the next start finds the old set or the new set, whole.
TEST(Install, AKillAtAnyStepLeavesTheOldSetOrTheNewSet) {
  for (int stop = 1; stop <= 8; ++stop) {
    QTemporaryDir dir;
    const QString p = dir.path();
    QDir().mkpath(p + "/src");
    write_all(p + "/a", "old a");
    write_all(p + "/b", "old b");
    write_all(p + "/keep", "keep");
    write_all(p + "/src/a", "new a");
    write_all(p + "/src/b", "new b");
    write_all(p + "/src/c", "new c");
    const auto old_set = files_of(p);
    const pid_t child = fork();
    if (child == 0) {
      updater::Installer::after_step = [](int step) {
        if (step == std::atoi(qgetenv("STOP_AT").constData())) _exit(9);
      };
      qputenv("STOP_AT", QByteArray::number(stop));
      _exit(updater::Installer(p).install({"a", "b", "c"}) ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    updater::recover_interrupted_install(p);
    const auto now = files_of(p);
    QMap<QString, QByteArray> new_set{{"a", "new a"}, {"b", "new b"}, {"c", "new c"}, {"keep", "keep"}};
    EXPECT_TRUE(now == old_set || now == new_set)
        << "stopped at step " << stop << ": " << QStringList(now.keys()).join(",").toStdString();
    if (WEXITSTATUS(status) == 0) {
      EXPECT_EQ(now, new_set) << stop;
    }
  }
}

TEST(VersionList, NamesAreOnlyPlainFileNames) {
  for (const char* bad : {"", "..", ".", "../x", "a/b", "a\\b", "/etc/passwd", "C:\\x", ".hidden", " a", "src"})
    EXPECT_FALSE(updater::plain_name(bad)) << bad;
  for (const char* good : {"vexa", "muban.htm", "selfmend", "图.jpg"}) EXPECT_TRUE(updater::plain_name(good)) << good;
}

// Fields after the file list count only when they are one sum per file; the forced flag is a number.
TEST(VersionList, TheSumsFieldAndTheForcedFlag) {
  const QString a(64, 'a'), b(64, 'B');
  auto list = updater::parse_version_list("h/vexa/sj.txt|V2|1|a::b|" + a + "::" + b + "|later field");
  EXPECT_EQ(list.files, QStringList({"a", "b"}));
  EXPECT_EQ(list.sums, QStringList({a, b}));
  for (const QString& not_sums :
       {QString("s1::s2"), a, a + "::" + b + "::" + a, a + "::" + QString(63, 'b') + "g", QString("发布说明")})
    EXPECT_TRUE(updater::parse_version_list("h|V2|0|a::b|" + not_sums).sums.isEmpty()) << not_sums.toStdString();
  for (const char* forced : {"1", "1.5", "0.5", " 2 ", "-1"})
    EXPECT_TRUE(updater::parse_version_list(QString("h|V2|%1|a").arg(forced)).forced) << forced;
  for (const char* asked : {"0", "0.0", "", "abc", "-0", "1x"})
    EXPECT_FALSE(updater::parse_version_list(QString("h|V2|%1|a").arg(asked)).forced) << asked;
}

}  // namespace
