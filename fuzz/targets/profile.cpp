// A profile (INI) file as found on disk: read, changed by the program, written back, read again.
#include <QFile>
#include <QTemporaryDir>

#include "fuzz_support.h"
#include "platform/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("QvodCfg.ini"));
  QFile f(path);
  f.open(QIODevice::WriteOnly | QIODevice::Truncate);
  f.write(fuzz_bytes(data, size));
  f.close();
  QString out;
  const int n = platform::profile_read_string(QStringLiteral("QvodTerminal"), QStringLiteral("Media"),
                                              QStringLiteral("none"), out, 260, path);
  FUZZ_CHECK(n == out.size() && n <= 259);
  platform::ProfileFile profile(path);
  profile.load();
  profile.set_value(QStringLiteral("QvodTerminal"), QStringLiteral("Media"), QStringLiteral("/tmp/下载"));
  FUZZ_CHECK(profile.save());
  platform::ProfileFile again(path);
  again.load();
  const auto kept = again.value(QStringLiteral("qvodterminal"), QStringLiteral("MEDIA"));
  FUZZ_CHECK(kept && *kept == QStringLiteral("/tmp/下载"));
  return 0;
}
