// Sound plays wherever there is a platform, whatever the picture does: recorded from a sound server
// of the test's own (a null sink), at the level bare mpv plays the same clip at, and silent when
// paused; with no sound server at all the picture plays and the user is told once.
#include <gtest/gtest.h>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include "engine/mpv_engine.h"
#include "support/child.h"
#include "support/clip.h"
#include "support/desktops.h"
#include "support/program_folder.h"
#include "support/site_process.h"
#include "support/sound_level.h"
#include "support/wait.h"

namespace {

QString clip(const SiteProcess& site, const ProgramFolder& folder) {
  const std::string body = http_get(site.port(), "/details.php?id=1034").body;  // 40 s of a 550 Hz tone
  const QString hash = QString::fromStdString(body).section("<!--jj_start-->", 1).split('$').value(1);
  write_all(folder.file("tone.mp4"),
            QByteArray::fromStdString(http_get(site.port(), "/qvod/" + hash.toStdString() + "/x").body));
  return folder.file("tone.mp4");
}

// Bare mpv, sound only, at this volume: the level the sink hears once it plays.
double bare_mpv_level(const SoundServer& sound, const QString& file, int volume) {
  QProcess mpv;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const QString& kv : sound.env()) env.insert(kv.section('=', 0, 0), kv.section('=', 1));
  mpv.setProcessEnvironment(env);
  mpv.start("mpv", {"--no-config", "--no-video", "--ao=pulse", "--volume=" + QString::number(volume), file});
  mpv.waitForStarted();
  QThread::msleep(1500);
  qputenv("PULSE_SERVER", env.value("PULSE_SERVER").toUtf8());
  const double level = rms_level(record_sink(1500));
  qunsetenv("PULSE_SERVER");
  mpv.kill();
  mpv.waitForFinished();
  return level;
}

TEST(EngineSound, TheSinkHearsThePlayAtBareMpvsLevelAndSilenceWhenPausedOnX11AndWayland) {
  SoundServer sound;
  ASSERT_TRUE(sound.running());
  SiteProcess site;
  ProgramFolder folder(false);
  const QString tone = clip(site, folder);
  const double reference = bare_mpv_level(sound, tone, 50);
  ASSERT_GT(reference, 0.001) << "bare mpv was not heard";
  for (Desktop::Kind kind : {Desktop::X11, Desktop::Wayland}) {
    Desktop desktop(kind);
    ASSERT_TRUE(desktop.running()) << desktop.name().toStdString();
    const auto r = run_child(ProgramFolder::test_tool("morvane_player_probe"), {"--sound", tone, "50"},
                             desktop.env() + sound.env(), 60000);
    const auto m = QRegularExpression("sound playing ([\\d.]+) paused ([\\d.]+)").match(r.out);
    ASSERT_TRUE(m.hasMatch()) << desktop.name().toStdString() << ": " << r.out.toStdString();
    const double playing = m.captured(1).toDouble(), paused = m.captured(2).toDouble();
    EXPECT_NEAR(playing / reference, 1.0, 0.1) << desktop.name().toStdString() << " " << playing << " vs " << reference;
    EXPECT_LT(paused, 0.0002) << desktop.name().toStdString();
    EXPECT_FALSE(r.out.contains("无法打开音频设备")) << r.out.toStdString();
  }
}

TEST(EngineSound, WithoutASoundServerThePicturePlaysAndTheUserIsToldOnce) {
  SiteProcess site;
  ProgramFolder folder(false);
  Desktop desktop(Desktop::X11);
  const auto r =
      run_child(ProgramFolder::test_tool("morvane_player_probe"), {clip(site, folder)},
                desktop.env() + QStringList{"PULSE_SERVER=unix:/nonexistent", "ALSA_CONFIG_PATH=/dev/null"}, 90000);
  EXPECT_TRUE(QRegularExpression("windowed state 3 pos \\d+ colours (\\d\\d+)").match(r.out).hasMatch())
      << r.out.toStdString();
  EXPECT_EQ(r.out.count("无法打开音频设备"), 1) << r.out.toStdString();
  EXPECT_FALSE(r.out.contains("无法显示画面"));
  EXPECT_TRUE(folder.log_text().contains("无法打开音频设备")) << folder.log_text().toStdString();
  // libmpv's own reason, in its words
  EXPECT_TRUE(folder.log_text().contains(QRegularExpression("mpv: \\[(error|fatal)\\] (ao|cplayer)[^\n]*audio")))
      << folder.log_text().toStdString();
}

// What the sink hears for ms once it hears anything: an audio output takes a moment to open, and a
// new track to reach the sink (a loaded machine takes longer); empty when it stays silent for 10 s.
QByteArray once_heard(int ms) {
  for (int waited = 0; rms_level(record_sink(250)) < 0.001; waited += 250)
    if (waited >= 10000) return {};
  return record_sink(ms);
}

// Of the item's two tones, the track chosen is the one the sink hears.
TEST(EngineSound, TheAudioTrackChosenIsTheOneHeard) {
  SoundServer sound;
  ASSERT_TRUE(sound.running());
  ProgramFolder folder(false);
  const QString clip = folder.file("tracks.mkv");
  ASSERT_TRUE(make_tracks_clip(clip));
  qputenv("PULSE_SERVER", sound.env().value(0).section('=', 1).toUtf8());
  {
    engine::MpvEngine e(nullptr, false);
    e.setURL(clip);
    e.Play();
    ASSERT_TRUE(wait_until([&] { return e.playstate() == engine::PlayState::Playing; }, 20000));
    const double first = tone_frequency(once_heard(1000));
    e.set_track("audio", 2);
    ASSERT_TRUE(wait_until([&] {
      for (const engine::Track& t : e.tracks())
        if (t.type == "audio" && t.selected) return t.id == 2;
      return false;
    }));
    settle(300);  // the first track's last samples leave the sink
    const double second = tone_frequency(once_heard(1000));
    EXPECT_NEAR(first, 440, 30);
    EXPECT_NEAR(second, 1760, 60);
  }
  qunsetenv("PULSE_SERVER");
}

}  // namespace
