#include "config/site.h"

#include <QUrl>

namespace config {

QString site_base() {
  QString base = qEnvironmentVariable("MORVANE_SITE");
  if (base.isEmpty()) base = QStringLiteral(MORVANE_SITE_DEFAULT);
  while (base.endsWith('/')) base.chop(1);
  return base;
}

namespace {
int port_of(const QUrl& u) { return u.port(u.scheme() == QLatin1String("https") ? 443 : 80); }
}  // namespace

bool on_site(const QUrl& address) {
  const QUrl base(site_base());
  return address.isValid() && !address.host().isEmpty() &&
         address.scheme().compare(base.scheme(), Qt::CaseInsensitive) == 0 &&
         address.host().compare(base.host(), Qt::CaseInsensitive) == 0 && port_of(address) == port_of(base);
}

QString origin_as_written(const QUrl& address) {
  return address.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo)
      .toString();
}

}  // namespace config
