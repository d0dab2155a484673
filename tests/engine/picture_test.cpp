// The engine draws real frames into the widget it is given (an X server of the test's own).
#include <QMap>
#include <QProcess>
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

// The player goes full screen and back while the clip plays: the picture is drawn in both windows
// and the play goes on without starting over.
TEST(EnginePicture, FullScreenAndBackKeepThePicture) {
  SiteProcess site;
  ProgramFolder folder(false);
  const std::string body = http_get(site.port(), "/details.php?id=1004").body;
  const QString hash = QString::fromStdString(body).section("<!--jj_start-->", 1).split('$').value(1);
  write_all(folder.file("clip.mp4"), QByteArray::fromStdString(http_get(site.port(), "/qvod/" + hash.toStdString() + "/x").body));
  QProcess loop;
  loop.start("ffmpeg", {"-v", "error", "-y", "-stream_loop", "4", "-i", folder.file("clip.mp4"), "-c", "copy", folder.file("long.mp4")});
  ASSERT_TRUE(loop.waitForFinished(30000));
  const auto r = run_child("xvfb-run", {"-a", "-s", "-screen 0 1024x768x24", ProgramFolder::test_tool("morvane_player_probe"),
                                        folder.file("long.mp4")},
                           {"QT_QPA_PLATFORM=xcb", "XDG_RUNTIME_DIR=" + folder.path()}, 90000);
  const QRegularExpression line("(\\w+) state (\\d+) pos (\\d+) colours (\\d+) full (\\d)");
  QMap<QString, QList<int>> seen;
  for (auto it = line.globalMatch(r.out); it.hasNext();) {
    const auto m = it.next();
    seen[m.captured(1)] = {m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4).toInt(), m.captured(5).toInt()};
  }
  ASSERT_EQ(seen.size(), 3) << r.out.toStdString();
  for (const char* phase : {"windowed", "fullscreen", "back"}) {
    EXPECT_EQ(seen[phase][0], 3) << phase;       // playing
    EXPECT_GT(seen[phase][2], 20) << phase;      // a picture, not a blank window
  }
  EXPECT_EQ(seen["fullscreen"][3], 1);
  EXPECT_EQ(seen["back"][3], 0);
  EXPECT_GT(seen["fullscreen"][1], seen["windowed"][1]);  // the position went on
  EXPECT_GT(seen["back"][1], seen["fullscreen"][1]);
}

}  // namespace
