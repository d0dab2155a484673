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

namespace {
int16_t sample(const QByteArray& samples, qsizetype i) {
  return static_cast<int16_t>(static_cast<uint8_t>(samples[2 * i]) | (static_cast<uint8_t>(samples[2 * i + 1]) << 8));
}
}  // namespace

double rms_level(const QByteArray& samples) {
  const qsizetype n = samples.size() / 2;
  if (n == 0) return 0;
  double sum = 0;
  for (qsizetype i = 0; i < n; ++i) sum += double(sample(samples, i)) * sample(samples, i);
  return std::sqrt(sum / double(n)) / 32768.0;
}

double tone_frequency(const QByteArray& samples) {
  const qsizetype frames = samples.size() / 4;
  if (frames < 2) return 0;
  int crossings = 0;
  for (qsizetype i = 1; i < frames; ++i)
    crossings += (sample(samples, 2 * (i - 1)) < 0) != (sample(samples, 2 * i) < 0);
  return crossings / 2.0 / (frames / 44100.0);
}
