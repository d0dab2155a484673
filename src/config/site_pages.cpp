// The Help menu's site pages. Apart from the rest of the site's addresses: opening the user's
// browser takes Qt's GUI library, which the engine's terminal does without.
#include <QDesktopServices>
#include <QUrl>

#include "config/site.h"

namespace config {

namespace {
void open_page(const QString& address) { QDesktopServices::openUrl(QUrl(address)); }
}  // namespace

void cjwt() { open_page(site_base() + QStringLiteral("/listing.asp")); }
void fk() { open_page(site_base() + QStringLiteral("/guest.asp")); }
void gfz() { open_page(site_base()); }

}  // namespace config
