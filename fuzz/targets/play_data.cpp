// A play-data page (before the first NUL) and the script it names (after): the script's name that
// goes into the next address, and the play address the script gives.
#include <QRegularExpression>

#include "fuzz_support.h"
#include "remote/play_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto [page, script] = fuzz_split(data, size);
  const QString name = remote::script_name(QString::fromUtf8(page));
  static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_/-]*$"));
  FUZZ_CHECK(plain.match(name).hasMatch() && !name.contains(QLatin1String("//")));
  const QDateTime at(QDate(2026, 12, 9), QTime(3, 4, 5));
  const QString address = remote::play_address(QString::fromUtf8(script), at);
  if (!address.isEmpty()) {
    FUZZ_CHECK(address.startsWith(QLatin1String("qvod://")) && address.count('|') == 3);
    FUZZ_CHECK(remote::is_playable_address(address));
  }
  remote::is_playable_address(QString::fromUtf8(script));
  return 0;
}
