#pragma once
#include <QString>

class QUrl;

namespace config {

// The site's base address, without a trailing "/": MORVANE_SITE when set, else the built-in one.
QString site_base();

// Whether an address lies on the site: the same scheme, host and port as the base address, as
// parsed addresses (a browser writes the host in small letters and drops a default port).
bool on_site(const QUrl& address);
// The site's base address as this address writes it (scheme://host[:port]), for cutting prefixes.
QString origin_as_written(const QUrl& address);

// The Help menu's site pages, opened in the user's browser.
void cjwt();  // "常见问题": /listing.asp
void fk();    // "反馈留言": /guest.asp
void gfz();   // "官方主页": the base address itself

}  // namespace config
