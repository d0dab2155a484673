// A qvod address as a page, a script or the user gives it: the terminal's reading of it, the name
// the item's file gets in the download folder, and the player's views of the address.
#include "engine/terminal/media_folder.h"
#include "engine/terminal/qvod_item.h"
#include "fuzz_support.h"
#include "player/addresses.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto [first, second] = fuzz_split(data, size);
  const QString address = QString::fromUtf8(first);
  if (const auto item = terminal::parse_qvod(address)) {
    FUZZ_CHECK(item->size > 0 && item->hash.size() == 40 && item->hash == item->hash.toUpper());
    FUZZ_CHECK(!item->name.isEmpty() && !item->name.contains('/') && !item->name.contains('\\'));
    FUZZ_CHECK(!item->name.startsWith('.') && item->name != "..");
    // The file's name in the download folder, a second copy's and its partial's, fit the file system.
    const QString fitting = terminal::fitting_name(item->name);
    const QString copy = terminal::numbered_name(fitting, 99);
    for (const QString& name : {fitting, copy}) {
      FUZZ_CHECK(!name.isEmpty() && !name.contains('/') && !name.startsWith('.'));
      FUZZ_CHECK(QString(name + ".!mv").toUtf8().size() <= 255);
    }
  }
  const QString normal = player::qvod_normalize(address);
  if (normal.startsWith(QLatin1String("qvod://"))) FUZZ_CHECK(normal.count('|') == 3);
  player::hq_wjm(address);
  player::is_local_address(address);
  const int match = player::address_match(QString::fromUtf8(second), address);
  FUZZ_CHECK(match == 0 || match == 1);
  player::url_unescape(address);
  return 0;
}
