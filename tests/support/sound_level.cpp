#include "support/sound_level.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryFile>
#include <cmath>

QByteArray record_sink(int ms) {
  QTemporaryFile out;
  if (!out.open()) return {};
  QProcess parec;
  parec.setStandardOutputFile(out.fileName());  // a file, not a pipe that could fill and stall it
  parec.start("timeout", {QString::number(ms / 1000.0, 'f', 2), "parec", "--device=morvane_test.monitor", "--raw",
                          "--format=s16le", "--rate=44100", "--channels=2", "--latency-msec=20"});
  parec.waitForFinished(ms + 10000);
  return out.readAll();
}

double rms_level(const QByteArray& samples) {
  const qsizetype n = samples.size() / 2;
  if (n == 0) return 0;
  double sum = 0;
  for (qsizetype i = 0; i < n; ++i) {
    const auto v =
        static_cast<int16_t>(static_cast<uint8_t>(samples[2 * i]) | (static_cast<uint8_t>(samples[2 * i + 1]) << 8));
    sum += double(v) * v;
  }
  return std::sqrt(sum / double(n)) / 32768.0;
}
