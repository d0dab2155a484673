#include "platform/processes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <csignal>

#include "platform/trap.h"

namespace platform {

namespace {

QString strip_exe(QString name) {
  if (name.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive)) name.chop(4);
  return name;
}

QString image_of(const QString& proc_dir) {
  QString exe = QFile::symLinkTarget(proc_dir + QStringLiteral("/exe"));
  if (exe.endsWith(QStringLiteral(" (deleted)"))) exe.chop(10);
  if (!exe.isEmpty()) return QFileInfo(exe).fileName();
  QFile comm(proc_dir + QStringLiteral("/comm"));
  if (!comm.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(comm.readAll()).trimmed();
}

}  // namespace

bool image_name_matches(const QString& image, const QString& name) {
  const QString a = strip_exe(image.trimmed());
  return !a.isEmpty() && a.compare(strip_exe(name.trimmed()), Qt::CaseInsensitive) == 0;
}

std::vector<ProcessInfo> user_processes() {
  std::vector<ProcessInfo> result;
  const uid_t me = getuid();
  const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  for (const QString& entry : entries) {
    bool ok = false;
    const pid_t pid = entry.toInt(&ok);
    if (!ok) continue;
    struct stat st {};
    const QByteArray dir = QByteArrayLiteral("/proc/") + entry.toLatin1();
    if (stat(dir.constData(), &st) != 0 || st.st_uid != me) continue;
    const QString image = image_of(QString::fromLatin1(dir));
    if (!image.isEmpty()) result.push_back({pid, image});
  }
  std::sort(result.begin(), result.end(), [](auto& a, auto& b) { return a.pid < b.pid; });
  return result;
}

std::vector<pid_t> processes_holding(const QString& path) {
  struct stat target {};
  if (stat(path.toUtf8().constData(), &target) != 0) return {};
  std::vector<pid_t> holders;
  for (const ProcessInfo& p : user_processes()) {
    const QString fds = QStringLiteral("/proc/%1/fd").arg(p.pid);
    for (const QString& fd : QDir(fds).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
      struct stat st {};
      if (stat((fds + '/' + fd).toUtf8().constData(), &st) == 0 && st.st_dev == target.st_dev &&
          st.st_ino == target.st_ino) {
        holders.push_back(p.pid);
        break;
      }
    }
  }
  return holders;
}

QString own_image_name() { return image_of(QStringLiteral("/proc/self")); }

bool kill_process(pid_t pid) {
  if (pid == getpid()) end_now(0);
  return ::kill(pid, SIGKILL) == 0;
}

}  // namespace platform

namespace platform {

pid_t start_detached(const QString& program, const QStringList& args) {
  // Everything the child needs is made before fork: after it, only async-signal-safe calls.
  std::vector<QByteArray> texts{QFile::encodeName(program)};
  for (const QString& a : args) texts.push_back(a.toLocal8Bit());
  std::vector<char*> argv;
  for (QByteArray& t : texts) argv.push_back(t.data());
  argv.push_back(nullptr);
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return -1;
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(report[0]);
    ::close(report[1]);
    return -1;
  }
  if (child == 0) {
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild != 0) {
      [[maybe_unused]] ssize_t n = ::write(report[1], &grandchild, sizeof grandchild);
      ::_exit(0);
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    // All but the report, which closes at the exec itself (close-on-exec).
    const unsigned keep = static_cast<unsigned>(report[1]);
    if (keep > 3) ::syscall(SYS_close_range, 3u, keep - 1, 0u);
    ::syscall(SYS_close_range, keep + 1, ~0u, 0u);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(report[1]);
  pid_t started = -1;
  if (::read(report[0], &started, sizeof started) != sizeof started) started = -1;
  // The report ends once the program has replaced the child: from then on the process goes by the
  // program's name, for a caller that looks for what it started.
  char rest;
  for (ssize_t n; (n = ::read(report[0], &rest, 1)) != 0;)
    if (n < 0 && errno != EINTR) break;
  ::close(report[0]);
  ::waitpid(child, nullptr, 0);
  return started;
}

void end_own_process() { end_now(0); }

bool process_is(pid_t pid, const QString& image) {
  if (pid <= 0) return false;
  return image_name_matches(image_of(QStringLiteral("/proc/%1").arg(pid)), image);
}

void return_free_heap() {
#ifdef __GLIBC__
  malloc_trim(0);
#endif
}

}  // namespace platform
