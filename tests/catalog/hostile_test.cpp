// Hostile pages on the site and hostile markup from it: no command fires without the user's click,
// no content of another origin loads, no script runs in the template.
#include <gtest/gtest.h>
#include <QAction>
#include <QDir>
#include <QTemporaryDir>

#include "catalog/client_window.h"
#include "catalog/merge.h"
#include "platform/log.h"

namespace {

struct HostilePage {
  const char* name;
  const char* body;  // {cmd}: a command of the catalogue pane; {other}: the site under another origin
  bool user_clicks;  // the user clicks plain text of the page: what an outside frame or script does then still counts
                     // for nothing
};

// Each page tries to fire a command on its own; "ll_left" marks them as catalogue pages.
const HostilePage kPages[] = {
    {"script-location", "<script>location.href='{cmd}'</script>", false},
    {"script-assign-later", "<script>setTimeout(function(){location.assign('{cmd}')},100)</script>", false},
    {"script-replace", "<script>location.replace('{cmd}')</script>", false},
    {"script-top", "<script>top.location='{cmd}'</script>", false},
    {"script-click", "<a id=a href='{cmd}'>x</a><script>document.getElementById('a').click()</script>", false},
    {"script-dispatch",
     "<a id=a href='{cmd}'>x</a><script>setTimeout(function(){document.getElementById('a')"
     ".dispatchEvent(new MouseEvent('click',{bubbles:true}))},100)</script>",
     false},
    {"script-interval", "<script>setInterval(function(){location.href='{cmd}'},150)</script>", false},
    {"script-onload", "<body onload=\"location.href='{cmd}'\">", false},
    {"script-window-open", "<script>window.open('{cmd}')</script>", false},
    {"script-document-write", "<script>document.write(\"<meta http-equiv='refresh' content='0;url={cmd}'>\")</script>",
     false},
    {"meta-refresh", "<meta http-equiv='refresh' content='0;url={cmd}'>", false},
    {"meta-refresh-later", "<meta http-equiv='refresh' content='1;url={cmd}'>", false},
    {"form-get", "<form id=f action='{cmd}'></form><script>document.getElementById('f').submit()</script>", false},
    {"form-post", "<form id=f method=post action='{cmd}'></form><script>document.getElementById('f').submit()</script>",
     false},
    {"form-request-submit",
     "<form id=f action='{cmd}'><input type=submit></form>"
     "<script>document.getElementById('f').requestSubmit()</script>",
     false},
    {"base-and-click", "<base href='{cmd}'><a id=a href=''>x</a><script>document.getElementById('a').click()</script>",
     false},
    {"frame-other-origin", "<iframe src='{other}/_pages/frame-top.html'></iframe>", true},
    {"frame-other-origin-link", "<iframe src='{other}/_pages/frame-link.html'></iframe>", true},
    {"frame-other-origin-form", "<iframe src='{other}/_pages/frame-form.html'></iframe>", true},
    {"frame-same-origin", "<iframe src='/_pages/frame-top.html'></iframe>", true},
    {"frame-same-origin-parent-click",
     "<a id=a href='{cmd}'>x</a><iframe src='/_pages/frame-parent-click.html'></iframe>", true},
    {"frame-srcdoc", "<iframe srcdoc=\"<script>setInterval(function(){top.location='{cmd}'},150)</script>\"></iframe>",
     true},
    {"frame-data", "<iframe src=\"data:text/html,<script>top.location='{cmd}'</script>\"></iframe>", true},
    {"frame-command-itself", "<iframe src='{cmd}'></iframe>", true},
    {"frame-scripted",
     "<script>var f=document.createElement('iframe');f.src='{other}/_pages/frame-top.html';"
     "document.body.appendChild(f)</script>",
     true},
    {"script-other-origin", "<script src='{other}/_pages/evil.js'></script>", true},
    {"script-other-origin-injected",
     "<script>var s=document.createElement('script');s.src='{other}/_pages/evil.js';"
     "document.head.appendChild(s)</script>",
     true},
    {"worker-other-origin", "<script>try{new Worker('{other}/_pages/evil.js')}catch(e){}</script>", true},
    {"object-other-origin", "<object data='{other}/_pages/frame-top.html'></object>", true},
    {"embed-other-origin", "<embed src='{other}/_pages/frame-top.html'>", true},
};

const char* kOutsidePages[][2] = {
    {"frame-top.html", "<script>setInterval(function(){try{top.location='{cmd}'}catch(e){}},150)</script>"},
    {"frame-link.html",
     "<a id=a target=_top href='{cmd}'>x</a><script>setInterval(function(){"
     "document.getElementById('a').click()},150)</script>"},
    {"frame-form.html",
     "<form id=f target=_top action='{cmd}'></form><script>setInterval(function(){"
     "document.getElementById('f').submit()},150)</script>"},
    {"frame-parent-click.html",
     "<script>setInterval(function(){try{parent.document.getElementById('a').click()}"
     "catch(e){}},150)</script>"},
    {"evil.js", "window.evil_ran=1;setInterval(function(){location.href='{cmd}'},150);"},
};

QString command(int key) { return QStringLiteral("http://127.0.0.1:{port}/?act=tarvex|%1").arg(key); }

QString pages_folder() {
  static QTemporaryDir dir;
  static bool written = [] {
    int key = 2001;
    for (const HostilePage& p : kPages) {
      QString body =
          QString::fromUtf8(p.body).replace("{cmd}", command(key++)).replace("{other}", "http://localhost:{port}");
      write_all(dir.path() + "/" + p.name + ".html",
                ("<!doctype html><html><head><meta charset=utf-8></head><body><div class=ll_left>" + body +
                 "<p id=plain>普通文字 plain text</p></div></body></html>")
                    .toUtf8());
    }
    for (const auto& [name, body] : kOutsidePages)
      write_all(dir.path() + "/" + name, QString::fromUtf8(body).replace("{cmd}", command(2999)).toUtf8());
    return true;
  }();
  return written ? dir.path() : QString();
}

class HostileSite : public ClientWindow {
 protected:
  HostileSite() : ClientWindow({"--pages", pages_folder()}) {}
  void start() {
    ClientWindow::start();
    QObject::connect(window.get(), &shell::MainWindow::pane_command, [this](int pane, const QString& address) {
      fired << QStringLiteral("%1 %2").arg(pane).arg(address);
    });
  }
  // Shows every hostile page of one kind in the catalogue pane; clicking: the user clicks plain text.
  void visit(bool clicking);
  QStringList fired;
};

void HostileSite::visit(bool clicking) {
  QWebEngineView* pane = window->browser(3);
  for (const HostilePage& p : kPages) {
    if (p.user_clicks != clicking) continue;
    bool loaded = false;
    auto connection = QObject::connect(pane, &QWebEngineView::loadFinished, [&](bool) { loaded = true; });
    pane->load(QUrl(site.base() + "/_pages/" + p.name + ".html"));
    ASSERT_TRUE(wait_until([&] { return loaded; }, 10000)) << p.name;
    QObject::disconnect(connection);
    if (clicking) {
      settle(300);
      click_element(pane, "document.getElementById('plain')");
    }
    settle(1200);
    EXPECT_TRUE(fired.isEmpty()) << p.name << ": " << fired.join(", ").toStdString();
    EXPECT_NE(evaluate(pane->page(), "String(window.evil_ran)").toString(), "1") << p.name;
    fired.clear();
  }
  EXPECT_TRUE(column("select * from det", "keyID").isEmpty());
  // The site's own link still works when the user clicks it.
  pane->load(QUrl(site.base() + "/kolbet/l_indexss.php?bsn=1"));
  ASSERT_TRUE(wait_until([&] {
    return evaluate(pane->page(), "document.querySelectorAll(\"a.n[href*='tarvex|1003']\").length").toInt() > 0;
  }));
  ASSERT_TRUE(click_element(pane, "document.querySelector(\"a.n[href*='tarvex|1003']\")"));
  EXPECT_TRUE(wait_until([&] { return fired.size() == 1; }, 5000));
}

// The site's own page tries by script, refresh and form: without the user's click nothing counts.
TEST_F(HostileSite, NoCommandFiresWithoutTheUsersClick) {
  start();
  visit(false);
}

// Frames (of any origin) and code of another origin never load, so that even while the user clicks
// in the page they cannot fire a command.
TEST_F(HostileSite, NoOtherOriginLoadsEvenWhileTheUserClicks) {
  start();
  visit(true);
  EXPECT_TRUE(folder.log_text().contains("blocked frame"));
  EXPECT_TRUE(folder.log_text().contains("blocked code of another origin"));
}

// Script and covering markup in every line of a detail page: none runs, nothing covers the pane,
// and no link of it is a command.
TEST_F(HostileSite, TheTemplateRunsNoScriptAndNothingCoversIt) {
  start();
  const QStringList payloads = {
      "<script>window.pwned=1</script>",
      "<img src=x onerror='window.pwned=1'>",
      "<svg onload='window.pwned=1'></svg>",
      "<a href='qvod://1|AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA|x.rmvb|' "
      "style='position:fixed;inset:0;z-index:99'>全屏</a>",
      "<div style='position:fixed;left:0;top:0;width:100%;height:100%'><a href='acm=1|4'>盖住</a></div>",
      "<a href='javascript:window.pwned=1'>点我</a>",
      "<a href=' java&#9;script:window.pwned=1'>点我</a>",
      "<a href='%61cm=1|4'>x</a>",
      "<iframe src='javascript:parent.pwned=1'></iframe>",
      "<object data='javascript:window.pwned=1'></object>",
      "<meta http-equiv='refresh' content='0;url=acm=1|4'>",
      "<form action='acm=1|4'><button>x</button></form>",
      "<style>body{display:none}</style>",
      "<base href='http://evil.invalid/'>",
      "<div id='yyx'>冒充</div><span class='on'>x</span>",
      "<details open ontoggle='window.pwned=1'>x</details>",
  };
  const QString joined = payloads.join("");
  QStringList lines = {"恶意" + joined, "http://s/c.jpg' onerror='window.pwned=1", joined, "12", joined, joined, joined,
                       "2009-3-7 9:5:2"};
  const QString page = lines.join("\r\n") + "\r\n<!--c_start-->" + joined +
                       "<!--c_end-->\r\n<!--jj_start-->qvod://1$AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA$a.rmvb$";
  ASSERT_TRUE(catalog::merge_title("4444", page, catalog::stored_episodes("4444", 0)));
  window->catalogue()->show_detail("4444", 0, 1);
  catalog::TemplatePane(detail()).sync();
  settle(800);
  EXPECT_EQ(evaluate(detail(), "String(window.pwned)").toString(), "undefined");
  EXPECT_TRUE(evaluate(detail(), "getComputedStyle(document.body).display != 'none'").toBool());
  EXPECT_EQ(evaluate(detail(), "document.querySelectorAll('#xx_1 [style]').length").toInt(), 0);
  EXPECT_EQ(evaluate(detail(), "document.querySelectorAll('#n_1 a[href]').length").toInt(), 0);
  EXPECT_EQ(evaluate(detail(), "document.querySelectorAll('#yyx').length").toInt(), 1);
  // Clicks here and there in the pane, outside the template's own links, fire nothing.
  for (const char* where : {"document.getElementById('bt')", "document.getElementById('n_1')",
                            "document.querySelector('#n_1 a')", "document.getElementById('zt')"})
    click_element(window->browser(1), where);
  settle(500);
  EXPECT_TRUE(fired.isEmpty()) << fired.join(", ").toStdString();
  // The template's own button still plays when clicked.
  ASSERT_TRUE(click_element(window->browser(1), "document.querySelector('#yyx a')"));
  EXPECT_TRUE(wait_until([&] { return fired.size() == 1; }, 5000));
}

}  // namespace
