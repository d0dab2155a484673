#include "support/desktops.h"

#include <QCoreApplication>
#include <QFile>
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

}  // namespace

Desktop::Desktop(Kind kind, const QString& screen) : kind_(kind), x_(screen) {
  if (!x_.running()) return;
  if (kind == X11) {
    running_ = true;
    return;
  }
  QFile::setPermissions(runtime_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  socket_ = QStringLiteral("morvane-test-%1").arg(QCoreApplication::applicationPid());
  end_with_parent(weston_);
  QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
  e.insert("DISPLAY", x_.display());
  e.insert("XDG_RUNTIME_DIR", runtime_.path());
  e.remove("WAYLAND_DISPLAY");
  weston_.setProcessEnvironment(e);
  weston_.setProcessChannelMode(QProcess::MergedChannels);
  weston_.setStandardOutputFile(runtime_.path() + "/weston.log");
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
  end_with_parent(daemon_);
  QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
  e.insert("XDG_RUNTIME_DIR", dir_.path());
  e.insert("HOME", dir_.path());
  e.remove("PULSE_SERVER");
  daemon_.setProcessEnvironment(e);
  daemon_.setProcessChannelMode(QProcess::MergedChannels);
  daemon_.setStandardOutputFile(dir_.path() + "/pulse.log");
  // Nothing of the machine's own configuration: one protocol socket and one null sink.
  daemon_.start("pulseaudio", {"--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "-n", "--disable-shm=yes",
                               "--load=module-native-protocol-unix socket=" + socket_ + " auth-anonymous=1",
                               "--load=module-null-sink sink_name=morvane_test rate=44100 channels=2",
                               "--load=module-always-sink"});
  running_ = daemon_.waitForStarted(5000) && wait_for_file(socket_, 10000);
}

SoundServer::~SoundServer() { end(daemon_); }
