// The screen saver is held off through the session bus, as a desktop offers it: a bus of the test's
// own with a screen saver service that answers Inhibit and UnInhibit.
#include <gtest/gtest.h>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QProcess>
#include <QThread>

#include "platform/screen_saver.h"
#include "support/child.h"

namespace {

class ScreenSaverService : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
 public:
  QStringList calls;
 public slots:
  uint Inhibit(const QString& app, const QString& reason) {
    calls << "Inhibit " + app + " " + reason;
    return 41 + calls.size();
  }
  void UnInhibit(uint cookie) { calls << QStringLiteral("UnInhibit %1").arg(cookie); }
};

TEST(ScreenSaver, HeldOffOnceAndLetGoWithItsCookie) {
  QProcess bus;
  end_with_parent(bus);
  bus.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
  ASSERT_TRUE(bus.waitForReadyRead(10000));
  const QByteArray address = bus.readLine().trimmed();
  qputenv("DBUS_SESSION_BUS_ADDRESS", address);
  QDBusConnection service_bus = QDBusConnection::connectToBus(QString::fromUtf8(address), "screen-saver-service");
  // The service answers from a thread of its own while the client waits for its answer.
  QThread service_thread;
  ScreenSaverService service;
  service.moveToThread(&service_thread);
  service_thread.start();
  ASSERT_TRUE(service_bus.registerService("org.freedesktop.ScreenSaver"));
  ASSERT_TRUE(service_bus.registerObject("/org/freedesktop/ScreenSaver", &service, QDBusConnection::ExportAllSlots));

  platform::ScreenSaverInhibitor inhibitor;
  EXPECT_TRUE(inhibitor.hold("正在播放"));
  EXPECT_TRUE(inhibitor.hold("again"));  // what was taken first stays
  inhibitor.release();
  inhibitor.release();
  QThread::msleep(200);  // UnInhibit expects no answer
  service_thread.quit();
  service_thread.wait();
  EXPECT_EQ(service.calls, QStringList({"Inhibit Morvane 正在播放", "UnInhibit 42"}));
}

TEST(ScreenSaver, WithoutTheServiceNothingHappens) {
  qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
  platform::ScreenSaverInhibitor inhibitor;
  EXPECT_FALSE(inhibitor.hold("x"));
  EXPECT_FALSE(inhibitor.holding());
  inhibitor.release();
}

}  // namespace

#include "screen_saver_test.moc"
