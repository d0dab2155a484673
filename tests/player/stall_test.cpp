// A terminal that takes every connection and never answers: while an item plays, the window never
// waits for it. A wait on the terminal holds the GUI thread for its whole time-out, 300 ms and more;
// so the longest gap of a 1 ms timer on that thread stays under 100 ms for 30 s. (Idle, the gaps
// stay under 10 ms; a busy machine has been seen to give 20.) Run alone.
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>

#include "player/player_fixture.h"
#include "support/block_watch.h"

namespace {

// Accepts connections and keeps them, reading nothing and answering nothing.
class SilentServer : public QTcpServer {
 public:
  SilentServer() { listen(QHostAddress::LocalHost, 0); }

 protected:
  void incomingConnection(qintptr fd) override {
    auto* s = new QTcpSocket(this);
    s->setSocketDescriptor(fd);
  }
};

TEST_F(PlayerTest, ATerminalThatNeverAnswersNeverHoldsTheWindow) {
  kandor->setQlj(folder.file("play"));
  kandor->h_play(episode(1034, 0), 1, 0);  // forty seconds
  ASSERT_TRUE(state_reaches(engine::PlayState::Playing)) << text("Label1").toStdString();
  // From now on the state file names a server that holds every question; the item streams on.
  SilentServer silent;
  ASSERT_TRUE(silent.isListening());
  QFile state(terminal.state_file());
  ASSERT_TRUE(state.open(QIODevice::ReadOnly));
  QStringList fields = QString::fromLatin1(state.readAll()).split(' ');
  state.close();
  fields[0] = QString::number(silent.serverPort());
  write_all(terminal.state_file(), fields.join(' ').toLatin1());

  BlockWatch watch;
  watch.start();
  settle(30000);
  EXPECT_LT(watch.stop_ms(), 100);
  EXPECT_EQ(kandor->engine()->playstate(), engine::PlayState::Playing);  // it played on all the while
  EXPECT_FALSE(silent.findChildren<QTcpSocket*>().isEmpty());            // and the player did ask
}

}  // namespace
