// The client as a user installs it: make install into a home of the test's own, the desktop entry
// as a desktop reads it, the installed client started by that entry with a file, and the uninstall.
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>

#include "platform/paths.h"
#include "platform/processes.h"
#include "store/connection.h"
#include "support/clip.h"
#include "support/db_rows.h"
#include "support/program_folder.h"
#include "support/site_process.h"
#include "support/wait.h"
#include "support/x_server.h"

namespace {

const QString kBuild = QStringLiteral(MORVANE_BUILD_DIR);

int run(const QString& program, const QStringList& arguments, QString* out = nullptr) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(program, arguments);
  if (!p.waitForFinished(120000)) return -1;
  if (out) *out = QString::fromUtf8(p.readAll());
  return p.exitCode();
}

QStringList files_below(const QString& folder) {
  QStringList out;
  QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) out << it.next().mid(folder.size() + 1);
  out.sort();
  return out;
}

class MakeInstall : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(x.running());
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);  // the client the set-up starts again comes to this test
    // The build's own record of an install is the user's: it is put back after the test.
    QFile::copy(manifest, saved.filePath("manifest"));
  }
  void TearDown() override {
    if (client > 0) ::kill(client, SIGTERM);
    wait_until([&] { return client <= 0 || ended(client); }, 15000);
    store::shared_connection().close();
    QFile::remove(manifest);
    QFile::copy(saved.filePath("manifest"), manifest);
  }
  // Whether the client has ended (it is this test's child by now: its zombie is reaped here).
  bool ended(pid_t pid) const { return ::waitpid(pid, nullptr, WNOHANG) == pid || ::kill(pid, 0) != 0; }
  pid_t installed_client() const {
    for (const auto& p : platform::user_processes())
      if (QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(p.pid)) == prefix + "/opt/morvane/vexa") return p.pid;
    return 0;
  }

  QTemporaryDir home;
  const QString prefix = home.filePath(".local");
  const QString manifest = kBuild + "/install_manifest.txt";
  QTemporaryDir saved;
  XServer x;
  SiteProcess site;
  pid_t client = 0;
};

TEST_F(MakeInstall, InstallsForTheUserStartsFromItsEntryAndUninstallsKeepingTheUsersData) {
  QString out;
  ASSERT_EQ(run("cmake", {"--install", kBuild, "--prefix", prefix}, &out), 0) << out.toStdString();
  const QStringList installed = files_below(prefix);
  for (const char* file :
       {"bin/morvane", "opt/morvane/vexa", "opt/morvane/update", "opt/morvane/selfmend",
        "opt/morvane/play/QvodTerminal", "opt/morvane/play/QvodCfg.ini", "opt/morvane/mydb.mdb", "opt/morvane/vexa.ini",
        "opt/morvane/muban.htm", "opt/morvane/images/icon.png", "share/applications/morvane.desktop",
        "share/icons/hicolor/48x48/apps/morvane.png", "share/icons/hicolor/256x256/apps/morvane.png"})
    EXPECT_TRUE(installed.contains(file)) << file;
  const QString entry = prefix + "/share/applications/morvane.desktop";
  ASSERT_EQ(run("desktop-file-validate", {entry}, &out), 0) << out.toStdString();

  // The entry's Exec line, with a file for its %U, as the desktop runs it, on a first run.
  const QString text = QString::fromUtf8(read_all(entry));
  const QRegularExpressionMatch exec =
      QRegularExpression("^Exec=\"([^\"]+)\" %U$", QRegularExpression::MultilineOption).match(text);
  ASSERT_TRUE(exec.hasMatch()) << text.toStdString();
  const QString film = home.filePath("影片.mp4");
  ASSERT_TRUE(make_clip(film));
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const QString& kv :
       x.env() + QStringList{"HOME=" + home.path(), "XDG_CONFIG_HOME=" + home.filePath("config"),
                             "XDG_STATE_HOME=" + home.filePath("state"), "XDG_CACHE_HOME=" + home.filePath("cache"),
                             "XDG_RUNTIME_DIR=" + home.path(), "MORVANE_SITE=" + site.base(),
                             "MORVANE_REGISTRY=" + home.filePath("registry.ini")})
    env.insert(kv.section('=', 0, 0), kv.section('=', 1));
  env.remove("MORVANE_INSTANCE_SOCKET");
  env.remove("MORVANE_DIALOG_LOG");
  QProcess desktop;
  desktop.setProcessEnvironment(env);
  desktop.start(exec.captured(1), {film});
  ASSERT_TRUE(desktop.waitForFinished(30000));  // the first run hands over to the engine's set-up
  ASSERT_TRUE(wait_until([&] { return (client = installed_client()) > 0; }, 30000));
  platform::set_program_folder(prefix + "/opt/morvane");
  EXPECT_TRUE(wait_until([&] { return free_entry_position(film) > 0; }, 40000))
      << "the installed client did not play the file";
  store::shared_connection().close();
  ::kill(client, SIGTERM);
  ASSERT_TRUE(wait_until([&] { return ended(client); }, 15000));
  client = 0;

  ASSERT_EQ(run("cmake",
                {"-DMANIFEST=" + manifest, "-P", QStringLiteral(MORVANE_SOURCE_DIR "/install/uninstall.cmake")}, &out),
            0)
      << out.toStdString();
  // Left: the catalogue and settings in the program folder, and the client's own data in ~/.local/share.
  QStringList left = files_below(prefix);
  left.removeIf([](const QString& f) { return f.startsWith("share/Morvane/"); });
  EXPECT_EQ(left.join(' '), "opt/morvane/mydb.mdb opt/morvane/vexa.ini");
}

}  // namespace
