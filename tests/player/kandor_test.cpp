// The player plays: local files, site episodes through the terminal it starts, the poll's rules.
#include "player/player_fixture.h"
#include "player/now_playing.h"

namespace {

TEST_F(PlayerTest, PlaysALocalFileAndShowsNoRate) {
  QString local;
  episode(1003, 0, &local);
  kandor->h_play(local, 0, 0);
  ASSERT_TRUE(state_reaches(3));
  EXPECT_EQ(kandor->fname(), "让子弹飞-上");
  EXPECT_EQ(now_playing, "正在播放:让子弹飞-上");
  EXPECT_EQ(player::now_playing().now_url, local);
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
  ASSERT_TRUE(state_reaches(3)) << text("Label1").toStdString() << " " << text("Label3").toStdString();
  EXPECT_EQ(kandor->furl(), address);
  EXPECT_EQ(kandor->fname(), "潜伏-第01集");
}

TEST_F(PlayerTest, ATerminalThatDoesNotComeUpIsSaid) {
  kandor->setQlj(folder.file("play"));
  terminal_can_start = false;
  kandor->h_play(episode(1004, 0), 1, 0);
  ASSERT_TRUE(wait_until([&] { return text("Label3") == "播放引擎未能启动"; }, 10000)) << text("Label3").toStdString();
  EXPECT_FALSE(kandor->polling());
}

}  // namespace
