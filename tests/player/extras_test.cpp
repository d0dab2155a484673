// The player's extras against real libmpv on clips of the test's own: tracks chosen for the play,
// a subtitle file kept for its item, speed and mute kept for the session, a still of the frame.
#include <QActionGroup>
#include <QElapsedTimer>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QSet>
#include <QTemporaryDir>

#include "platform/dialogs.h"
#include "player/player_fixture.h"
#include "support/clip.h"

namespace {

class Extras : public PlayerTest {
 protected:
  void SetUp() override {
    PlayerTest::SetUp();
    before_dialogs = platform::set_dialogs(&answers);
  }
  void TearDown() override {
    platform::set_dialogs(before_dialogs);
    PlayerTest::TearDown();
  }
  // The clip with two audio and two subtitle tracks, made once per test.
  QString tracks_clip() {
    const QString path = folder.file("tracks.mkv");
    if (!QFile::exists(path)) {
      EXPECT_TRUE(make_tracks_clip(path));
    }
    return path;
  }
  bool play(const QString& path) {
    kandor->h_play(path, 0, 0);
    return state_reaches(engine::PlayState::Playing);
  }
  // The popup as the user opens it (its items are set as it opens), closed again.
  void open_popup() {
    kandor->popup()->popup(QPoint(0, 0));
    kandor->popup()->hide();
  }
  QMenu* submenu(const char* name) { return kandor->popup()->findChild<QMenu*>(name); }
  bool enabled(const char* name) { return kandor->popup_item(name)->isEnabled(); }
  // The track of the type in force (id 0: none), as libmpv reports it.
  int selected(const char* type) {
    for (const engine::Track& t : kandor->engine()->tracks())
      if (t.type == type && t.selected) return t.id;
    return 0;
  }
  bool selected_becomes(const char* type, int id) {
    return wait_until([&] { return selected(type) == id; }, 5000);
  }

  platform::ScriptedDialogs answers;
  platform::Dialogs* before_dialogs = nullptr;
};

TEST_F(Extras, TheNewItemsApplyOnlyToAnOpenItemAndTheAudioTracksOnlyWhenThereAreTwo) {
  open_popup();
  for (const char* name : {"subtitles", "audio_tracks", "speeds", "mute", "still"}) EXPECT_FALSE(enabled(name)) << name;
  ASSERT_TRUE(play(tracks_clip()));
  open_popup();
  for (const char* name : {"subtitles", "audio_tracks", "speeds", "mute", "still"}) EXPECT_TRUE(enabled(name)) << name;
  ASSERT_TRUE(play(long_clip(0)));  // one audio track
  open_popup();
  EXPECT_EQ(submenu("subtitles")->findChildren<QActionGroup*>().size(), 1);  // made again, not piled up
  EXPECT_FALSE(enabled("audio_tracks"));
  EXPECT_TRUE(enabled("subtitles"));  // a file can still be added
  kandor->q_stop();
  open_popup();
  EXPECT_FALSE(enabled("still"));
}

TEST_F(Extras, TracksAreThePlaysOwnAndASubtitleFileStaysWithItsItem) {
  const QString clip = tracks_clip();
  ASSERT_TRUE(play(clip));
  open_popup();
  ASSERT_NE(kandor->popup_item("subtitle", 2), nullptr);
  EXPECT_EQ(kandor->popup_item("subtitle", 1)->text(), "中文 [chi]");
  EXPECT_EQ(kandor->popup_item("subtitle", 2)->text(), "English [eng]");
  kandor->popup_item("subtitle", 2)->trigger();
  EXPECT_TRUE(selected_becomes("sub", 2));
  kandor->popup_item("subtitles_off")->trigger();  // 关闭字幕
  EXPECT_TRUE(selected_becomes("sub", 0));
  open_popup();
  EXPECT_TRUE(kandor->popup_item("subtitles_off")->isChecked());
  kandor->popup_item("audio_track", 2)->trigger();
  EXPECT_TRUE(selected_becomes("audio", 2));
  // The next play of the item makes its own choice again: the first of each, as the item says.
  ASSERT_TRUE(play(clip));
  EXPECT_TRUE(selected_becomes("audio", 1));
  EXPECT_TRUE(selected_becomes("sub", 1));
  open_popup();
  kandor->popup_item("subtitles_off")->trigger();
  EXPECT_TRUE(selected_becomes("sub", 0));

  const QString srt = folder.file("own.srt");
  write_all(srt, "1\n00:00:00,000 --> 00:10:00,000\nOwn line\n\n");
  answers.choose_next(srt);
  kandor->popup_item("subtitle_file")->trigger();
  EXPECT_TRUE(answers.shown.value(0).contains("*.srt *.ass *.ssa *.vtt *.sub")) << answers.shown.value(0).toStdString();
  EXPECT_TRUE(selected_becomes("sub", 3));
  open_popup();
  EXPECT_EQ(kandor->popup_item("subtitle", 3)->text(), "own.srt");

  // Another item: its own tracks. Back to the first: its own choice again, and the file with it.
  ASSERT_TRUE(play(long_clip(0)));
  EXPECT_TRUE(selected_becomes("sub", 0));
  ASSERT_TRUE(play(clip));
  EXPECT_TRUE(selected_becomes("audio", 1));
  EXPECT_TRUE(selected_becomes("sub", 3));
  int files = 0;
  for (const engine::Track& t : kandor->engine()->tracks()) files += t.file == srt;
  EXPECT_EQ(files, 1);
}

TEST_F(Extras, SpeedAndMuteLastForTheSessionAndMuteKeepsTheVolume) {
  ASSERT_TRUE(play(tracks_clip()));
  // Milliseconds for the position to move on 3 s. The position is told in whole seconds: the
  // clock starts and stops as it changes, so a second's rounding does not enter the figure.
  const auto ms_to_advance = [this] {
    const int first = kandor->engine()->currentpos();
    wait_until([&] { return kandor->engine()->currentpos() != first; }, 5000);
    const int from = kandor->engine()->currentpos();
    QElapsedTimer clock;
    clock.start();
    wait_until([&] { return kandor->engine()->currentpos() >= from + 3; }, 10000);
    return static_cast<double>(clock.elapsed());
  };
  const double normal = ms_to_advance();
  open_popup();
  kandor->popup_item("speed", 5)->trigger();  // 2.0
  ASSERT_TRUE(wait_until([&] { return kandor->engine()->speed() == 2.0; }, 3000));
  const double doubled = ms_to_advance();
  EXPECT_NEAR(normal / doubled, 2.0, 0.35) << doubled << " ms against " << normal;
  EXPECT_EQ(text("Label6"), "2×");

  const int volume = kandor->vol();
  kandor->popup_item("mute")->trigger();
  EXPECT_TRUE(wait_until([&] { return kandor->engine()->muted(); }, 3000));
  EXPECT_EQ(kandor->vol(), volume);

  ASSERT_TRUE(play(long_clip(0)));  // the next item: still muted, still doubled
  EXPECT_TRUE(kandor->engine()->muted());
  EXPECT_EQ(kandor->engine()->speed(), 2.0);
  open_popup();
  EXPECT_TRUE(kandor->popup_item("mute")->isChecked());
  EXPECT_TRUE(kandor->popup_item("speed", 5)->isChecked());
  kandor->toggle_mute();
  EXPECT_TRUE(wait_until([&] { return !kandor->engine()->muted(); }, 3000));
  EXPECT_EQ(kandor->vol(), volume);
  kandor->step_speed(-1);
  EXPECT_EQ(kandor->speed(), 1.5);
  kandor->set_speed(1.0);
  EXPECT_EQ(text("Label6"), "");
}

TEST_F(Extras, AStillIsAPngOfThePictureInTheUsersPicturesFolder) {
  QTemporaryDir config;
  const QString pictures = config.filePath("我的图片");
  write_all(config.filePath("user-dirs.dirs"), ("XDG_PICTURES_DIR=\"" + pictures + "\"\n").toUtf8());
  const QByteArray config_before = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  ASSERT_EQ(player::Kandor::still_folder(), pictures + "/Morvane");
  ASSERT_TRUE(play(tracks_clip()));
  open_popup();
  kandor->popup_item("still")->trigger();
  ASSERT_TRUE(wait_until([&] { return status.startsWith("截图已保存到 "); }, 10000)) << status.toStdString();
  const QString path = status.section(' ', 1);
  EXPECT_EQ(QFileInfo(path).absolutePath(), pictures + "/Morvane");
  const QImage still(path, "PNG");
  EXPECT_EQ(still.size(), QSize(320, 240));
  QSet<QRgb> colours;
  for (int y = 0; y < still.height(); y += 4)
    for (int x = 0; x < still.width(); x += 4) colours.insert(still.pixel(x, y));
  EXPECT_GT(colours.size(), 20);  // the test picture, not a blank
  if (config_before.isEmpty()) qunsetenv("XDG_CONFIG_HOME");
  else qputenv("XDG_CONFIG_HOME", config_before);
}

}  // namespace
