#include <gtest/gtest.h>
#include <unistd.h>
#include <QApplication>
#include <QDesktopServices>
#include <QListWidget>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <cmath>
#include <csignal>

#include "config/end_process.h"
#include "config/site.h"
#include "config/skin.h"
#include "support/child.h"
#include "support/program_folder.h"

namespace {

// Two sleepers under an image name no other process has.
class Sleepers : public ::testing::Test {
 protected:
  void SetUp() override {
    name = QStringLiteral("mvsleep-%1").arg(getpid());
    const QString program = copy_program("/bin/sleep", dir.path(), name);
    for (QProcess& p : procs) {
      p.start(program, {"60"});
      ASSERT_TRUE(p.waitForStarted());
    }
  }
  void TearDown() override {
    for (QProcess& p : procs) {
      p.kill();
      p.waitForFinished();
    }
  }
  int running() {
    int n = 0;
    for (QProcess& p : procs) n += p.state() == QProcess::Running && !p.waitForFinished(300);
    return n;
  }
  QTemporaryDir dir;
  QString name;
  QProcess procs[2];
};

TEST_F(Sleepers, AskingEndsNothing) {
  EXPECT_EQ(config::end_process(name + ".exe", "0"), 1);
  EXPECT_EQ(config::end_process(name.toUpper(), "0"), 1);
  EXPECT_EQ(running(), 2);
}

TEST_F(Sleepers, EndingEndsExactlyTheFirst) {
  EXPECT_EQ(config::end_process(name + ".EXE", "1"), 0);
  const bool first_gone = procs[0].waitForFinished(3000);
  EXPECT_TRUE(first_gone);
  EXPECT_FALSE(procs[1].waitForFinished(300));
}

TEST(EndProcess, NoSuchProcessGivesZero) {
  EXPECT_EQ(config::end_process("mv-no-such-image.exe", "0"), 0);
  EXPECT_EQ(config::end_process("mv-no-such-image.exe", "1"), 0);
}

TEST(EndProcess, OwnNameEndsThisProcessOnlyNotAnotherInstance) {
  QTemporaryDir dir;
  const QString name = QStringLiteral("mvclient-%1").arg(getpid());
  const QString probe = copy_program(ProgramFolder::test_tool("morvane_probe"), dir.path(), name);
  QProcess other;  // another instance of the same program
  other.start(probe, {"sleep", "20000"});
  ASSERT_TRUE(other.waitForStarted());
  const auto asking = run_child(probe, {"end_process", name + ".exe", "0"});
  EXPECT_TRUE(asking.out.startsWith("1\n"));
  const auto ending = run_child(probe, {"end_process", name.toUpper() + ".exe", "1"});
  EXPECT_EQ(ending.out, QString());  // ended before it could print anything
  EXPECT_FALSE(ending.crashed);
  EXPECT_FALSE(other.waitForFinished(300));
  other.kill();
  other.waitForFinished();
}

TEST(Skin, AttachesTheStyleSheetOrLeavesTheNormalLook) {
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  {
    ProgramFolder folder(false);
    config::skin_attach();
    EXPECT_TRUE(app->styleSheet().isEmpty());
  }
  ProgramFolder folder;
  config::skin_attach();
  EXPECT_TRUE(app->styleSheet().contains("QMenuBar"));
  app->setStyleSheet(QString());
}

// The luminance contrast (1..21) between the background of an item and its text, as drawn.
double item_contrast(QListWidget& list, int row) {
  const QImage shot = list.grab(list.visualItemRect(list.item(row)).translated(list.viewport()->pos())).toImage();
  QMap<QRgb, int> count;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) ++count[shot.pixel(x, y)];
  QRgb background = count.firstKey();
  for (auto it = count.begin(); it != count.end(); ++it)
    if (it.value() > count[background]) background = it.key();
  auto luminance = [](QRgb c) {
    auto channel = [](int v) {
      const double s = v / 255.0;
      return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
  };
  double best = 1;
  for (auto it = count.begin(); it != count.end(); ++it) {  // the text: the colour farthest from the background
    const double a = luminance(it.key()), b = luminance(background);
    best = std::max(best, (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05));
  }
  return best;
}

TEST(Skin, ListItemsStayLegibleSelectedOrNot) {
  ProgramFolder folder;
  config::skin_attach();
  QListWidget list;
  list.addItems({"潜伏", "让子弹飞", "大江东去"});
  list.resize(300, 200);
  list.show();
  list.setCurrentRow(1);
  for (bool focused : {false, true}) {
    if (focused) list.setFocus();
    QCoreApplication::processEvents();
    for (int row : {0, 1}) EXPECT_GE(item_contrast(list, row), 4.5) << "row " << row << (focused ? " focused" : "");
  }
  qobject_cast<QApplication*>(QCoreApplication::instance())->setStyleSheet(QString());
}

TEST(SitePages, AnAddressIsOnTheSiteBySchemeHostAndPortNotByItsText) {
  qputenv("MORVANE_SITE", "http://Morvane.Example:80");
  EXPECT_TRUE(config::on_site(QUrl("http://morvane.example/kolbet/l_indexss.php?bsn=1")));  // default port dropped
  EXPECT_TRUE(config::on_site(QUrl("HTTP://MORVANE.EXAMPLE:80/?act=tarvex|1")));
  EXPECT_EQ(config::origin_as_written(QUrl("http://morvane.example/?act=tarvex|1")), "http://morvane.example");
  for (const char* other : {"https://morvane.example/", "http://morvane.example:8080/", "http://morvane.example.evil/",
                            "http://evil/?u=http://morvane.example/", "file:///morvane.example/", "about:blank"})
    EXPECT_FALSE(config::on_site(QUrl(other))) << other;
  qunsetenv("MORVANE_SITE");
}

class UrlRecorder : public QObject {
  Q_OBJECT
 public slots:
  void open(const QUrl& url) { opened << url.toString(); }

 public:
  QStringList opened;
};

TEST(SitePages, HelpItemsOpenTheSitesPages) {
  qputenv("MORVANE_SITE", "http://127.0.0.1:9/");
  UrlRecorder recorder;
  QDesktopServices::setUrlHandler("http", &recorder, "open");
  config::cjwt();
  config::fk();
  config::gfz();
  QDesktopServices::unsetUrlHandler("http");
  qunsetenv("MORVANE_SITE");
  EXPECT_EQ(recorder.opened,
            QStringList({"http://127.0.0.1:9/listing.asp", "http://127.0.0.1:9/guest.asp", "http://127.0.0.1:9"}));
}

}  // namespace

#include "shell_test.moc"
