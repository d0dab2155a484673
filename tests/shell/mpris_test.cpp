// The desktop's media controls on a session bus of the test's own: each method changes what the
// player does, each change of the player is signalled, and the metadata follows the item.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QProcess>

#include "desktop/mpris.h"
#include "engine/engine.h"
#include "history/play_flows.h"
#include "player/kandor.h"
#include "session/session.h"
#include "shell/main_window.h"
#include "store/builders.h"
#include "store/connection.h"
#include "support/clip.h"
#include "support/program_folder.h"
#include "support/test_session.h"
#include "support/wait.h"

namespace {

const QString kService = QStringLiteral("org.mpris.MediaPlayer2.morvane");
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");

// What the bus said of the player: every PropertiesChanged and Seeked, in order.
class Listener : public QObject {
  Q_OBJECT
 public:
  QList<QVariantMap> changes;
  QList<qlonglong> seeks;
  bool changed(const QString& property, const QVariant& value) const {
    for (const QVariantMap& c : changes)
      if (c.contains(property) && (!value.isValid() || c.value(property) == value)) return true;
    return false;
  }
 public slots:
  void properties_changed(const QString&, const QVariantMap& changed, const QStringList&) { changes << changed; }
  void seeked(qlonglong position) { seeks << position; }
};

class Mpris : public ::testing::Test {
 protected:
  void SetUp() override {
    // A session bus of this test's own; the process meets the bus first here.
    bus_daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    ASSERT_TRUE(bus_daemon.waitForReadyRead(10000));
    const QByteArray address = bus_daemon.readLine().trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    probe = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(QString::fromUtf8(address), "probe"));
    ASSERT_TRUE(probe->isConnected());
    probe->connect(kService, kPath, "org.freedesktop.DBus.Properties", "PropertiesChanged", &listener,
                   SLOT(properties_changed(QString, QVariantMap, QStringList)));
    probe->connect(kService, kPath, kPlayer, "Seeked", &listener, SLOT(seeked(qlonglong)));
    window = std::make_unique<shell::MainWindow>(test_session());
    window->kandor()->zrqvds();  // the engine, as the start-up job makes it
    window->offer_media_controls();
    ASSERT_TRUE(window->media_controls()->registered());
    window->show();
  }
  void TearDown() override {
    window.reset();
    store::shared_connection().close();
    bus_daemon.kill();
    bus_daemon.waitForFinished();
  }
  QDBusMessage call(const QString& interface, const QString& method, const QVariantList& args = {}) {
    QDBusMessage m = QDBusMessage::createMethodCall(kService, kPath, interface, method);
    m.setArguments(args);
    QDBusPendingCall pending = probe->asyncCall(m);
    wait_until([&] { return pending.isFinished(); }, 10000);
    return pending.reply();
  }
  QVariant get(const QString& interface, const QString& property) {
    const QDBusMessage r = call("org.freedesktop.DBus.Properties", "Get", {interface, property});
    return r.arguments().value(0).value<QDBusVariant>().variant();
  }
  QVariantMap metadata() {
    QVariantMap out;
    get(kPlayer, "Metadata").value<QDBusArgument>() >> out;
    return out;
  }
  QString status() { return get(kPlayer, "PlaybackStatus").toString(); }
  bool playing() {
    return wait_until([&] { return window->kandor()->bzt() == engine::code(engine::PlayState::Playing); }, 20000);
  }

  ProgramFolder folder{true, true};
  QProcess bus_daemon;
  std::unique_ptr<QDBusConnection> probe;
  Listener listener;
  std::unique_ptr<shell::MainWindow> window;
};

TEST_F(Mpris, TheRootNamesThePlayerAndRaisesIt) {
  EXPECT_EQ(get("org.mpris.MediaPlayer2", "Identity").toString(), "Morvane");
  EXPECT_EQ(get("org.mpris.MediaPlayer2", "DesktopEntry").toString(), "morvane");
  EXPECT_TRUE(get("org.mpris.MediaPlayer2", "SupportedUriSchemes").toStringList().contains("qvod"));
  window->showMinimized();
  ASSERT_TRUE(wait_until([&] { return window->isMinimized(); }));
  call("org.mpris.MediaPlayer2", "Raise");
  EXPECT_TRUE(wait_until([&] { return !window->isMinimized(); }));
  EXPECT_EQ(status(), "Stopped");
  EXPECT_EQ(metadata().value("mpris:trackid").value<QDBusObjectPath>().path(),
            "/org/mpris/MediaPlayer2/TrackList/NoTrack");
}

TEST_F(Mpris, MethodsDriveThePlayerAndEveryChangeIsSignalled) {
  const QString first = folder.file("第一集.mp4"), second = folder.file("second.mp4");
  ASSERT_TRUE(make_clip(first) && make_clip(second));
  call(kPlayer, "OpenUri", {QUrl::fromLocalFile(first).toString()});
  ASSERT_TRUE(playing());
  ASSERT_TRUE(wait_until([&] { return listener.changed("PlaybackStatus", "Playing"); }));
  EXPECT_EQ(metadata().value("xesam:title").toString(), "第一集");
  EXPECT_NEAR(metadata().value("mpris:length").toLongLong(), 40'000'000, 1'000'000);

  call(kPlayer, "PlayPause");
  EXPECT_TRUE(wait_until([&] { return window->kandor()->bzt() == engine::code(engine::PlayState::Paused); }));
  EXPECT_TRUE(wait_until([&] { return listener.changed("PlaybackStatus", "Paused"); }));
  call(kPlayer, "Play");
  ASSERT_TRUE(playing());

  const qlonglong before = get(kPlayer, "Position").toLongLong();
  call(kPlayer, "Seek", {qlonglong(15'000'000)});
  EXPECT_TRUE(wait_until([&] { return window->kandor()->bwz() * 1'000'000LL >= before + 13'000'000; }));
  EXPECT_TRUE(wait_until([&] { return !listener.seeks.isEmpty(); }));
  const QDBusObjectPath track = metadata().value("mpris:trackid").value<QDBusObjectPath>();
  call(kPlayer, "SetPosition", {QVariant::fromValue(track), qlonglong(5'000'000)});
  EXPECT_TRUE(wait_until([&] { return window->kandor()->bwz() >= 4 && window->kandor()->bwz() <= 8; }));

  call("org.freedesktop.DBus.Properties", "Set", {kPlayer, "Volume", QVariant::fromValue(QDBusVariant(0.5))});
  EXPECT_EQ(window->kandor()->vol(), 50);
  EXPECT_TRUE(wait_until([&] { return listener.changed("Volume", 0.5); }));

  call(kPlayer, "Stop");
  EXPECT_TRUE(wait_until([&] { return listener.changed("PlaybackStatus", "Stopped"); }));
}

TEST_F(Mpris, NextAndPreviousFollowThePlayList) {
  const QString first = folder.file("a.mp4"), second = folder.file("b.mp4");
  ASSERT_TRUE(make_clip(first) && make_clip(second));
  window->open_addresses({first, second});
  ASSERT_TRUE(playing());
  EXPECT_TRUE(wait_until([&] { return get(kPlayer, "CanGoNext").toBool(); }));
  EXPECT_FALSE(get(kPlayer, "CanGoPrevious").toBool());
  call(kPlayer, "Next");
  EXPECT_EQ(window->kandor()->furl(), second);
  ASSERT_TRUE(playing());
  EXPECT_TRUE(wait_until([&] { return metadata().value("xesam:title").toString() == "b"; }));
  EXPECT_TRUE(wait_until([&] { return listener.changed("CanGoPrevious", true); }));
  call(kPlayer, "Previous");
  EXPECT_EQ(window->kandor()->furl(), first);
}

// An episode of a catalogue title: the title's name is the album, its stored cover the art.
TEST_F(Mpris, MetadataOfACatalogueTitleNamesItsTitleAndCover) {
  const QString episode = folder.file("长夜-第01集.mp4");
  ASSERT_TRUE(make_clip(episode));
  ASSERT_TRUE(store::db_execute(
      "insert into det (keyID,d_name,fm) values (77,'长夜','http://127.0.0.1:8610/kolbet/upfilex/77.svg')"));
  window->session().play.hist_key = 77;
  window->session().play.title_name = "长夜";
  window->play_flows().ss_play(episode, 1, 0);
  ASSERT_TRUE(playing());
  ASSERT_TRUE(wait_until([&] { return listener.changed("Metadata", {}); }));
  const QVariantMap m = metadata();
  EXPECT_EQ(m.value("xesam:title").toString(), "长夜-第01集");
  EXPECT_EQ(m.value("xesam:album").toString(), "长夜");
  EXPECT_EQ(m.value("mpris:artUrl").toString(), "http://127.0.0.1:8610/kolbet/upfilex/77.svg");
}

}  // namespace

#include "mpris_test.moc"
