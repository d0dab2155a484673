#pragma once
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "site/catalogue.h"

namespace site {

// Everything the site answers with, as UTF-8 text. base is the site's own base address.
std::string list_page(const std::vector<Title>& titles, int category_filter);
// The list page with one title only, its link filling the page (a test clicks anywhere on it).
std::string single_title_page(const Title& t);
std::string busy_page();
std::string market_page(const std::vector<std::string>& addresses, const std::vector<std::string>& names);
std::string simple_page(const QString& title, const QString& body_html);

// The detail text: eight CR LF lines, the description block and the episode block ("::" between
// QVOD addresses written with "$" for "|").
std::string detail_text(const Title& t, const QString& cover, const std::vector<std::string>& addresses);

std::string cover_svg(const Title& t);

// The outside play-data site: a title page naming its script, and the script with the addresses.
std::string playdata_page(const Title& t);
std::string playdata_script(const std::vector<std::string>& addresses, const QStringList& names);

QString html_escape(const QString& text);

}  // namespace site
