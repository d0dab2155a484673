#pragma once
// selfmend run as a child process in a program folder of its own, against the site's staged release.
#include <gtest/gtest.h>
#include <QDir>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

#include "config/settings.h"
#include "support/child.h"
#include "support/program_folder.h"
#include "support/site_process.h"

inline QMap<QString, QByteArray> files_of(const QString& folder) {
  QMap<QString, QByteArray> out;
  for (const QString& n : QDir(folder).entryList(QDir::Files)) out[n] = read_all(folder + '/' + n);
  return out;
}

class Updater : public ::testing::Test {
 protected:
  // The updater as a build without a release key makes it, unless a test says which.
  explicit Updater(const QString& program = QStringLiteral(MORVANE_TEST_TOOLS "/selfmend-keyless"))
      : program_(program), site({"--release", release.path()}) {}
  void SetUp() override {
    copy_program(program_, folder.path(), "selfmend");
    write_all(folder.file("muban.htm"), "old template");
    write_all(folder.file("vexa.ini.note"), "unrelated file");
  }
  // The list the site serves, its files, and where the last run read it ("sjwj").
  void stage(const QString& fields, const QMap<QString, QByteArray>& files, bool known_location = true) {
    write_all(release.path() + "/sj.txt", fields.toUtf8());
    for (auto it = files.begin(); it != files.end(); ++it) write_all(release.path() + '/' + it.key(), it.value());
    if (known_location)
      config::setting_access(1, "127.0.0.1:" + QString::number(site.port()) + "/vexa/sj.txt", config::kVersionList);
  }
  // Runs selfmend to its end (or for `ms`); its dialogs logged and answered.
  int run(const QString& answers = "cancel", int ms = 30000) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("MORVANE_SITE", site.base());
    env.insert("MORVANE_DIALOG_LOG", folder.file("dialogs.txt"));
    env.insert("MORVANE_DIALOG_ANSWERS", answers);
    p.setProcessEnvironment(env);
    end_with_parent(p);
    p.start(folder.file("selfmend"), {});
    if (!p.waitForFinished(ms)) {
      p.kill();
      p.waitForFinished();
      return -1;
    }
    return p.exitCode();
  }
  QStringList dialogs() {
    return QString::fromUtf8(read_all(folder.file("dialogs.txt"))).split('\n', Qt::SkipEmptyParts);
  }
  QString setting(int n) { return config::setting_access(0, {}, n); }
  QMap<QString, QByteArray> program_files() {
    auto files = files_of(folder.path());
    files.remove("dialogs.txt");
    files.remove("morvane.log");
    files.remove("vexa.ini");
    return files;
  }

  QString program_;
  QTemporaryDir release;
  ProgramFolder folder;
  SiteProcess site;
  const QString done = "Morvane升级系统|Morvane升级完成..是否打开Morvane？";
  const QString failed = "Morvane升级系统|与服务器通信失败.请稍后再试 ";
};
