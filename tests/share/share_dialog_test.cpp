// The about window under a real X server: its lines, the real clipboard, the confirmation.
#include <gtest/gtest.h>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>

#include "config/settings.h"
#include "config/site.h"
#include "platform/dialogs.h"
#include "platform/profile.h"
#include "share/share_dialog.h"
#include "support/program_folder.h"
#include "support/wait.h"

namespace {

TEST(ShareDialog, ShowsTheVersionSiteAndGroupsAndCopiesTheRecommendation) {
  ProgramFolder folder;
  qputenv("MORVANE_SITE", "http://127.0.0.1:8610");
  platform::ProfileFile ini(config::settings_file());
  ini.set_value("sh_time", "qq_1", "123456");
  ini.save();
  share::ShareDialog dialog;
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), "关于我们");
  const QStringList lines = dialog.findChild<QLabel*>("Label1")->text().split('\n');
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(lines[0], "Morvane  " + config::setting_access(0, {}, config::kVersion));
  EXPECT_EQ(lines[0], "Morvane  V1.2.4");
  EXPECT_EQ(lines[1], "http://127.0.0.1:8610");
  EXPECT_EQ(lines[2], "合作QQ群:123456 ");
  EXPECT_EQ(lines[3], "合作QQ群2:" + share::group_number(2));
  EXPECT_FALSE(share::group_number(2).isEmpty());

  platform::ScriptedDialogs answers;
  platform::Dialogs* before = platform::set_dialogs(&answers);
  QGuiApplication::clipboard()->setText("something else");
  dialog.Command2_Click();
  const QString expected =
      "hi\r\n这个软件不错更新快,有好多可以看的电影\r\n强力推!!!把地址发给你\r\nhttp://127.0.0.1:8610";
  EXPECT_TRUE(wait_until([&] { return QGuiApplication::clipboard()->text() == expected; }, 3000))
      << QGuiApplication::clipboard()->text().toStdString();
  EXPECT_EQ(
      answers.shown,
      QStringList{
          "关于我们|复制完成\r\n您可以通过粘帖把信息通过邮箱，QQ,MSN，微博分享给您的朋友\r\nMorvane感谢您的支持"});
  platform::set_dialogs(before);
  dialog.Command1_Click();
  EXPECT_FALSE(dialog.isVisible());
  qunsetenv("MORVANE_SITE");
}

}  // namespace
