#include "config/site.h"

#include <QDesktopServices>
#include <QUrl>

namespace config {

QString site_base() {
  QString base = qEnvironmentVariable("MORVANE_SITE");
  if (base.isEmpty()) base = QStringLiteral(MORVANE_SITE_DEFAULT);
  while (base.endsWith('/')) base.chop(1);
  return base;
}

namespace {
void open_page(const QString& address) { QDesktopServices::openUrl(QUrl(address)); }
}  // namespace

void cjwt() { open_page(site_base() + QStringLiteral("/listing.asp")); }
void fk() { open_page(site_base() + QStringLiteral("/guest.asp")); }
void gfz() { open_page(site_base()); }

}  // namespace config
