// The terminal's download of one large item over loopback against curl from the same site, in the
// same run: time to all bytes on disk (against curl), time to finished and verified (against curl
// followed by sha1sum), and the CPU each spends. Prints medians and ratios.
//   terminal_rate [megabytes=250] [rounds=5]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "engine/terminal_questions.h"
#include "median.h"
#include "support/program_folder.h"
#include "support/site_process.h"
#include "support/terminal_process.h"
#include "support/wait.h"

namespace {

struct Figures {
  double seconds = 0;  // wall
  double cpu = 0;      // user + system seconds
};

double seconds_of(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }

// A command to its end: wall time and the CPU it used.
Figures run(const std::vector<std::string>& argv) {
  QElapsedTimer clock;
  clock.start();
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    dup2(null, 1);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  return {clock.nsecsElapsed() / 1e9, seconds_of(usage.ru_utime) + seconds_of(usage.ru_stime)};
}

double cpu_of(qint64 pid) {  // user + system seconds of a running process
  QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly)) return 0;
  const QStringList f = QString::fromLatin1(stat.readAll()).section(')', 1).split(' ', Qt::SkipEmptyParts);
  return (f.value(11).toDouble() + f.value(12).toDouble()) / sysconf(_SC_CLK_TCK);
}

}  // namespace

int main(int argc, char** argv) {
  use_test_environment();
  QCoreApplication app(argc, argv);
  const qint64 size = (argc > 1 ? std::atoll(argv[1]) : 250) * 1000 * 1000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  SiteProcess site;
  const QString address = QString::fromStdString(site.control("size=" + std::to_string(size), "/_control/big"));
  const QString hash = address.section('|', 1, 1);
  const std::string url = site.base().toStdString() + "/qvod/" + hash.toStdString() + "/big.mp4";
  // On the build's disk, as a user's download folder would be (not a memory file system).
  const QString work = QStringLiteral(MORVANE_TEST_HOME "/terminal-rate");

  std::vector<double> curl_disk, curl_verified, curl_cpu, sum_cpu, term_disk, term_verified, term_cpu;
  for (int round = 0; round < rounds; ++round) {
    QDir(work).removeRecursively();
    QDir().mkpath(work + "/curl");
    const std::string file = (work + "/curl/big.mp4").toStdString();
    const Figures fetch = run({"curl", "-s", "-o", file, url});
    const Figures sum = run({"sha1sum", file});
    curl_disk.push_back(fetch.seconds);
    curl_verified.push_back(fetch.seconds + sum.seconds);
    curl_cpu.push_back(fetch.cpu);
    sum_cpu.push_back(fetch.cpu + sum.cpu);
    QFile::remove(QString::fromStdString(file));

    TerminalProcess terminal(work);
    terminal.configure(work + "/media", site.base() + "/qvod/{hash}/{name}");
    if (!terminal.launch()) return std::fprintf(stderr, "the terminal did not start\n"), 1;
    engine::TerminalQuestions client;
    const double cpu_before = cpu_of(terminal.process.processId());
    QElapsedTimer clock;
    clock.start();
    client.start(address);
    // Watched through the file system only (asking the terminal would cost it CPU): all bytes are
    // on disk when the partial file is whole; verified when it has its final name.
    const QString partial = work + "/media/big.mp4.!mv", final_name = work + "/media/big.mp4";
    double on_disk = 0;
    while (clock.elapsed() < 300000 && QFileInfo(final_name).size() != size) {
      if (on_disk == 0 && QFileInfo(partial).size() == size) on_disk = clock.nsecsElapsed() / 1e9;
      usleep(1000);
    }
    const double verified = clock.nsecsElapsed() / 1e9;
    const QString state = client.status(hash).value("state").toString();
    term_cpu.push_back(cpu_of(terminal.process.processId()) - cpu_before);
    if (state != "done") return std::fprintf(stderr, "the terminal's download ended %s\n", qPrintable(state)), 1;
    term_disk.push_back(on_disk > 0 ? on_disk : verified);
    term_verified.push_back(verified);
    terminal.halt();
    std::fprintf(stderr, "round %d: curl %.2f s (+sha1sum %.2f s), terminal on disk %.2f s, verified %.2f s\n",
                 round + 1, fetch.seconds, sum.seconds, term_disk.back(), verified);
  }
  QDir(work).removeRecursively();
  const double mb = size / 1e6;
  std::printf("%-44s %10s %12s %7s\n", "figure", "value", "reference", "ratio");
  std::printf("%-44s %8.0f MB/s %8.0f MB/s %7.2f\n", "terminal rate, bytes on disk (ref: curl)", mb / median(term_disk),
              mb / median(curl_disk), median(curl_disk) / median(term_disk));
  std::printf("%-44s %8.0f MB/s %8.0f MB/s %7.2f\n", "terminal rate, verified (ref: curl+sha1sum)",
              mb / median(term_verified), mb / median(curl_verified), median(curl_verified) / median(term_verified));
  std::printf("%-44s %10.2f s %10.2f s %7.2f\n", "terminal CPU (ref: curl)", median(term_cpu), median(curl_cpu),
              median(term_cpu) / median(curl_cpu));
  std::printf("%-44s %10.2f s %10.2f s %7.2f\n", "terminal CPU (ref: curl+sha1sum)", median(term_cpu), median(sum_cpu),
              median(term_cpu) / median(sum_cpu));
  return 0;
}
