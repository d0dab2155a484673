#include "support/desktops.h"

#include <QCoreApplication>
#include <QFile>
#include <QPair>
#include <QThread>
#include <csignal>

#include "support/child.h"

namespace {

bool wait_for_file(const QString& path, int ms) {
  for (int waited = 0; waited < ms; waited += 50) {
    if (QFile::exists(path)) return true;
    QThread::msleep(50);
  }
  return false;
}

void end(QProcess& p) {
  if (p.state() == QProcess::NotRunning) return;
  p.terminate();
  if (!p.waitForFinished(3000)) p.kill();
  p.waitForFinished();
}

// A daemon of the test's own: it ends with the test, its environment changed as given (an empty
// value removes the entry), its output kept in log.
void prepare_daemon(QProcess& p, const QList<QPair<QString, QString>>& env, const QString& log) {
  end_with_parent(p);
  QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
  for (const auto& [name, value] : env) value.isEmpty() ? e.remove(name) : e.insert(name, value);
  p.setProcessEnvironment(e);
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.setStandardOutputFile(log);
}

}  // namespace

Desktop::Desktop(Kind kind, const QString& screen) : kind_(kind), x_(screen) {
  if (!x_.running()) return;
  if (kind == X11) {
    running_ = true;
    return;
  }
  QFile::setPermissions(runtime_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  socket_ = QStringLiteral("morvane-test-%1").arg(QCoreApplication::applicationPid());
  prepare_daemon(weston_, {{"DISPLAY", x_.display()}, {"XDG_RUNTIME_DIR", runtime_.path()}, {"WAYLAND_DISPLAY", {}}},
                 runtime_.path() + "/weston.log");
  const QStringList size = screen.section('x', 0, 1).split('x');
  weston_.start("weston", {"--backend=x11-backend.so", "--socket=" + socket_, "--idle-time=0",
                           "--width=" + size.value(0), "--height=" + size.value(1)});
  running_ = weston_.waitForStarted(5000) && wait_for_file(runtime_.path() + '/' + socket_, 10000);
  QThread::msleep(300);  // its shell is up
}

Desktop::~Desktop() { end(weston_); }

QStringList Desktop::env() const {
  if (kind_ == X11) return x_.env();
  return {"WAYLAND_DISPLAY=" + socket_, "XDG_RUNTIME_DIR=" + runtime_.path(), "QT_QPA_PLATFORM=wayland", "DISPLAY="};
}

SoundServer::SoundServer() {
  socket_ = dir_.path() + "/native";
  prepare_daemon(daemon_, {{"XDG_RUNTIME_DIR", dir_.path()}, {"HOME", dir_.path()}, {"PULSE_SERVER", {}}},
                 dir_.path() + "/pulse.log");
  // Nothing of the machine's own configuration: one protocol socket and one null sink.
  daemon_.start("pulseaudio",
                {"--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "-n", "--disable-shm=yes",
                 "--load=module-native-protocol-unix socket=" + socket_ + " auth-anonymous=1",
                 "--load=module-null-sink sink_name=morvane_test rate=44100 channels=2", "--load=module-always-sink"});
  running_ = daemon_.waitForStarted(5000) && wait_for_file(socket_, 10000);
}

SoundServer::~SoundServer() { end(daemon_); }
