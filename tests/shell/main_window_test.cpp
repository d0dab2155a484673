#include <dlfcn.h>
#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSystemTrayIcon>
#include <QWebEngineView>
#include <csignal>
#include <memory>

#include "config/registry_values.h"
#include "config/settings.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "shell/main_window.h"
#include "shell/twips.h"
#include "store/builders.h"
#include "store/connection.h"
#include "store/rowset.h"
#include "support/program_folder.h"
#include "support/site_process.h"
#include "support/terminal_process.h"
#include "support/test_session.h"
#include "support/wait.h"
#include "support/web.h"

using shell::MainWindow;
using shell::twips_of;

namespace {

class Window : public ::testing::Test {
 protected:
  void SetUp() override {
    qputenv("MORVANE_SITE", site.base().toUtf8());
    config::setting_access(1, site.base() + "/", config::kDetailBase);
    window = std::make_unique<MainWindow>(test_session());
  }
  void start() {
    ASSERT_TRUE(window->load());
    window->show();
    ASSERT_TRUE(wait_until([this] { return window->startup_finished == 1; }));
  }
  void TearDown() override {
    window.reset();
    store::shared_connection().close();
  }
  QRect at(const char* name, int index = 0) { return twips_of(window->control(name, index)); }
  void resize_inner(int width_twips, int height_twips) {
    const QSize frame = window->size() - window->inner_area()->size();
    window->resize(shell::to_px(width_twips) + frame.width(), shell::to_px(height_twips) + frame.height());
    settle();
  }

  SiteProcess site;
  ProgramFolder folder;
  std::unique_ptr<MainWindow> window;
};

void expect_near(const QRect& got, double l, double t, double w, double h, const char* what) {
  const int slack = 31;  // a pixel or two of rounding
  EXPECT_NEAR(got.x(), l, slack) << what;
  EXPECT_NEAR(got.y(), t, slack) << what;
  EXPECT_NEAR(got.width(), w, slack) << what;
  EXPECT_NEAR(got.height(), h, slack) << what;
}

TEST_F(Window, LoadShowsCaptionPanesTrayAndAsksTheSiteForItsList) {
  start();
  EXPECT_EQ(window->objectName(), "Form1");
  EXPECT_EQ(window->windowTitle(), "MorvaneV1.2.4");
  EXPECT_NEAR(at("WebBrowser3").x(), MainWindow::kOutsideLeft, 15);
  EXPECT_TRUE(window->label(2)->isVisible());
  EXPECT_EQ(window->label(2)->text(), "数据载入中..请稍侯");
  EXPECT_EQ(window->main_tab, 1);
  EXPECT_EQ(window->list_tab, 1);
  EXPECT_TRUE(window->control("Picture3")->isVisible());
  EXPECT_FALSE(window->control("Picture4")->isVisible());
  EXPECT_EQ(window->tray(), nullptr);  // it comes once the list page has answered
  ASSERT_TRUE(wait_until([this] { return !site.control("path=/kolbet/l_indexss.php", "/_control/requests").empty(); }));
  const QString query = QString::fromStdString(site.control("path=/kolbet/l_indexss.php", "/_control/requests"));
  const auto m = QRegularExpression("^bsn=1&version=([0-9.e-]+)\\n$").match(query);
  ASSERT_TRUE(m.hasMatch()) << query.toStdString();
  bool ok = false;
  const double r = m.captured(1).toDouble(&ok);
  EXPECT_TRUE(ok && r >= 0 && r < 1) << query.toStdString();
  QString digits = m.captured(1).section('e', 0, 0).remove('.');
  while (digits.startsWith('0')) digits.remove(0, 1);
  EXPECT_LE(digits.size(), 7) << query.toStdString();  // single precision: up to seven significant digits
  ASSERT_TRUE(wait_until([this] { return window->catalogue_in_view(); }));
  ASSERT_TRUE(wait_until([this] { return window->tray() != nullptr; }, 1000));  // not the late one
  EXPECT_EQ(window->tray()->toolTip(), "Morvane(版本 1.2.4)");
}

// A list page that is slow to answer does not keep the tray icon away.
TEST_F(Window, TheTrayIconComesWhileTheListPageIsLate) {
  site.control("delay_ms=6000");
  start();
  ASSERT_TRUE(wait_until([this] { return window->tray() != nullptr; }, 4500));
  EXPECT_FALSE(window->catalogue_in_view());
  EXPECT_TRUE(window->tray()->isVisible());
  site.control("delay_ms=0");
}

bool libmpv_open() {
  for (const char* name : {"libmpv.so.2", "libmpv.so.1", "libmpv.so"})
    if (void* handle = dlopen(name, RTLD_LAZY | RTLD_NOLOAD)) {
      dlclose(handle);
      return true;
    }
  return false;
}

// libmpv loads a hundred libraries (about 50 MiB), which would hold the window and its first page
// back and weigh on a client that only shows the list. The start-up job makes the player's engine all
// the same; libmpv is opened once the user heads for a play: here, the history list comes in sight.
TEST_F(Window, LibmpvIsOpenedOnlyWhenTheUserHeadsForAPlay) {
  ASSERT_FALSE(libmpv_open());  // every test runs in a process of its own
  site.control("delay_ms=400");
  start();
  ASSERT_TRUE(wait_until([this] {
    EXPECT_FALSE(libmpv_open());
    return window->catalogue_in_view();
  }));
  settle(1500);
  EXPECT_FALSE(libmpv_open());
  window->image1_click(1);
  EXPECT_TRUE(wait_until(libmpv_open));
}

// The pointer resting on a title's play link in the list says a play is near: libmpv is opened.
TEST_F(Window, ThePointerOnAPlayLinkOpensLibmpv) {
  ASSERT_FALSE(libmpv_open());
  start();
  ASSERT_TRUE(wait_until([this] { return window->catalogue_in_view(); }));
  ASSERT_TRUE(hover_element(window->browser(3), "document.querySelector('.cats a')"));  // a category: nothing
  settle(1000);
  EXPECT_FALSE(libmpv_open());
  ASSERT_TRUE(hover_element(window->browser(3), "document.querySelector('a.p')"));
  EXPECT_TRUE(wait_until(libmpv_open));
}

// Opening a title starts the engine's terminal while the user reads its episodes: once, however
// often the details come in sight again, and it is the terminal the client ends when it ends.
TEST_F(Window, OpeningATitleStartsTheTerminalOnce) {
  TerminalProcess terminal(folder.path());
  terminal.configure(folder.file("media"), site.base() + "/qvod/{hash}/{name}");
  config::reg_write_value(platform::kCurrentUser, config::kInsertKey, "Insertpath", 1, folder.file("play"));
  config::reg_write_value(platform::kCurrentUser, config::kOptionKey, "defaultsavepath", 1, folder.file("media"));
  qputenv("MORVANE_TERMINAL_STATE", terminal.state_file().toUtf8());
  start();
  settle(500);
  EXPECT_FALSE(QFile::exists(terminal.state_file()));  // the list alone starts nothing
  window->picture2_click();
  const pid_t started = window->started_terminal();
  ASSERT_TRUE(platform::process_is(started, "QvodTerminal"));
  window->picture2_click();
  window->image1_click(1);
  window->zrqv();  // the player, needing the terminal while it comes up
  EXPECT_EQ(window->started_terminal(), started);
  EXPECT_TRUE(wait_until([&] { return QFile::exists(terminal.state_file()); }));
  settle(500);
  // The one that answers is the one the client ends when it ends.
  EXPECT_EQ(QString::fromLatin1(read_all(terminal.state_file())).section(' ', 2, 2).toInt(), started);
  end_terminal_of(terminal.state_file());
  if (platform::process_is(started, "QvodTerminal")) ::kill(started, SIGKILL);
}

TEST_F(Window, EmptyVersionGivesExactlyTheProductName) {
  config::setting_access(1, QString(), config::kVersion);
  start();
  EXPECT_EQ(window->windowTitle(), "Morvane");
}

TEST_F(Window, MenuTreeWithItsCaptions) {
  start();
  QStringList bar;
  for (QAction* a : window->menuBar()->actions()) bar << a->text();
  EXPECT_EQ(bar, QStringList({"文件", "操作", "帮助"}));
  const std::pair<const char*, const char*> items[] = {
      {"fd_1", "打开本地文件"},  {"fd_2", "打开远程文件"},   {"hcgl", "缓存管理"},     {"ex", "退出"},
      {"lists", "列表关闭"},     {"cz_1", "播放/暂停"},      {"cz_2", "全屏"},         {"c_zf", "自动全屏"},
      {"cz_3", "停止"},          {"xy_j", "√自动下一集"},    {"c_com", "关机"},        {"cz_4", "前一节目"},
      {"cz_5", "后一节目"},      {"bz_1", "检测新版本"},     {"fk", "反馈留言"},       {"cjwt", "常见问题"},
      {"date_ys", "数据库压缩"}, {"gfz", "官方主页"},        {"bz_2", "关于"},         {"ls_1", "播放选中记录"},
      {"ckxxs", "查看详细介绍"}, {"del_ls", "清理选中记录"}, {"clear_ls", "清空记录"}, {"sqlb", "收起列表"},
      {"ljbf_0", "立即播放"},    {"ljbf_1", "播放最新"}};
  for (const auto& [name, caption] : items) {
    ASSERT_NE(window->action(name), nullptr) << name;
    EXPECT_EQ(window->action(name)->text(), QString::fromUtf8(caption)) << name;
  }
  EXPECT_EQ(window->menu("dq_ls")->title(), "历史记录");
  EXPECT_EQ(window->menu("sxlb")->title(), "树形列表");
  ASSERT_TRUE(wait_until([this] { return window->tray() != nullptr; }));
  EXPECT_EQ(window->tray()->contextMenu(), window->menu("fd"));
}

TEST_F(Window, StartupJobRunsOnceAndRecordsTheStart) {
  ASSERT_TRUE(window->load());
  EXPECT_EQ(window->startup_finished, 0);
  ASSERT_TRUE(wait_until([this] { return window->startup_finished == 1; }));
  const QString started = config::setting_access(0, {}, config::kStartTime);
  EXPECT_TRUE(QRegularExpression("^\\d{4}-[1-9]\\d?-[1-9]\\d? \\d{1,2}:\\d{1,2}:\\d{1,2}$").match(started).hasMatch())
      << started.toStdString();
  config::setting_access(1, "again", config::kStartTime);
  settle(300);
  EXPECT_EQ(config::setting_access(0, {}, config::kStartTime), "again");
  EXPECT_EQ(window->volume, 80);
}

TEST_F(Window, ResizesFollowTheLayoutTables) {
  start();
  const auto& s = window->layout_state();
  const int dw = 3000, dh = 1500;
  resize_inner(s.design_width + dw, s.design_height + dh);
  const double ry = double(s.design_height + dh) / s.design_height;
  expect_near(at("Picture9"), 60, 465, 8295 + dw, 6375 * ry, "Picture9");
  expect_near(at("WebBrowser1"), 20, 20, 8230 + dw, 6310 * ry, "WebBrowser1");
  expect_near(at("Picture7"), 8520 + dw + 20, 540, 4095, 6310 * ry, "Picture7");
  expect_near(at("Image2"), 8370 + dw + 20, 2760 * ry, 150, 885, "Image2");
  expect_near(at("Picture10"), 8520 + dw + 20, 105, 4095, 435, "Picture10");
  expect_near(at("Label1"), 3720, 180, 4695, 195, "Label1");
  expect_near(at("Image1", 2), 2760, 75, 1080, 375, "Image1");
  expect_near(at("List1"), 60, 100, 3900, s.frame_height * ry - 20, "List1");
  expect_near(at("Picture8", 1), 20, 0, 4065, 6295 * ry, "Picture8");
  EXPECT_NEAR(at("WebBrowser3").x(), MainWindow::kOutsideLeft, 15);  // still waiting for its page
}

TEST_F(Window, ResizesDuringLoadChangeNothing) {
  ASSERT_TRUE(window->load());
  window->show();
  const QRect before = at("Picture7");
  ASSERT_EQ(window->startup_finished, 0);  // the start-up timer has not run: the handler stays out
  const QSize frame = window->size() - window->inner_area()->size();
  window->resize(window->inner_area()->width() + 200 + frame.width(), window->height());
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(at("Picture7"), before);
}

TEST_F(Window, TabsSwitchFramesAndResizeKeepsTheDetailsTab) {
  start();
  window->picture2_click();
  EXPECT_EQ(window->main_tab, 2);
  EXPECT_TRUE(window->control("Picture4")->isVisible());
  EXPECT_FALSE(window->control("Picture3")->isVisible());
  resize_inner(window->layout_state().design_width + 600, window->layout_state().design_height + 300);
  EXPECT_EQ(window->main_tab, 2);
  EXPECT_TRUE(window->control("Picture4")->isVisible());
  window->picture1_click();
  EXPECT_TRUE(window->control("Picture3")->isVisible());
  for (int i : {1, 2, 0}) {
    window->image1_click(i);
    EXPECT_EQ(window->list_tab, i + 1);
    for (int j = 0; j < 3; ++j) EXPECT_EQ(window->control("Picture8", j)->isVisible(), i == j);
  }
  window->image1_click(2);
  EXPECT_EQ(qobject_cast<QLabel*>(window->control("Image1", 2))->pixmap().toImage(),
            QImage(folder.file("images/tab_list_5.png")).convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

TEST_F(Window, FoldingAndUnfoldingTheList) {
  start();
  const int width = window->width();
  const int list = window->control("Picture7")->width();
  window->fold_list();
  settle();
  EXPECT_EQ(window->layout_state().folded, 1);
  EXPECT_FALSE(window->control("Picture7")->isVisible());
  EXPECT_FALSE(window->control("Picture10")->isVisible());
  EXPECT_EQ(window->action("lists")->text(), "列表展开");
  EXPECT_NEAR(window->width(), width - list, 2);
  const QRect p9 = at("Picture9");
  EXPECT_NEAR(at("Image2").x(), p9.x() + p9.width(), 31);
  window->fold_list();
  settle();
  EXPECT_EQ(window->layout_state().folded, 0);
  EXPECT_TRUE(window->control("Picture7")->isVisible());
  EXPECT_EQ(window->action("lists")->text(), "列表关闭");
  EXPECT_NEAR(window->width(), width, 2);
}

TEST_F(Window, FoldingWhileMaximisedStaysMaximised) {
  start();
  window->showMaximized();
  settle(200);
  window->fold_list();
  settle(200);
  EXPECT_TRUE(window->isMaximized());
  EXPECT_EQ(window->layout_state().folded, 1);
}

TEST_F(Window, AShortTagCountsMissingNumbersAsZero) {
  start();
  window->control("Label1")->setProperty("tag", "105 210");
  resize_inner(window->layout_state().design_width + 150, window->layout_state().design_height);
  EXPECT_EQ(at("Label1"), QRect(105, 210, 0, 0));
}

TEST_F(Window, DedupTimerKeepsTheNewestRow) {
  for (int id : {5, 9, 7}) store::db_execute(QStringLiteral("insert into det (detailID,keyID) values (%1,42)").arg(id));
  start();
  store::RowSet rs;
  ASSERT_TRUE(wait_until([&] { return rs.Open("select * from det") && rs.RecordCount() == 1; }, 3000));
  EXPECT_EQ(rs.number("detailID"), 9);
}

TEST_F(Window, HitsReachTheSite) {
  start();
  window->detail_hits_update("1007");
  EXPECT_EQ(site.control("id=1007", "/_control/hits"), "1");
}

}  // namespace

namespace {

// Keys reach the main window wherever the focus is, as the user presses them: in the window, in
// the history list, in a browser pane; a text box keeps them.
TEST_F(Window, KeysActAsTheirMenuItemsWhereverTheFocusIs) {
  start();
  QStringList fired;
  for (const char* name : {"cz_1", "cz_2", "cz_4", "cz_5"})
    QObject::connect(window->action(name), &QAction::triggered, [&fired, name] { fired << name; });
  auto press = [](QWidget* w, int key) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::ShiftModifier);
    QCoreApplication::sendEvent(w, &e);
  };
  for (int key : {Qt::Key_Left, Qt::Key_Up, Qt::Key_Right, Qt::Key_Down, Qt::Key_Space, Qt::Key_Escape})
    press(window.get(), key);
  EXPECT_EQ(fired, QStringList({"cz_4", "cz_4", "cz_5", "cz_5", "cz_1", "cz_2"}));

  fired.clear();
  auto* list = qobject_cast<QListWidget*>(window->control("List1"));
  list->addItems({"甲", "乙", "丙"});
  list->setCurrentRow(0);
  list->setFocus();
  for (int key : {Qt::Key_Down, Qt::Key_Space, Qt::Key_Left, Qt::Key_Up}) press(list, key);
  EXPECT_EQ(fired, QStringList({"cz_5", "cz_1", "cz_4", "cz_4"}));
  EXPECT_EQ(list->currentRow(), 0);  // the list did not take them too

  fired.clear();
  QWidget* pane = window->browser(3)->focusProxy() ? window->browser(3)->focusProxy() : window->browser(3);
  press(pane, Qt::Key_Right);
  EXPECT_EQ(fired, QStringList({"cz_5"}));

  fired.clear();
  auto* box = new QLineEdit(window->inner_area());
  box->show();
  QApplication::setActiveWindow(window.get());
  box->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), box);
  for (int key : {Qt::Key_Space, Qt::Key_Left}) press(box, key);
  EXPECT_TRUE(fired.isEmpty());
}

}  // namespace
