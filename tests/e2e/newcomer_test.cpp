// A newcomer's evening, with the real client under an X server of its own, clicked as a user
// clicks: open a title from the site's list, play it, let the next episode come, quit; come back,
// open the title again and resume where it stopped; the next time start over.
#include <gtest/gtest.h>

#include "support/client_seat.h"
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

}  // namespace
