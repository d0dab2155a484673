#include "site/pages.h"

namespace site {

namespace {

std::string utf8(const QString& s) { return s.toStdString(); }

const char* kListStyle = R"(
body{margin:0;font:12px "WenQuanYi Micro Hei",sans-serif;background:#1a1e28;color:#e6e9ef}
a{color:#f3c77b;text-decoration:none} a:hover{text-decoration:underline}
#ll_left{padding:6px}
.tabs a,.cats a{display:inline-block;margin:0 4px 4px 0;padding:2px 7px;border:1px solid #3a4358;border-radius:10px;color:#cfd5e2}
.cats a.on{background:#e8a33d;color:#171b24;border-color:#e8a33d}
h3{margin:10px 0 4px;padding-bottom:3px;border-bottom:1px solid #323a4c;color:#e8a33d;font-size:13px}
.t{display:flex;gap:7px;padding:5px 0;border-bottom:1px dashed #2b3242}
.t img{width:44px;height:50px;border-radius:3px;background:#323a4c;flex:none}
.t .i{min-width:0} .t .n{display:block;font-size:13px;white-space:nowrap;overflow:hidden;text-overflow:ellipsis}
.t .m{display:block;color:#8d96aa;margin:2px 0}
.t .p{margin-right:8px;font-size:11px}
.foot{margin-top:10px;color:#6d7588}
)";

QString cover_path(const Title& t) { return QStringLiteral("/kolbet/upfilex/%1.svg").arg(t.key); }

QString title_row(const Title& t) {
  const QString k = QString::number(t.key);
  return QStringLiteral(
             "<div class='t'><a href='/?act=tarvex|%1'><img src='%2' alt=''></a><div class='i'>"
             "<a class='n' href='/?act=tarvex|%1' title='%3'>%4</a><span class='m'>%5 · %6 · %7</span>"
             "<a class='p' href='/?act=tarvexz|%1|0'>▶ 播放</a><a class='p' href='/?act=tarvexz|%1|1'>最新一集</a>"
             "</div></div>\n")
      .arg(k, cover_path(t), html_escape(t.name), html_escape(t.display_name()), html_escape(category_name(t.category)),
           html_escape(t.status), html_escape(t.year.isEmpty() ? QStringLiteral("年份不详") : t.year));
}

}  // namespace

QString html_escape(const QString& text) { return text.toHtmlEscaped().replace('\'', "&#39;"); }

std::string list_page(const std::vector<Title>& titles, int filter) {
  QString html = QStringLiteral("<!doctype html><html><head><meta charset='utf-8'><title>Morvane 片库</title><style>") +
                 kListStyle + "</style></head><body><div id='ll_left'>\n";
  html +=
      "<div class='tabs'><a href='/?act=tarvexd|0'>片库</a><a href='/?act=tarvexd|1'>历史记录</a>"
      "<a href='/?act=tarvexd|2'>资源市场</a></div>\n<div class='cats'>";
  html += QStringLiteral("<a class='%1' href='/kolbet/l_indexss.php?bsn=1'>全部</a>").arg(filter ? "" : "on");
  std::vector<int> order;
  for (const Title& t : titles)
    if (std::find(order.begin(), order.end(), t.category) == order.end()) order.push_back(t.category);
  std::sort(order.begin(), order.end());
  for (int c : order)
    html += QStringLiteral("<a class='%1' href='/kolbet/l_indexss.php?bsn=1&cat=%2'>%3</a>")
                .arg(filter == c ? "on" : "")
                .arg(c)
                .arg(category_name(c));
  html += "</div>\n";
  for (int c : order) {
    if (filter && filter != c) continue;
    html += "<h3>" + category_name(c) + "</h3>\n";
    for (const Title& t : titles)
      if (t.category == c) html += title_row(t);
  }
  html += "<p class='foot'>共 " + QString::number(titles.size()) +
          " 部 · <a href='/listing.asp'>常见问题</a> · <a href='/guest.asp'>反馈留言</a></p></div></body></html>\n";
  return utf8(html);
}

std::string single_title_page(const Title& t) {
  const QString html =
      QStringLiteral("<!doctype html><html><head><meta charset='utf-8'><title>Morvane 片库</title><style>") +
      kListStyle + "a.n{display:block;height:2000px;font-size:20px}</style></head><body><div id='ll_left'>" +
      "<a class='n' href='/?act=tarvex|" + QString::number(t.key) + "'>" + t.display_name() +
      "</a></div></body></html>\n";
  return utf8(html);
}

std::string busy_page() {
  return simple_page(QStringLiteral("服务器繁忙"), QStringLiteral("<p>服务器繁忙，请稍后再试。</p>"));
}

std::string market_page(const std::vector<std::string>& addresses, const std::vector<std::string>& names) {
  QString html = QStringLiteral("<!doctype html><html><head><meta charset='utf-8'><title>资源市场</title><style>") +
                 kListStyle + "</style></head><body><div style='padding:6px'><h3>资源市场 · 精选短片</h3>\n";
  for (size_t i = 0; i < addresses.size(); ++i) {
    const QString a = QString::fromStdString(addresses[i]), n = html_escape(QString::fromStdString(names[i]));
    html += QStringLiteral(
                "<div class='t'><div class='i'><span class='n'>%1</span>"
                "<a class='p' href='AAA/%2'>▶ 立即播放</a><a class='p' href='BBB/%2'>＋ 加入播放记录</a>"
                "</div></div>\n")
                .arg(n, html_escape(a));
  }
  return utf8(html + "</div></body></html>\n");
}

std::string simple_page(const QString& title, const QString& body_html) {
  return utf8(QStringLiteral("<!doctype html><html><head><meta charset='utf-8'><title>%1</title></head>"
                             "<body style='font-family:sans-serif;margin:24px'><h2>%1</h2>%2"
                             "<p><a href='/'>Morvane 官方主页</a></p></body></html>\n")
                  .arg(html_escape(title), body_html));
}

std::string detail_text(const Title& t, const QString& cover, const std::vector<std::string>& addresses) {
  const QStringList lines = {t.name, cover, t.actors, QString::number(t.category), t.region, t.status, t.year, t.added};
  std::string text =
      utf8(lines.join("\r\n")) + "\r\n<!--c_start-->" + utf8(t.description) + "<!--c_end-->\r\n<!--jj_start-->";
  for (size_t i = 0; i < addresses.size(); ++i) {
    std::string a = addresses[i];
    std::replace(a.begin(), a.end(), '|', '$');
    text += (i ? "::" : "") + a;
  }
  return text;
}

std::string cover_svg(const Title& t) {
  const int hue = (t.key * 47) % 360;
  return utf8(
      QStringLiteral(
          "<svg xmlns='http://www.w3.org/2000/svg' width='137' height='154' viewBox='0 0 137 154'>"
          "<defs><linearGradient id='g' x1='0' y1='0' x2='0' y2='1'><stop offset='0' stop-color='hsl(%1,55%,45%)'/>"
          "<stop offset='1' stop-color='hsl(%2,60%,18%)'/></linearGradient></defs>"
          "<rect width='137' height='154' rx='6' fill='url(#g)'/>"
          "<text x='68' y='70' font-size='%3' fill='#fff' text-anchor='middle' font-family='WenQuanYi Micro "
          "Hei'>%4</text>"
          "<text x='68' y='132' font-size='12' fill='#f3c77b' text-anchor='middle' font-family='WenQuanYi Micro "
          "Hei'>%5</text>"
          "</svg>")
          .arg(hue)
          .arg((hue + 30) % 360)
          .arg(t.display_name().size() > 5 ? 14 : 20)
          .arg(html_escape(t.display_name().left(8)), html_escape(category_name(t.category))));
}

std::string playdata_page(const Title& t) {
  return utf8(QStringLiteral("<!doctype html><html><head><meta charset='utf-8'><title>%1 - pd77 影视</title>"
                             "<script type='text/javascript' src='/playdata/%2/%3.js'></script></head>"
                             "<body><h1>%1</h1><p>%4</p></body></html>\n")
                  .arg(html_escape(t.display_name()))
                  .arg(t.key / 100)
                  .arg(t.key)
                  .arg(html_escape(t.status)));
}

std::string playdata_script(const std::vector<std::string>& addresses, const QStringList& names) {
  QStringList entries;
  for (size_t i = 0; i < addresses.size(); ++i)
    entries << "'" + names.value(int(i)) + "$" + QString::fromStdString(addresses[i]) + "$qvod'";
  return utf8("var VideoListJson=[['qvod',[" + entries.join(',') + "]]],urlinfo='pd77';\n");
}

}  // namespace site
