// A newcomer's evening, with the real client under an X server of its own, clicked as a user
// clicks: open a title from the site's list, play it, let the next episode come, quit; come back,
// open the title again and resume where it stopped; the next time start over.
#include <gtest/gtest.h>

#include "support/client_seat.h"
#include "support/db_rows.h"
#include "support/wait.h"

namespace {

class Newcomer : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(seat.ready()); }
  ClientSeat seat;
};

TEST_F(Newcomer, PlaysQuitsAndResumesWhereItStopped) {
  const QStringList& episodes = seat.episodes();
  ASSERT_TRUE(seat.start()) << seat.why().toStdString();
  ASSERT_TRUE(seat.open_and_play()) << seat.why().toStdString();
  ASSERT_TRUE(wait_until([&] { return seat.hist_url() == episodes[0]; }, 20000)) << seat.hist_url().toStdString();
  settle(3000);
  seat.seek_near_the_end();
  ASSERT_TRUE(wait_until([&] { return seat.hist_url() == episodes[1]; }, 20000)) << "auto next";
  ASSERT_TRUE(wait_until([&] { return seat.position(1) >= 9; }, 30000));
  ASSERT_TRUE(seat.quit()) << seat.why().toStdString();
  const int stopped = seat.position(1);

  ASSERT_TRUE(seat.start()) << seat.why().toStdString();
  ASSERT_TRUE(seat.open_and_play()) << seat.why().toStdString();
  QStringList boxes;
  ASSERT_TRUE(wait_until([&] { return !(boxes = seat.questions()).isEmpty(); }, 15000));
  EXPECT_EQ(boxes.size(), 1);
  seat.answer(boxes[0], "Return");  // OK
  ASSERT_TRUE(wait_until([&] { return seat.position(1) != stopped; }, 15000));
  EXPECT_GE(seat.position(1), stopped);  // resumed, not started over
  EXPECT_LE(seat.position(1), stopped + 6);
  EXPECT_EQ(seat.hist_url(), episodes[1]);
  ASSERT_TRUE(seat.quit()) << seat.why().toStdString();

  ASSERT_TRUE(seat.start()) << seat.why().toStdString();
  ASSERT_TRUE(seat.open_and_play()) << seat.why().toStdString();
  ASSERT_TRUE(wait_until([&] { return !(boxes = seat.questions()).isEmpty(); }, 15000));
  seat.answer(boxes[0], "Escape");  // Cancel: the first episode from the start
  ASSERT_TRUE(wait_until([&] { return seat.hist_url() == episodes[0]; }, 15000));
  EXPECT_EQ(seat.position(1), 0);
  ASSERT_TRUE(wait_until([&] { return seat.position(0) > 0; }, 15000));
  EXPECT_LE(seat.position(0), 5);
  ASSERT_TRUE(seat.quit()) << seat.why().toStdString();
}

// An episode played to its end starts from the beginning when opened again, asks nothing, and the
// series does not run on from the ends of the episodes after it.
TEST_F(Newcomer, AFinishedEpisodeStartsOverAndTheSeriesDoesNotRunOn) {
  const QStringList& episodes = seat.episodes();
  ASSERT_TRUE(seat.start()) << seat.why().toStdString();
  ASSERT_TRUE(seat.open_and_play()) << seat.why().toStdString();
  for (int i = 0; i < episodes.size(); ++i) {
    ASSERT_TRUE(wait_until([&] { return seat.hist_url() == episodes[i] && seat.position(i) > 0; }, 30000)) << i;
    seat.seek_near_the_end();
    ASSERT_TRUE(wait_until([&] { return seat.position(i) == 0; }, 20000)) << "episode " << i << " at its end";
  }
  ASSERT_TRUE(seat.quit()) << seat.why().toStdString();

  ASSERT_TRUE(seat.start()) << seat.why().toStdString();
  ASSERT_TRUE(seat.open_and_play()) << seat.why().toStdString();
  ASSERT_TRUE(wait_until([&] { return seat.position(0) > 0; }, 20000));
  EXPECT_TRUE(seat.questions().isEmpty());
  settle(4000);  // long enough for an episode resumed at its end to end and hand on
  EXPECT_EQ(seat.hist_url(), episodes[0]);
  EXPECT_LE(seat.position(0), 10);
  EXPECT_EQ(seat.position(1), 0);
  ASSERT_TRUE(seat.quit()) << seat.why().toStdString();
}

// Play-data pages whose cuts find no end: the client says why, plays nothing and goes on.
TEST_F(Newcomer, APlayDataPageWithoutAnAddressIsSaidAndTheClientGoesOn) {
  ASSERT_TRUE(seat.start()) << seat.why().toStdString();
  const QString page = seat.site.base() + "/pd77/html/1034.html";
  for (const char* fault : {"nojs", "unclosed"}) {
    seat.site.control(std::string("playdata=") + fault);
    const QString form = seat.open_remote(page);
    ASSERT_FALSE(form.isEmpty()) << seat.why().toStdString();
    QString box;
    ASSERT_TRUE(wait_until(
        [&] {
          for (const QString& w : seat.x.windows_named("^打开远程文件$"))
            if (w != form) box = w;
          return !box.isEmpty() || !seat.client_running();
        },
        15000))
        << fault << ": no message";
    ASSERT_TRUE(seat.client_running()) << fault;
    seat.answer(box, "Return");
    ASSERT_TRUE(wait_until([&] { return seat.x.windows_named("^打开远程文件$").isEmpty(); }, 10000)) << fault;
  }
  settle(500);
  EXPECT_TRUE(seat.client_running());
  const QString log = seat.folder.log_text();
  EXPECT_TRUE(log.contains("页面中没有播放数据")) << log.toStdString();
  EXPECT_TRUE(log.contains("播放数据中没有qvod地址")) << log.toStdString();
  EXPECT_TRUE(column("select * from hist", "hist_url").isEmpty());
  ASSERT_TRUE(seat.quit()) << seat.why().toStdString();
}

}  // namespace
