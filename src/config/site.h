#pragma once
#include <QString>

namespace config {

// The site's base address, without a trailing "/": MORVANE_SITE when set, else the built-in one.
QString site_base();

// The Help menu's site pages, opened in the user's browser.
void cjwt();  // "常见问题": /listing.asp
void fk();    // "反馈留言": /guest.asp
void gfz();   // "官方主页": the base address itself

}  // namespace config
