// The main window drives its player: menu items and keys, the three options, the open-file command.
#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <memory>

#include "config/settings.h"
#include "engine/mpv_engine.h"
#include "platform/dialogs.h"
#include "platform/system_commands.h"
#include "player/kandor.h"
#include "player/playback_options.h"
#include "shell/key_list.h"
#include "shell/main_window.h"
#include "store/connection.h"
#include "support/clip.h"
#include "support/db_rows.h"
#include "support/program_folder.h"
#include "support/site_process.h"
#include "support/test_session.h"
#include "support/wait.h"

namespace {

class RecordedCommands : public platform::SystemCommands {
 public:
  void schedule_power_off(int seconds) override { done << QStringLiteral("power-off %1").arg(seconds); }
  void cancel_power_off() override { done << "cancel"; }
  QStringList done;
};

class PlayerMenus : public ::testing::Test {
 protected:
  void SetUp() override {
    qputenv("MORVANE_SITE", site.base().toUtf8());
    config::setting_access(1, site.base() + "/", config::kDetailBase);
    before_dialogs = platform::set_dialogs(&answers);
    before_commands = platform::set_system_commands(&commands);
    window = std::make_unique<shell::MainWindow>(test_session());
    window->kandor()->set_engine_factory([](QWidget*) { return std::make_unique<engine::MpvEngine>(nullptr, true); });
    ASSERT_TRUE(window->load());
    window->show();
    ASSERT_TRUE(wait_until([this] { return window->startup_finished == 1; }));
    kandor = window->kandor();
  }
  void TearDown() override {
    window.reset();
    platform::set_dialogs(before_dialogs);
    platform::set_system_commands(before_commands);
    store::shared_connection().close();
  }
  // A local clip of half a minute (the site's clip again and again), named as a user might.
  QString clip() {
    const std::string body = http_get(site.port(), "/details.php?id=1003").body;
    const QString hash = QString::fromStdString(body).section("<!--jj_start-->", 1).split('$').value(1);
    write_all(folder.file("one.mp4"),
              QByteArray::fromStdString(http_get(site.port(), "/qvod/" + hash.toStdString() + "/x").body));
    const QString path = folder.file("影片.mp4");
    EXPECT_TRUE(loop_clip(folder.file("one.mp4"), path, 4));
    return path;
  }
  void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, QWidget* to = nullptr) {
    QKeyEvent e(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(to ? to : window.get(), &e);
  }
  QString caption(const char* item) { return window->action(item)->text(); }

  SiteProcess site;
  ProgramFolder folder;
  platform::ScriptedDialogs answers;
  RecordedCommands commands;
  platform::Dialogs* before_dialogs = nullptr;
  platform::SystemCommands* before_commands = nullptr;
  std::unique_ptr<shell::MainWindow> window;
  player::Kandor* kandor = nullptr;
};

TEST_F(PlayerMenus, OpenALocalFileAndDriveItFromTheMenusAndKeys) {
  EXPECT_EQ(kandor->objectName(), "Kandor1");
  EXPECT_EQ(kandor->parentWidget(), window->control("Picture3"));
  EXPECT_EQ(kandor->phwnd(), window->control("Picture3"));
  EXPECT_EQ(kandor->vol(), 80);  // the setting, at start-up
  const QString file = clip();
  answers.choose_next(file);
  window->action("fd_1")->trigger();
  EXPECT_TRUE(answers.shown.value(0).startsWith("open file|所有支持媒体文件 ("));
  ASSERT_TRUE(wait_until([&] { return kandor->bzt() == 3; }, 20000));
  EXPECT_EQ(window->label(1)->text(), "正在播放:影片");
  EXPECT_EQ(column("select * from hist", "hist_url"), QStringList{file});  // a free address in the history
  press(Qt::Key_Space);                                                    // play/pause
  ASSERT_TRUE(wait_until([&] { return kandor->bzt() == 2; }, 5000));
  window->action("cz_1")->trigger();
  ASSERT_TRUE(wait_until([&] { return kandor->bzt() == 3; }, 5000));
  press(Qt::Key_Escape);  // full screen and back
  EXPECT_EQ(kandor->full(), 1);
  press(Qt::Key_Escape);
  EXPECT_EQ(kandor->full(), 0);
  window->action("cz_3")->trigger();  // stop
  EXPECT_FALSE(kandor->polling());
  EXPECT_EQ(window->label(1)->text(), "");
  answers.choose_next("");  // the user cancels: nothing happens
  window->action("fd_1")->trigger();
  EXPECT_FALSE(kandor->polling());
}

TEST_F(PlayerMenus, AutoNextAndShutdownExcludeEachOtherAndOnlyTogglesWriteTheSettings) {
  auto* options = window->options();
  EXPECT_EQ(caption("xy_j"), "√自动下一集");  // the shipped setting
  EXPECT_EQ(kandor->zxyj(), 1);
  EXPECT_EQ(caption("c_com"), "关机");
  const QByteArray settings = read_all(folder.file("vexa.ini"));
  options->opt_auto_next(0);
  options->opt_auto_full(0);
  EXPECT_EQ(read_all(folder.file("vexa.ini")), settings);  // re-applying never writes
  window->action("c_com")->trigger();                      // shutdown on: auto next off
  EXPECT_EQ(caption("c_com"), "√关机");
  EXPECT_EQ(caption("xy_j"), "自动下一集");
  EXPECT_EQ(config::setting_access(0, {}, config::kAutoNext), "0");
  EXPECT_EQ(kandor->zgj(), 1);
  EXPECT_EQ(kandor->popup_item("close_gj")->text(), "√关机");
  window->action("xy_j")->trigger();  // auto next on: shutdown off
  EXPECT_EQ(caption("xy_j"), "√自动下一集");
  EXPECT_EQ(caption("c_com"), "关机");
  EXPECT_EQ(kandor->zgj(), 0);
  EXPECT_EQ(config::setting_access(0, {}, config::kAutoNext), "1");
  kandor->popup_item("z_f")->trigger();  // the player's own item toggles and copies the caption
  EXPECT_EQ(caption("c_zf"), "√自动全屏");
  EXPECT_EQ(kandor->popup_item("z_f")->text(), "√自动全屏");
  EXPECT_EQ(config::setting_access(0, {}, config::kAutoFull), "1");
  EXPECT_EQ(kandor->zfull(), 1);
}

TEST_F(PlayerMenus, AtTheEndTheShutdownRunsAndAnsweringYesCancelsIt) {
  window->action("c_com")->trigger();
  answers.answer_next(platform::Answer::Yes);
  kandor->gj_xw();
  EXPECT_EQ(commands.done, QStringList({"power-off 20", "cancel"}));
  EXPECT_EQ(answers.shown, QStringList{"Morvane|您已经激活程序关机程序,是否取消?"});
  EXPECT_EQ(caption("c_com"), "关机");  // the option is off again
  // Answered No, the power-off goes ahead; with the option off nothing happens at all.
  window->action("c_com")->trigger();
  answers.answer_next(platform::Answer::No);
  commands.done.clear();
  kandor->gj_xw();
  EXPECT_EQ(commands.done, QStringList{"power-off 20"});
  window->action("c_com")->trigger();
  commands.done.clear();
  kandor->gj_xw();
  EXPECT_TRUE(commands.done.isEmpty());
  // A play that ends with the option on runs it.
  window->action("c_com")->trigger();
  answers.answer_next(platform::Answer::Yes);
  answers.choose_next(clip());
  window->action("fd_1")->trigger();
  ASSERT_TRUE(wait_until([&] { return kandor->bzt() == 3 && kandor->bcd() > 0; }, 20000));
  QWidget* knob = kandor->part("Picture7");
  kandor->jdt_wzgb(0, (kandor->part("picture6")->width() - knob->width()) * 9 / 10, knob->y(), 1);  // near the end
  ASSERT_TRUE(wait_until([&] { return commands.done.size() == 2; }, 15000));
}

TEST_F(PlayerMenus, PreviousAndNextWithNothingThereRecordNothing) {
  window->action("cz_4")->trigger();
  window->action("cz_5")->trigger();
  EXPECT_TRUE(column("select * from hist", "histID").isEmpty());
  EXPECT_FALSE(kandor->polling());
}

// The player's own keys act where the menu items' keys do, on keys those leave free: the arrows
// keep their items whatever the shift state; a text box keeps its keys.
TEST_F(PlayerMenus, ThePlayersOwnKeysMuteChangeTheSpeedSeekAndListEveryKey) {
  answers.choose_next(clip());
  window->action("fd_1")->trigger();
  ASSERT_TRUE(wait_until([&] { return kandor->bzt() == 3; }, 20000));
  press(Qt::Key_M);
  EXPECT_TRUE(kandor->muted());
  press(Qt::Key_BracketRight);
  press(Qt::Key_BracketRight);
  EXPECT_EQ(kandor->speed(), 1.5);
  press(Qt::Key_BracketLeft);
  EXPECT_EQ(kandor->speed(), 1.25);
  press(Qt::Key_Backspace);
  EXPECT_EQ(kandor->speed(), 1.0);
  const int at = kandor->engine()->currentpos();
  press(Qt::Key_L);
  EXPECT_TRUE(wait_until([&] { return kandor->engine()->currentpos() >= at + 9; }, 5000));
  press(Qt::Key_J, Qt::ShiftModifier);  // 60 s back: the start
  EXPECT_TRUE(wait_until([&] { return kandor->engine()->currentpos() < at + 2; }, 5000));
  int nexts = 0;
  QObject::connect(window->action("cz_5"), &QAction::triggered, [&] { ++nexts; });
  press(Qt::Key_Right, Qt::ShiftModifier);
  press(Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(nexts, 2);

  press(Qt::Key_F1);
  auto* list = window->findChild<shell::KeyList*>("KeyList");
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(list->isVisible());
  auto* table = list->findChild<QTableWidget*>("keys");
  ASSERT_EQ(table->rowCount(), shell::key_uses().size());
  QStringList keys;
  for (int row = 0; row < table->rowCount(); ++row) keys << table->item(row, 0)->text();
  for (const char* key : {"空格", "Esc", "← 或 ↑", "→ 或 ↓", "J / L", "[ / ]", "Backspace", "M", "F1"})
    EXPECT_TRUE(keys.contains(QString::fromUtf8(key))) << key;
  list->close();

  auto* box = new QLineEdit(window->inner_area());
  box->show();
  QApplication::setActiveWindow(window.get());
  box->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), box);
  press(Qt::Key_M, Qt::NoModifier, box);
  press(Qt::Key_BracketRight, Qt::NoModifier, box);
  EXPECT_TRUE(kandor->muted());
  EXPECT_EQ(kandor->speed(), 1.0);
}

}  // namespace
