// The engine draws real frames into the picture area through libmpv's render API, on an X server
// and under a Wayland compositor of the test's own; the player goes full screen and back with its
// picture; the bar is drawn at the screen's pixel ratio.
#include <gtest/gtest.h>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QRegularExpression>
#include <QSet>

#include "support/child.h"
#include "support/clip.h"
#include "support/desktops.h"
#include "support/program_folder.h"
#include "support/site_process.h"

namespace {

// One of the site's clips (a test pattern with a tone), as a local file, looped to `loops` lengths.
QString clip(const SiteProcess& site, const ProgramFolder& folder, int key, int loops = 0) {
  const std::string body = http_get(site.port(), "/details.php?id=" + std::to_string(key)).body;
  const QString hash = QString::fromStdString(body).section("<!--jj_start-->", 1).split('$').value(1);
  write_all(folder.file("clip.mp4"),
            QByteArray::fromStdString(http_get(site.port(), "/qvod/" + hash.toStdString() + "/x").body));
  if (loops == 0) return folder.file("clip.mp4");
  loop_clip(folder.file("clip.mp4"), folder.file("long.mp4"), loops);
  return folder.file("long.mp4");
}

ChildResult on_desktop(const Desktop& desktop, const QString& probe, const QStringList& args, QStringList env = {}) {
  return run_child(ProgramFolder::test_tool(probe), args,
                   desktop.env() + env + QStringList{"PULSE_SERVER=unix:/nonexistent"}, 90000);
}

class EnginePicture : public ::testing::TestWithParam<Desktop::Kind> {
 protected:
  SiteProcess site;
  ProgramFolder folder{false};
  Desktop desktop{GetParam()};
};

TEST_P(EnginePicture, FramesReachThePictureArea) {
  ASSERT_TRUE(desktop.running());
  const auto r = on_desktop(desktop, "morvane_picture_probe", {clip(site, folder, 1009)});
  const auto m = QRegularExpression("state 3 colours (\\d+) frames (\\d+) pos (\\d+) platform (\\w+)").match(r.out);
  ASSERT_TRUE(m.hasMatch()) << r.out.toStdString();
  EXPECT_GT(m.captured(1).toInt(), 20);  // a test pattern, not a blank area
  EXPECT_GT(m.captured(2).toInt(), 5);   // frame after frame
  EXPECT_GE(m.captured(3).toInt(), 1);
  EXPECT_EQ(m.captured(4), desktop.name());
}

// Full screen and back while the clip plays: the picture is there in both, and the play goes on.
TEST_P(EnginePicture, FullScreenAndBackKeepThePicture) {
  ASSERT_TRUE(desktop.running());
  const auto r = on_desktop(desktop, "morvane_player_probe", {clip(site, folder, 1004, 4)});
  const QRegularExpression line("(\\w+) state (\\d+) pos (\\d+) colours (\\d+) full (\\d)");
  QMap<QString, QList<int>> seen;
  for (auto it = line.globalMatch(r.out); it.hasNext();) {
    const auto m = it.next();
    seen[m.captured(1)] = {m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4).toInt(), m.captured(5).toInt()};
  }
  ASSERT_EQ(seen.size(), 3) << r.out.toStdString();
  for (const char* phase : {"windowed", "fullscreen", "back"}) {
    EXPECT_EQ(seen[phase][0], 3) << phase;   // playing
    EXPECT_GT(seen[phase][2], 20) << phase;  // a picture, not a blank area
  }
  EXPECT_EQ(seen["fullscreen"][3], 1);
  EXPECT_EQ(seen["back"][3], 0);
  EXPECT_GT(seen["fullscreen"][1], seen["windowed"][1]);  // the position went on
  EXPECT_GT(seen["back"][1], seen["fullscreen"][1]);
}

// A still of the picture as drawn: a PNG of the item's size in the user's pictures folder, as said.
TEST_P(EnginePicture, AStillOfThePictureIsSavedWhereTheStatusSays) {
  ASSERT_TRUE(desktop.running());
  const QString pictures = folder.file("图片");
  write_all(folder.file("user-dirs.dirs"), ("XDG_PICTURES_DIR=\"" + pictures + "\"\n").toUtf8());
  ASSERT_TRUE(make_tracks_clip(folder.file("tracks.mkv")));
  const auto r = on_desktop(desktop, "morvane_player_probe", {"--still", folder.file("tracks.mkv")},
                            {"XDG_CONFIG_HOME=" + folder.path()});
  const auto m = QRegularExpression("status 截图已保存到 (\\S+)").match(r.out);
  ASSERT_TRUE(m.hasMatch()) << r.out.toStdString();
  EXPECT_EQ(QFileInfo(m.captured(1)).absolutePath(), pictures + "/Morvane");
  const QImage still(m.captured(1), "PNG");
  EXPECT_EQ(still.size(), QSize(320, 240));
  QSet<QRgb> colours;
  for (int y = 0; y < still.height(); y += 4)
    for (int x = 0; x < still.width(); x += 4) colours.insert(still.pixel(x, y));
  EXPECT_GT(colours.size(), 20);
}

INSTANTIATE_TEST_SUITE_P(Desktops, EnginePicture, ::testing::Values(Desktop::X11, Desktop::Wayland),
                         [](const auto& info) { return info.param == Desktop::X11 ? "X11" : "Wayland"; });

// At a pixel ratio of 2 the bar's glyphs are drawn at the screen's resolution: a glyph scaled up
// from a picture of the widget's size would be blocks of 2 x 2 equal pixels.
TEST(PlayerBar, GlyphsAreSharpAtPixelRatio2) {
  Desktop desktop(Desktop::X11);
  ProgramFolder folder(false);
  const auto r = on_desktop(desktop, "morvane_player_probe", {"--bar", folder.file("bar.png")}, {"QT_SCALE_FACTOR=2"});
  ASSERT_TRUE(r.out.contains("dpr 2")) << r.out.toStdString();
  const QImage track(folder.file("bar.png"));
  ASSERT_GE(track.width(), 60) << track.width();
  int uneven = 0;  // 2 x 2 blocks of the speaker (its first 17 points) whose pixels differ
  for (int y = 0; y + 1 < track.height(); y += 2)
    for (int x = 0; x + 1 < 34; x += 2) {
      const QRgb a = track.pixel(x, y);
      uneven += a != track.pixel(x + 1, y) || a != track.pixel(x, y + 1) || a != track.pixel(x + 1, y + 1);
    }
  EXPECT_GT(uneven, 10);
}

}  // namespace
