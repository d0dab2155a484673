// What the desktop hands the real client: files and addresses on its command line, a second start
// that hands them to the running client, a socket left by a killed client.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

#include "support/client_seat.h"
#include "support/clip.h"
#include "support/db_rows.h"
#include "support/wait.h"

namespace {

class Handed : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(seat.ready()); }
  QString clip(const QString& name) {
    const QString path = seat.folder.file(name);
    EXPECT_TRUE(make_clip(path));
    return path;
  }
  // The free history entry of an address has a position: it is playing, or has played.
  static bool plays(const QString& address, int timeout_ms = 30000) {
    return wait_until([&] { return free_entry_position(address) > 0; }, timeout_ms);
  }
  void press_in_main_window(const QString& key) {
    seat.x.xdotool({"windowfocus", "--sync", seat.x.windows_named("^MorvaneV").value(0)});
    seat.x.keys({key});
  }
  ClientSeat seat;
};

// Two files: the first plays, → moves to the second, each keeps a history entry of its own.
TEST_F(Handed, FilesOnTheCommandLinePlayInOrderAndTheArrowMovesOn) {
  const QString first = clip("第一.mp4"), second = clip("second file.mp4");
  ASSERT_TRUE(seat.start({first, second})) << seat.why().toStdString();
  ASSERT_TRUE(plays(first));
  EXPECT_EQ(free_entry_position(second), -1);
  press_in_main_window("Right");
  ASSERT_TRUE(plays(second));
  press_in_main_window("Left");
  ASSERT_TRUE(
      wait_until([&] { return free_entry_position(first) > 0 && column("select * from hist", "histID").size() == 2; }));
  ASSERT_TRUE(seat.quit()) << seat.why().toStdString();
}

// A qvod address of the site plays; a second start with an http address hands it to the running
// client and ends, and a second start without any only brings the running client forward.
TEST_F(Handed, ASecondStartHandsItsAddressToTheRunningClientAndEnds) {
  const QString qvod = seat.episodes()[0];
  ASSERT_TRUE(seat.start({qvod})) << seat.why().toStdString();
  ASSERT_TRUE(plays(qvod));
  const QString http = seat.site.base() + "/qvod/" + qvod.section('|', 1, 1) + "/" + qvod.section('|', 2, 2);
  EXPECT_EQ(seat.start_again({http}), 0);
  ASSERT_TRUE(plays(http));
  EXPECT_TRUE(seat.client_running());
  EXPECT_EQ(seat.start_again({}), 0);
  EXPECT_TRUE(seat.client_running());
  EXPECT_EQ(seat.x.windows_named("^MorvaneV").size(), 1);
  ASSERT_TRUE(seat.quit()) << seat.why().toStdString();
}

// A client killed outright leaves its socket behind: the next start takes it over at once.
TEST_F(Handed, AKilledClientsSocketIsTakenOverAtOnce) {
  ASSERT_TRUE(seat.start()) << seat.why().toStdString();
  seat.kill_client();
  ASSERT_TRUE(QFile::exists(qEnvironmentVariable("MORVANE_INSTANCE_SOCKET")));
  const QString film = clip("film.mp4");
  ASSERT_TRUE(seat.start({film})) << seat.why().toStdString();
  ASSERT_TRUE(plays(film));
  EXPECT_EQ(seat.start_again({}), 0);  // the socket is the new client's now
  EXPECT_EQ(seat.x.windows_named("^MorvaneV").size(), 1);
  ASSERT_TRUE(seat.quit()) << seat.why().toStdString();
}

// An address the client cannot play is said, as from the menu, and the client goes on.
TEST_F(Handed, AnAddressTheClientCannotPlayIsSaid) {
  ASSERT_TRUE(seat.start({"ftp://127.0.0.1/film.mp4"})) << seat.why().toStdString();
  QString box;
  ASSERT_TRUE(wait_until([&] { return !(box = seat.x.windows_named("^Morvane$").value(0)).isEmpty(); }, 10000));
  seat.answer(box, "Return");
  EXPECT_TRUE(seat.client_running());
  EXPECT_TRUE(column("select * from hist", "histID").isEmpty());
  ASSERT_TRUE(seat.quit()) << seat.why().toStdString();
}

}  // namespace
