// The engine draws real frames into the widget it is given (an X server of the test's own).
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "support/child.h"
#include "support/program_folder.h"
#include "support/site_process.h"

namespace {

TEST(EnginePicture, FramesReachTheHostWidget) {
  SiteProcess site;
  ProgramFolder folder(false);
  const std::string body = http_get(site.port(), "/details.php?id=1009").body;
  const QString hash = QString::fromStdString(body).section("<!--jj_start-->", 1).split('$').value(1);
  write_all(folder.file("clip.rmvb"), QByteArray::fromStdString(http_get(site.port(), "/qvod/" + hash.toStdString() + "/x").body));
  const auto r = run_child("xvfb-run", {"-a", "-s", "-screen 0 640x480x24", ProgramFolder::test_tool("morvane_picture_probe"),
                                        folder.file("clip.rmvb")},
                           {"QT_QPA_PLATFORM=xcb"}, 60000);
  const auto m = QRegularExpression("state 3 colours (\\d+)").match(r.out);
  ASSERT_TRUE(m.hasMatch()) << r.out.toStdString();
  EXPECT_GT(m.captured(1).toInt(), 20);  // a test pattern, not a blank window
}

}  // namespace
