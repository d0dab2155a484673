#include "catalog/commands.h"

#include <QRegularExpression>
#include <QStringList>

#include "platform/log.h"
#include "player/addresses.h"
#include "store/text_utils.h"

namespace catalog {

namespace {

void ignored(const QString& why, const QString& address) {
  platform::log_failure(QStringLiteral("pane command"), why + QStringLiteral(": ") + address);
}

// "acm=" + detailID + "|" + code; the text after the first "acm=", up to a second one.
void decode_acm(const QString& address, Decision& d) {
  d.cancel = true;
  QString text = address.mid(address.indexOf(QLatin1String("acm=")) + 4);
  if (const int again = text.indexOf(QLatin1String("acm=")); again >= 0) text.truncate(again);
  const QStringList piece = text.split('|');
  if (piece.size() < 2) return ignored(QStringLiteral("no code"), address);
  const QString code = piece[1].section('/', 0, 0);  // a trailing "/" of the address is no part of it
  if (code == QLatin1String("4") || code == QLatin1String("5")) {
    d.commands.push_back({Command::PlayLoaded, 0, code == QLatin1String("5") ? 1 : 0, {}});
    return;
  }
  const auto id = store::parse_id(piece[0]);
  if (!id) return ignored(QStringLiteral("not an id"), address);
  if (code == QLatin1String("0") || code == QLatin1String("1"))
    d.commands.push_back({Command::ShowEpisodes, *id, code.toInt(), {}});
  else if (code == QLatin1String("3")) d.commands.push_back({Command::RefreshDetail, *id, 1, {}});
}

QString after_prefix(const QString& address, const QString& prefix) {
  QString rest = address;
  rest.replace(prefix, QString());
  return rest;
}

}  // namespace

QString decoded_bars(const QString& address) {
  return QString(address).replace(QLatin1String("%7C"), QLatin1String("|"));
}

namespace {
// In an episode link "address|@detailID", the browser reads "@" as the end of the user part and
// the detailID as the host, which it writes as an IPv4 address ("12" becomes "0.0.0.12"): the
// number is read back from it.
QString with_plain_detail_id(const QString& link) {
  static const QRegularExpression quad(QStringLiteral("\\|@(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})(/?)$"));
  const auto m = quad.match(link);
  if (!m.hasMatch()) return link;
  quint64 id = 0;
  for (int i = 1; i <= 4; ++i) id = id * 256 + m.captured(i).toUInt();
  return link.left(m.capturedStart()) + QStringLiteral("|@") + QString::number(id) + m.captured(5);
}
}  // namespace

Decision decode_detail_pane(const QString& raw) {
  const QString address = decoded_bars(raw);
  Decision d;
  if (address.contains(QLatin1String("acm="))) decode_acm(address, d);
  else if (address.contains(QLatin1String("qvod://"))) {
    d.cancel = true;
    d.commands.push_back({Command::PlayEpisodeLink, 0, 0, with_plain_detail_id(address)});
  }
  return d;
}

namespace {
// The catalogue page's commands that open a title and play one.
const QLatin1String kOpenTitle("tarvex|"), kPlayTitle("tarvexz|");
}  // namespace

bool opens_or_plays_a_title(const QString& raw) {
  const QString address = decoded_bars(raw);
  return address.contains(kOpenTitle) || address.contains(kPlayTitle);
}

Decision decode_catalogue_pane(const QString& raw, const QString& site_base) {
  const QString address = decoded_bars(raw);
  Decision d;
  if (address.contains(kOpenTitle)) {
    d.cancel = true;
    const auto key = store::parse_id(after_prefix(address, site_base + QStringLiteral("/?act=") + kOpenTitle));
    if (key) d.commands.push_back({Command::OpenTitle, *key, 0, {}});
    else ignored(QStringLiteral("not an id"), address);
  }
  if (address.contains(kPlayTitle)) {
    d.cancel = true;
    const QStringList piece = after_prefix(address, site_base + QStringLiteral("/?act=") + kPlayTitle).split('|');
    const auto key = store::parse_id(piece[0]);
    const QString mode = piece.value(1);
    if (key && (mode == QLatin1String("0") || mode == QLatin1String("1")))
      d.commands.push_back({Command::PlayTitle, *key, mode.toInt(), {}});
    else ignored(QStringLiteral("malformed tarvexz"), address);
  }
  if (address.contains(QLatin1String("tarvexd|"))) {
    d.cancel = true;
    const auto n = store::parse_id(after_prefix(address, site_base + QStringLiteral("/?act=tarvexd|")));
    if (n) d.commands.push_back({Command::ListTab, *n, 0, {}});
    else ignored(QStringLiteral("not a tab number"), address);
  }
  return d;
}

// The rest of a second-page link is the page's own address with a play address behind it; a QVOD
// address is kept from its scheme on, so the history shows its file name, not the site's address.
QString free_address(const QString& address, const QString& marker) {
  return player::qvod_normalize(QString(address).remove(marker));
}

Decision decode_second_pane(const QString& raw) {
  const QString address = decoded_bars(raw);
  Decision d;
  if (address.contains(QLatin1String("AAA/"))) {
    d.cancel = true;
    d.commands.push_back({Command::RecordAndPlay, 0, 0, free_address(address, QStringLiteral("AAA/"))});
  }
  if (address.contains(QLatin1String("BBB/"))) {
    d.cancel = true;
    d.commands.push_back({Command::Record, 0, 0, free_address(address, QStringLiteral("BBB/"))});
  }
  return d;
}

}  // namespace catalog
