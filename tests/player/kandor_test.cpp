// The player plays: local files, site episodes through the terminal it starts, the poll's rules.
#include <QCursor>
#include <QGuiApplication>
#include <QMetaMethod>
#include <QMouseEvent>

#include "config/settings.h"
#include "player/now_playing.h"
#include "player/player_fixture.h"

namespace {

TEST_F(PlayerTest, PlaysALocalFileAndShowsNoRate) {
  QString local;
  episode(1003, 0, &local);
  kandor->h_play(local, 0, 0);
  ASSERT_TRUE(state_reaches(engine::PlayState::Playing));
  EXPECT_EQ(kandor->fname(), "让子弹飞-上");
  EXPECT_EQ(now_playing, "正在播放:让子弹飞-上");
  EXPECT_EQ(test_session().now_playing.now_url, local);
  ASSERT_TRUE(wait_until([&] { return text("Label3").contains("/00:00:06"); }, 10000)) << text("Label3").toStdString();
  while (kandor->bzt() == 3) {  // to its end: a local file never shows a rate
    EXPECT_EQ(text("Label5"), "");
    EXPECT_EQ(kandor->down_pct(), 100.0);
    settle(200);
  }
  EXPECT_EQ(terminal_starts, 0);  // no engine folder given: played without the terminal
}

TEST_F(PlayerTest, PlaysASiteEpisodeThroughTheTerminalItStarts) {
  kandor->setQlj(folder.file("play"));
  const QString address = episode(1004, 0);
  kandor->h_play(address, 1, 0);
  EXPECT_EQ(terminal_starts, 1);
  ASSERT_TRUE(state_reaches(engine::PlayState::Playing))
      << text("Label1").toStdString() << " " << text("Label3").toStdString();
  EXPECT_EQ(kandor->furl(), address);
  EXPECT_EQ(kandor->fname(), "潜伏-第01集");
}

// A terminal started before the play (the user heads for one) is asked as soon as it is up: the
// play then goes straight to its item, with no question to the terminal first.
TEST_F(PlayerTest, ATerminalStartedBeforeThePlayIsKnownToAnswerAtTheClick) {
  kandor->setQlj(folder.file("play"));
  ASSERT_FALSE(kandor->terminal_answers());
  ASSERT_TRUE(terminal.launch());  // started without a play
  ASSERT_TRUE(wait_until([&] { return kandor->terminal_answers(); }, 5000));
  kandor->h_play(episode(1004, 1), 1, 0);
  EXPECT_TRUE(text("Label1").startsWith("即将播放")) << text("Label1").toStdString();
  EXPECT_EQ(terminal_starts, 0);
  ASSERT_TRUE(state_reaches(engine::PlayState::Playing));
}

TEST_F(PlayerTest, ATerminalThatDoesNotComeUpIsSaid) {
  kandor->setQlj(folder.file("play"));
  terminal_can_start = false;
  kandor->h_play(episode(1004, 0), 1, 0);
  ASSERT_TRUE(wait_until([&] { return text("Label3") == "播放引擎未能启动"; }, 10000)) << text("Label3").toStdString();
  EXPECT_FALSE(kandor->polling());
}

}  // namespace

namespace {

TEST_F(PlayerTest, AStartPositionIsAppliedOnceOnTheFirstPlayingTick) {
  const QString local = long_clip(2);
  start_at = 3;
  kandor->h_play(local, 0, 0);
  ASSERT_TRUE(state_reaches(engine::PlayState::Playing));
  ASSERT_TRUE(wait_until([&] { return kandor->bwz() >= 3; }, 5000));
  settle(1500);
  EXPECT_EQ(counting->seeks, QList<int>{3});
}

TEST_F(PlayerTest, ExactlyOnePreloadOfTheNextEpisodeAbove85PercentWithAutoNext) {
  kandor->setQlj(folder.file("play"));
  const QString first = episode(1004, 0), second = episode(1004, 1);
  play_list = first + "@@@" + second;
  kandor->setZxyj(1);
  kandor->h_play(first, 1, 0);
  ASSERT_TRUE(state_reaches(engine::PlayState::Playing));
  EXPECT_EQ(kandor->next_url(), second);
  EXPECT_EQ(kandor->prev_url(), "");
  ASSERT_TRUE(wait_until([&] { return kandor->furl() == second; }, 30000));  // auto next at the end
  EXPECT_EQ(counting->next_downs, QStringList{second});
  // With auto next off nothing is preloaded, and the end stops the player.
  kandor->setZxyj(0);
  counting->next_downs.clear();
  play_list.clear();
  kandor->h_play(first, 1, 0);
  ASSERT_TRUE(state_reaches(engine::PlayState::Playing));
  ASSERT_TRUE(wait_until([&] { return !kandor->polling(); }, 30000));
  EXPECT_TRUE(counting->next_downs.isEmpty());
  EXPECT_EQ(kandor->bzt(), 0);
  EXPECT_EQ(text("Label1"), "准备就绪");
}

TEST_F(PlayerTest, TheEndLeavesFullScreenWhenNothingFollows) {
  kandor->h_play(long_clip(1), 0, 0);
  kandor->Image7_Click();  // not playing yet: ignored
  EXPECT_EQ(kandor->full(), 0);
  ASSERT_TRUE(published(3));
  kandor->Image7_Click();
  EXPECT_EQ(kandor->full(), 1);
  EXPECT_TRUE(kandor->isWindow());
  EXPECT_FALSE(host_window.isVisible());
  ASSERT_TRUE(wait_until([&] { return !kandor->polling(); }, 25000));
  EXPECT_EQ(kandor->full(), 0);
  EXPECT_FALSE(kandor->isWindow());
  EXPECT_EQ(kandor->parentWidget(), &host_window);
  EXPECT_TRUE(host_window.isVisible());
}

TEST_F(PlayerTest, MinimisedTheKnobRestsButTheEndIsStillSeen) {
  QString local;
  episode(1009, 0, &local);
  kandor->h_play(local, 0, 0);
  ASSERT_TRUE(state_reaches(engine::PlayState::Playing));
  ASSERT_TRUE(wait_until([&] { return kandor->bwz() >= 1; }, 5000));
  host_window.showMinimized();
  ASSERT_TRUE(wait_until([&] { return host_window.isMinimized(); }, 3000));
  const int knob = kandor->part("Picture7")->x();
  const int position = kandor->bwz();
  ASSERT_TRUE(wait_until([&] { return kandor->bwz() >= position + 2; }, 5000));
  EXPECT_EQ(kandor->part("Picture7")->x(), knob);
  EXPECT_TRUE(wait_until([&] { return !kandor->polling(); }, 15000));  // the end all the same
  host_window.showNormal();
}

TEST_F(PlayerTest, InFullScreenAStillMouseHidesBarAndCursor) {
  kandor->h_play(long_clip(3), 0, 0);
  ASSERT_TRUE(published(3));
  QCursor::setPos(100, 100);
  kandor->Image7_Click();
  QWidget* bar = kandor->part("picture6");
  EXPECT_TRUE(wait_until([&] { return !bar->isVisible(); }, 5000));
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BlankCursor);
  QCursor::setPos(140, 120);
  EXPECT_TRUE(wait_until([&] { return bar->isVisible(); }, 2000));
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  kandor->Image7_Click();
}

// A stream without a length plays on (it is not ended at its first playing tick) until the engine
// says it has ended.
TEST_F(PlayerTest, AStreamWithoutALengthIsNotEndedAtOnce) {
  const QString raw = folder.file("raw.h264");
  ASSERT_TRUE(run_ffmpeg(
      {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25", "-t", "6", "-c:v", "libx264", "-f", "h264", raw}));
  kandor->h_play(raw, 0, 0);
  ASSERT_TRUE(state_reaches(engine::PlayState::Playing));
  settle(3000);
  EXPECT_TRUE(kandor->polling());
  EXPECT_EQ(kandor->bcd(), 0);
  EXPECT_GE(kandor->bwz(), 2);
  EXPECT_TRUE(wait_until([&] { return !kandor->polling(); }, 15000));
}

// The members the main window and the other windows call by name, with their argument counts.
TEST_F(PlayerTest, EveryMemberIsCallableByName) {
  const QMap<QString, int> members = {{"zrqvds", 0},       {"h_play", 3},       {"q_gh", 1},
                                      {"q_play", 2},       {"q_stop", 0},       {"q_pause", 0},
                                      {"system_zzt", 3},   {"hq_wjm", 1},       {"GetContent", 4},
                                      {"jz_l3", 1},        {"ydbl", 2},         {"jdt_wzgb", 4},
                                      {"im2_move", 0},     {"spkj_system", 1},  {"zmvb", 1},
                                      {"gj_mod", 1},       {"gj_xw", 0},        {"UserControl_Terminate", 0},
                                      {"Image7_Click", 0}, {"play_q_Click", 1}, {"show_taskbar", 1},
                                      {"show_covers", 1},  {"scsjm", 1}};
  const QMetaObject* mo = kandor->metaObject();
  for (auto it = members.begin(); it != members.end(); ++it) {
    bool found = false;
    for (int i = 0; i < mo->methodCount(); ++i)
      if (mo->method(i).name() == it.key().toLatin1() && mo->method(i).parameterCount() == it.value()) found = true;
    EXPECT_TRUE(found) << it.key().toStdString();
  }
  QString name;
  ASSERT_TRUE(QMetaObject::invokeMethod(kandor, "hq_wjm", Q_RETURN_ARG(QString, name),
                                        Q_ARG(QString, "/home/用户/电影/片.mkv")));
  EXPECT_EQ(name, "片");
  for (const char* p :
       {"furl", "fname", "bzt", "vol", "bwz", "bcd", "hWnd", "full", "qlj", "phwnd", "zfull", "zxyj", "zgj"})
    EXPECT_GE(mo->indexOfProperty(p), 0) << p;
}

TEST_F(PlayerTest, TimeTexts) {
  EXPECT_EQ(player::Kandor::scsjm(3725), "01:02:05");
  EXPECT_EQ(player::Kandor::scsjm(0), "00:00:00");
  EXPECT_EQ(player::Kandor::scsjm(59), "00:00:59");
  EXPECT_EQ(player::Kandor::scsjm(36000), "10:00:00");
}

TEST_F(PlayerTest, SeekingBeforeTheLengthIsKnownGoesToTheStart) {
  kandor->setBcd(0);
  QWidget* knob = kandor->part("Picture7");
  kandor->jdt_wzgb(0, 200, knob->y(), 1);
  EXPECT_EQ(counting->seeks, QList<int>{0});
  kandor->setBcd(100);
  kandor->jdt_wzgb(0, -30, knob->y(), 1);  // dragged past the left end: the start
  EXPECT_EQ(counting->seeks.last(), 0);
}

TEST_F(PlayerTest, TheVolumeKnobsEndsGiveNoughtAndAHundredAndAreSaved) {
  QWidget* track = kandor->part("Image6");
  QWidget* knob = kandor->part("Picture8");
  const int lead = 17;
  kandor->jdt_wzgb(1, track->x() + lead, knob->y(), 1);
  EXPECT_EQ(kandor->vol(), 0);
  kandor->jdt_wzgb(1, track->x() + track->width() - knob->width(), knob->y(), 1);
  EXPECT_EQ(kandor->vol(), 100);
  EXPECT_EQ(config::setting_access(0, {}, config::kVolume), "100");
  // A click on the track, as the user does it.
  const QPoint at(track->width() / 2 + lead / 2, track->height() / 2);
  QMouseEvent press(QEvent::MouseButtonPress, at, track->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(track, &press);
  EXPECT_GT(kandor->vol(), 30);
  EXPECT_LT(kandor->vol(), 70);
}

TEST_F(PlayerTest, AspectItemsCarryTheirMark) {
  EXPECT_EQ(kandor->popup_item("spkj_s", 1)->text(), "铺满窗口");
  kandor->popup_item("spkj_s", 1)->trigger();
  EXPECT_EQ(kandor->popup_item("spkj_s", 1)->text(), "√铺满窗体");
  EXPECT_EQ(kandor->popup_item("spkj_s", 0)->text(), "适应窗体");
  EXPECT_EQ(kandor->popup_item("spkj_s", 3)->text(), "16:9");
  kandor->q_stop();
  EXPECT_EQ(kandor->popup_item("spkj_s", 0)->text(), "√适应窗体");
  EXPECT_EQ(kandor->popup_item("spkj_s", 1)->text(), "铺满窗体");
}

TEST_F(PlayerTest, PropertiesKeepTheirBagKeysAndAMissingVolumeComesFromTheSettings) {
  config::setting_access(1, 37, config::kVolume);
  kandor->restore_properties({{"furl", "x"}, {"zxyj", "1"}});
  EXPECT_EQ(kandor->vol(), 37);
  EXPECT_EQ(kandor->zxyj(), 1);
  kandor->restore_properties({{"vol", "300"}});
  EXPECT_EQ(kandor->vol(), 100);
  config::setting_access(1, "abc", config::kVolume);
  kandor->restore_properties({});
  EXPECT_EQ(kandor->vol(), 100);
  const QVariantMap bag = kandor->property_bag();
  for (const char* key : {"furl", "fname", "bzt", "vol", "bwz", "bcd", "full", "qlj", "phwnd", "zfull", "zxyj", "zgj"})
    EXPECT_TRUE(bag.contains(key)) << key;
  QStringList notified;
  QObject listening;  // the connection ends with the test's own state
  QObject::connect(kandor, &player::Kandor::propertyChanged, &listening, [&](const QString& k) { notified << k; });
  QMetaObject::invokeMethod(kandor, "system_zzt", Q_ARG(QVariant, 3), Q_ARG(QVariant, QString()), Q_ARG(QVariant, 40));
  EXPECT_EQ(notified, QStringList({"bzt", "bcd"}));
  EXPECT_EQ(kandor->bcd(), 40);
}

}  // namespace

// Every start says that it plays: the engine signals each change of its state, 3 included.
TEST_F(PlayerTest, TheEngineSaysEveryChangeOfItsState) {
  const QString clip = long_clip(3);
  for (int start = 0; start < 4; ++start) {
    engine::MpvEngine engine(nullptr, true);
    QList<int> said;
    QObject::connect(&engine, &engine::MpvEngine::stateChanged, [&](engine::PlayState s) { said << engine::code(s); });
    engine.setURL(clip);
    ASSERT_TRUE(wait_until([&] { return engine.playstate() == engine::PlayState::Playing; }, 15000)) << start;
    settle(200);
    EXPECT_EQ(said.value(said.size() - 1), 3) << start;
    engine.pause();
    ASSERT_TRUE(wait_until([&] { return said.value(said.size() - 1) == 2; }, 5000)) << start;
    EXPECT_EQ(engine.playstate(), engine::PlayState::Paused);
  }
}
