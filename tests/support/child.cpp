#include "support/child.h"

#include <sys/prctl.h>
#include <QFile>
#include <QProcessEnvironment>
#include <csignal>

ChildResult run_child(const QString& program, const QStringList& args, const QStringList& env, int timeout_ms) {
  QProcess p;
  QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
  for (const QString& kv : env) e.insert(kv.section('=', 0, 0), kv.section('=', 1));
  p.setProcessEnvironment(e);
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(program, args);
  ChildResult r;
  if (!p.waitForFinished(timeout_ms)) {
    p.kill();
    p.waitForFinished();
    return r;
  }
  r.exit_code = p.exitCode();
  r.crashed = p.exitStatus() == QProcess::CrashExit;
  r.out = QString::fromUtf8(p.readAll());
  return r;
}

QString copy_program(const QString& program, const QString& folder, const QString& new_name) {
  const QString target = folder + '/' + new_name;
  QFile::remove(target);
  QFile::copy(program, target);
  QFile::setPermissions(target, QFile::permissions(program) | QFileDevice::ExeOwner);
  return target;
}

void end_with_parent(QProcess& p) {
  p.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}
