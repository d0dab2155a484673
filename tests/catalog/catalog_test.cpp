// The catalogue against the site and a real database, shown in the real template pane.
#include <gtest/gtest.h>
#include <QAction>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <memory>

#include "catalog/client_window.h"
#include "shell/twips.h"
#include "store/builders.h"
#include "store/rowset.h"

using shell::MainWindow;

namespace {

using Catalogue = ClientWindow;

TEST_F(Catalogue, PaneComesIntoViewAndTheOtherPanesLoad) {
  start();
  EXPECT_NEAR(shell::twips_of(window->browser(3)).x(), -50, 15);
  EXPECT_TRUE(window->browser(2)->url().toString().endsWith("/mark_2.asp"));
  EXPECT_EQ(window->browser(1)->url().toString(), window->template_address());
}

TEST_F(Catalogue, TheListStaysInItsFrameThroughResizesFoldsAndMaximising) {
  start();
  auto expect_in_frame = [this](const char* after) {
    settle(100);
    QWidget* pane = window->browser(3);
    const QRect g = shell::twips_of(pane), frame = shell::twips_of(window->control("Picture11"));
    EXPECT_TRUE(pane->isVisible()) << after;
    EXPECT_NEAR(g.x(), -50, 15) << after;
    EXPECT_NEAR(g.y(), -50, 15) << after;
    EXPECT_NEAR(frame.width(), g.width() - 100, 31) << after;
    EXPECT_NEAR(frame.height(), g.height() - 100, 31) << after;
    EXPECT_NEAR(g.height(), shell::twips_of(window->control("Picture8", 0)).height(), 150) << after;
  };
  expect_in_frame("the list arrived");
  const QSize frame = window->size() - window->inner_area()->size();
  const auto& s = window->layout_state();
  for (int step : {1, 2, 3}) {
    window->resize(shell::to_px(s.design_width + 700 * step) + frame.width(),
                   shell::to_px(s.design_height + 500 * step) + frame.height());
    expect_in_frame("a resize");
  }
  window->fold_list();
  settle(100);
  window->fold_list();
  expect_in_frame("fold and unfold");
  window->showMaximized();
  expect_in_frame("maximised");
  window->showNormal();
  expect_in_frame("back to normal");
}

// Typing into a field of a page keeps its keys; elsewhere in the page they are the window's.
TEST_F(Catalogue, AFieldInAPaneKeepsItsKeys) {
  start();
  QStringList fired;
  QObject::connect(window->action("cz_1"), &QAction::triggered, [&fired] { fired << "cz_1"; });
  QWebEngineView* pane = window->browser(2);
  window->image1_click(2);
  pane->setHtml("<input id='q'><p>x</p>");
  ASSERT_TRUE(wait_until([&] { return evaluate(pane->page(), "document.getElementById('q') != null").toBool(); }));
  QWidget* proxy = pane->focusProxy();
  ASSERT_NE(proxy, nullptr);
  proxy->setFocus();
  evaluate(pane->page(), "document.getElementById('q').focus()");
  ASSERT_TRUE(wait_until([&] { return proxy->inputMethodQuery(Qt::ImEnabled).toBool(); }, 5000));
  QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
  QCoreApplication::sendEvent(proxy, &space);
  EXPECT_TRUE(fired.isEmpty());
  evaluate(pane->page(), "document.getElementById('q').blur()");
  ASSERT_TRUE(wait_until([&] { return !proxy->inputMethodQuery(Qt::ImEnabled).toBool(); }, 5000));
  QCoreApplication::sendEvent(proxy, &space);
  EXPECT_EQ(fired, QStringList{"cz_1"});
}

TEST_F(Catalogue, TenReloadsThenTheFailureText) {
  site.control("list_fail=-1");
  window = std::make_unique<MainWindow>(test_session());
  ASSERT_TRUE(window->load());
  ASSERT_TRUE(wait_until([this] { return window->label(2)->text() == "载入数据失败....请关闭程序重新打开"; }, 60000))
      << window->label(2)->text().toStdString();
  const QStringList seen = QString::fromStdString(site.control("path=/kolbet/l_indexss.php", "/_control/requests"))
                               .split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(seen.size(), 11);
  for (int i = 1; i <= 10; ++i) EXPECT_EQ(seen[i], "bsn=1");
  EXPECT_FALSE(window->catalogue_in_view());
}

TEST_F(Catalogue, ARetryCountsInTheLabelAndThePageStillArrives) {
  site.control("list_fail=2");
  start();
  EXPECT_EQ(window->catalog_tries, 2);
  EXPECT_EQ(window->label(2)->text(), "尝试载入数据...(2)次");
}

TEST_F(Catalogue, ClickingATitleInTheSitePageMergesAndShowsIt) {
  start();
  const QUrl list = window->browser(3)->url();
  ASSERT_TRUE(click_element(window->browser(3), "document.querySelector(\"a.n[href*='tarvex|1003']\")"));
  ASSERT_TRUE(wait_until([this] { return html("bt") == "让子弹飞"; }, 20000));
  EXPECT_EQ(window->browser(3)->url(), list);  // the pane did not navigate
  EXPECT_EQ(window->main_tab, 2);
  EXPECT_EQ(column("select * from det where keyID=1003", "d_name"), QStringList{"让子弹飞"});
  EXPECT_EQ(column("select * from jj where keyID=1003 order by jjID", "wjm"),
            QStringList({"让子弹飞-上.rmvb", "让子弹飞-下.rmvb"}));
  EXPECT_EQ(test_session().play.loaded_key, 1003);
  EXPECT_EQ(test_session().play.title_name, "让子弹飞");
  EXPECT_TRUE(wait_until([this] { return site.control("id=1003", "/_control/hits") == "1"; }));
  EXPECT_TRUE(html("n_2").startsWith("<ul id=\"z2\">"));
  EXPECT_TRUE(html("yyx").contains("acm=" + QString::number(test_session().play.loaded_detail) + "|4"));
}

TEST_F(Catalogue, MergeByPositionGrowsShrinksAndChanges) {
  start();
  open(1004);
  const QStringList first = urls(1004);
  const QStringList first_ids = column("select * from jj where keyID=1004 order by jjID", "jjID");
  ASSERT_EQ(first.size(), 30);
  EXPECT_TRUE(first[0].endsWith("$潜伏-第01集.rmvb$"));
  site.control("detail_key=1004&detail_mode=change&index=4");
  open(1004);
  const QStringList changed = urls(1004);
  EXPECT_TRUE(changed[4].contains("(修正版)"));
  EXPECT_EQ(column("select * from jj where keyID=1004 order by jjID", "jjID"), first_ids);  // same rows, same jjIDs
  EXPECT_EQ(column("select * from jj where keyID=1004 order by jjID", "wjm")[4], "潜伏-第05集(修正版).rmvb");
  for (int i : {0, 3, 5, 29}) EXPECT_EQ(changed[i], first[i]) << i;
  site.control("detail_key=1004&detail_mode=grow");
  window->catalogue()->refresh_title(QString::number(test_session().play.loaded_detail), 1);  // by detailID
  const QStringList grown_ids = column("select * from jj where keyID=1004 order by jjID", "jjID");
  ASSERT_EQ(grown_ids.size(), 31);
  EXPECT_EQ(grown_ids.mid(0, 30), first_ids);  // the stored rows are left alone
  site.control("detail_key=1004&detail_mode=shrink");
  open(1004);
  EXPECT_EQ(urls(1004), first.mid(0, 29));  // replaced whole: a stored add time exists
  EXPECT_EQ(column("select * from det where keyID=1004", "detailID").size(), 1);
}

TEST_F(Catalogue, PagesThatAreNotMergedChangeNothing) {
  start();
  for (const char* mode : {"bdhd", "empty"}) {
    site.control(std::string("detail_key=1005&detail_mode=") + mode);
    EXPECT_EQ(open(1005), QString());
    EXPECT_TRUE(column("select * from det where keyID=1005", "detailID").isEmpty()) << mode;
    EXPECT_EQ(html("vvk"), "处理中....");
  }
}

TEST_F(Catalogue, AMergeThatCannotBeSavedIsNotShownAsDone) {
  start();
  store::Connection reader;  // another program reads the file for longer than the busy wait
  ASSERT_TRUE(reader.open(folder.file("mydb.mdb")));
  ASSERT_TRUE(reader.execute("begin"));
  ASSERT_TRUE(reader.execute("select count(*) from det"));
  EXPECT_EQ(open(1003), QString());
  EXPECT_EQ(html("vvk"), "保存失败，请稍后重试");
  EXPECT_NE(html("bt"), "让子弹飞");
  reader.close();
  EXPECT_TRUE(column("select * from det where keyID=1003", "d_name").isEmpty());
  open(1003);  // the store is free again: the next try saves and shows it
  EXPECT_EQ(html("bt"), "让子弹飞");
  EXPECT_EQ(column("select * from jj where keyID=1003", "wjm").size(), 2);
}

TEST_F(Catalogue, TextsWithApostrophesBarsAndMarkupAreStoredSafely) {
  start();
  open(1003);
  EXPECT_TRUE(column("select * from det where keyID=1003", "nr")[0].contains("It‘s"));
  open(1005);
  EXPECT_TRUE(column("select * from det where keyID=1005", "nr")[0].contains("人 一场"));
  open(1001);
  EXPECT_TRUE(html("n_1").contains("<b>年度必看</b>"));
  EXPECT_TRUE(html("n_1").contains("<p>"));
}

TEST_F(Catalogue, MarkupFromTheSiteRunsNoScript) {
  start();
  open(1022);
  settle(500);
  EXPECT_NE(evaluate(detail(), "document.title").toString(), "pwned");
  const QString shown = html("n_1");
  EXPECT_TRUE(shown.contains("以礼仪为主题"));
  EXPECT_FALSE(shown.contains("<script"));
  EXPECT_FALSE(shown.contains("onerror"));
  // A cover address that tries to break out of its attribute loses its handler too.
  store::db_execute("update det set fm='x.png'' onerror=''document.title=\"pwned\"' where keyID=1022");
  window->catalogue()->show_detail("1022", 1, 1);
  settle(500);
  EXPECT_FALSE(html("fm").contains("onerror"));
  EXPECT_NE(evaluate(detail(), "document.title").toString(), "pwned");
}

// At the narrowest the window goes, the title's page still fits its pane: nothing to scroll sideways.
TEST_F(Catalogue, TheTitlesPageFitsTheNarrowestPane) {
  start();
  open(1008);
  window->resize(1, window->height());  // as narrow as it lets itself be
  settle(800);
  EXPECT_LE(evaluate(detail(), "document.documentElement.scrollWidth - document.documentElement.clientWidth").toInt(),
            0)
      << window->browser(1)->width();
}

TEST_F(Catalogue, DetailFieldsFollowTheirRules) {
  start();
  open(1008);
  EXPECT_EQ(html("nd"), "未知");  // empty year
  EXPECT_EQ(html("yy"), "内详");  // empty actors
  EXPECT_EQ(html("lx"), "动漫连载");
  open(1006);
  EXPECT_EQ(html("nd"), "未知");  // "2009年上映"
  open(1001);
  EXPECT_EQ(html("nd"), "2009");
  EXPECT_EQ(html("bt"), "大江东去");
  EXPECT_EQ(html("gx"), "2009-3-7 9:5:2");
  ASSERT_TRUE(wait_until([this] {
    return evaluate(detail(), "document.querySelector('#fm img').naturalWidth").toInt() == 137;
  })) << "the cover picture does not load";
  open(1002);  // an outside cover behind the upload folder becomes the outside address
  EXPECT_TRUE(html("fm").contains(QString("src=\"http://static.localhost:%1/covers/1002.svg\"").arg(site.port())));
}

TEST_F(Catalogue, TheOverviewShowsTheWholeDescription) {
  start();
  open(1004);  // five paragraphs
  ASSERT_TRUE(html("n_1").contains("本剧共30集"));
  const QString whole = R"JS((function () {
    var n = document.getElementById('n_1'), box = n.getBoundingClientRect();
    var last = n.lastElementChild.getBoundingClientRect();
    return getComputedStyle(document.getElementById('about')).display != 'none' && last.height > 0 &&
           last.bottom <= box.bottom + 1 && n.scrollHeight <= n.clientHeight + 1;
  })())JS";
  EXPECT_TRUE(evaluate(detail(), whole).toBool());
}

TEST_F(Catalogue, EpisodeListLayouts) {
  start();
  open(1009);  // one episode: full name, however long
  EXPECT_EQ(html("n_2"), QString("<ul id=\"z1\"><li><a href=\"%1|@%2\" class=\"s1\">唐山大地震</a></li></ul>")
                             .arg(urls(1009)[0].replace('$', '|'))
                             .arg(test_session().play.loaded_detail));
  open(1023);  // 20 episodes: only the refresh link
  EXPECT_FALSE(html("vvk").contains("升序"));
  EXPECT_TRUE(html("vvk").contains("刷新"));
  open(1001);  // 24 episodes: sort links too
  EXPECT_TRUE(html("vvk").contains("升序"));
  EXPECT_TRUE(html("vvk").contains("降序"));
  open(1004);  // episodic with five or more: the title's name leaves the episode names
  EXPECT_TRUE(html("n_2").contains(">_第01集</a>"));
  open(1003);  // single-part, two short names: only the extension goes
  EXPECT_TRUE(html("n_2").contains(">让子弹飞-上</a>"));
}

// The episode list goes to the page as data: whatever a name holds shows as that text, and an
// address that would run as script does not become a link.
TEST_F(Catalogue, EpisodeNamesStayTextAndScriptAddressesAreNoLinks) {
  start();
  const QString odd = QString::fromUtf16(
      u"a\"b\\c</a><img src=x onerror=alert(1)>\u2028d\x01"
      u"e'");
  catalog::TemplatePane pane(detail());
  pane.set_episode_list("n_2", "z3", {{"qvod://1|A|x.rmvb||@1", "s1", odd}, {" JavaScript:alert(1)", "s2", "two"}});
  pane.sync();
  EXPECT_EQ(evaluate(detail(), "document.querySelector('#z3 a').textContent").toString(), odd);
  EXPECT_EQ(evaluate(detail(), "document.querySelectorAll('#z3 img').length").toInt(), 0);
  EXPECT_EQ(evaluate(detail(), "document.querySelector('#z3 a').getAttribute('href')").toString(),
            "qvod://1|A|x.rmvb||@1");
  EXPECT_FALSE(evaluate(detail(), "document.querySelectorAll('#z3 a')[1].hasAttribute('href')").toBool());
  EXPECT_EQ(evaluate(detail(), "document.querySelectorAll('#z3 a')[1].className").toString(), "s2");
}

// A long list comes in blocks of whole rows: every episode once and in order, no block but the last
// ends inside a row (no holes where blocks meet), a block out of sight stands in with the height it
// has when shown, and a width that changes the number of columns deals the same items anew.
TEST_F(Catalogue, ALongListComesInBlocksOfWholeRowsThatFollowThePanesWidth) {
  start();
  site.control("detail_key=1008&detail_mode=count&index=450");
  open(1008);
  QStringList expected;
  for (const QString& url : urls(1008))
    expected << QString(url).replace('$', '|') + "|@" + QString::number(test_session().play.loaded_detail);
  ASSERT_EQ(expected.size(), 450);
  struct Layout {
    int columns = 0;
    QList<int> blocks;
  };
  auto layout = [this] {
    const QStringList v = evaluate(detail(),
                                   "(function () { var blocks = Array.from(document.querySelectorAll('#n_2 > ul'));"
                                   " return getComputedStyle(blocks[0]).gridTemplateColumns.split(' ').length + ':' +"
                                   " blocks.map(function (b) { return b.children.length; }).join(','); })()")
                              .toString()
                              .split(':');
    Layout l{v.value(0).toInt(), {}};
    for (const QString& n : v.value(1).split(',')) l.blocks << n.toInt();
    return l;
  };
  auto expect_whole_rows = [&](const Layout& l, const char* when) {
    ASSERT_GT(l.columns, 0) << when;
    EXPECT_GT(l.blocks.size(), 1) << when;
    for (int i = 0; i + 1 < l.blocks.size(); ++i) EXPECT_EQ(l.blocks[i] % l.columns, 0) << when << " block " << i;
    const QString hrefs = evaluate(detail(),
                                   "Array.from(document.querySelectorAll('#n_2 a')).map(function (a) {"
                                   " return a.getAttribute('href'); }).join('\\n')")
                              .toString();
    EXPECT_EQ(hrefs.split('\n'), expected) << when;
    EXPECT_EQ(
        evaluate(detail(), "document.querySelectorAll('#n_2 > ul[id]').length + document.querySelector('#n_2 > ul').id")
            .toString(),
        "1z3")
        << when;
  };
  const Layout wide = layout();
  expect_whole_rows(wide, "as shown");

  // Out of sight a block is as high as it will be: a full block and the last, partly filled one.
  for (const char* block : {"#n_2 > ul:nth-child(3)", "#n_2 > ul:last-child"}) {
    const QString query = QString("document.querySelector('%1')").arg(block);
    const int standing_in = evaluate(detail(), query + ".getBoundingClientRect().height").toInt();
    evaluate(detail(), query + ".scrollIntoView(); 1");
    settle(300);
    EXPECT_EQ(evaluate(detail(), query + ".getBoundingClientRect().height").toInt(), standing_in) << block;
    EXPECT_GT(evaluate(detail(), query + ".querySelector('a').getBoundingClientRect().width").toInt(), 0) << block;
  }

  // The episode at the top of the view stays there.
  evaluate(detail(), "document.querySelectorAll('#n_2 li')[200].scrollIntoView(); 1");
  const QString top_item =
      "Array.from(document.querySelectorAll('#n_2 li')).findIndex(function (li) {"
      " return li.getBoundingClientRect().bottom > 0; })";
  settle(200);
  ASSERT_EQ(evaluate(detail(), top_item).toInt(), 200);
  window->resize(window->width() * 3 / 5, window->height());
  ASSERT_TRUE(wait_until([&] { return layout().columns != wide.columns; }, 5000));
  settle(300);
  expect_whole_rows(layout(), "narrower");
  const int top = evaluate(detail(), top_item).toInt();
  EXPECT_TRUE(top <= 200 && top > 200 - layout().columns) << top;  // in the row that holds it
}

// Episode links numbered from `from` up to `to`, as a long series has them.
QList<catalog::EpisodeLink> numbered_links(int from, int to) {
  QList<catalog::EpisodeLink> l;
  for (int i = from; i < to; ++i)
    l.append({QString("qvod://%1|H%1|e%1.rmvb||@1").arg(i), "s1", QString("第%1集").arg(i)});
  return l;
}

// A long list shows what is in sight before the client has sent the rest: the blocks whose data
// came are filled, the others stand in, empty and exactly as high as they will be, so nothing moves
// when the rest comes. A list that ends up shorter than announced (rows left out) is dealt for its
// true length, as if it had come whole.
TEST_F(Catalogue, ALongListShowsWhatIsInSightBeforeTheRestComes) {
  start();
  open(1001);  // the title's page up, its list in view
  const auto in_page = [this](const QString& script) {
    return evaluate(detail(), script, QWebEngineScript::ApplicationWorld);
  };
  // Per block: its items, and its height; then the list's.
  const QString shape =
      "Array.from(document.querySelectorAll('#n_2 > ul')).map(function (b) {"
      " return b.children.length + '/' + b.getBoundingClientRect().height; }).join(' ') + ' = ' +"
      " document.getElementById('n_2').getBoundingClientRect().height";
  const QString hrefs =
      "Array.from(document.querySelectorAll('#n_2 a')).map(function (a) { return a.getAttribute('href'); })"
      ".join(' ')";
  catalog::TemplatePane pane(detail());

  pane.set_episode_list("n_2", "z3", numbered_links(0, 400), 1000);
  ASSERT_TRUE(wait_until([&] { return in_page("window.episodeList.drawn ? 1 : 0").toBool(); }, 5000));
  settle(100);  // past its first frame, and what came filled
  ASSERT_FALSE(in_page("window.episodeList.done ? 1 : 0").toBool());
  const int per = in_page("window.episodeList.per").toInt();
  const QStringList partial = in_page(shape).toString().split(' ');
  ASSERT_EQ(partial.size(), (1000 + per - 1) / per + 2) << partial.join(' ').toStdString();
  for (int b = 0; b * per < 1000; ++b)  // filled exactly when all its data came
    EXPECT_EQ(partial[b].section('/', 0, 0).toInt(), std::min(1000, (b + 1) * per) <= 400 ? per : 0) << b;
  in_page("document.querySelector('#n_2 > ul:last-child').scrollIntoView(); 1");  // a stand-in in sight
  settle(200);
  EXPECT_EQ(in_page(shape).toString(), partial.join(' '));

  pane.add_episodes(numbered_links(400, 1000));
  pane.sync();
  const QStringList whole = in_page(shape).toString().split(' ');
  EXPECT_EQ(whole.last(), partial.last());  // the list as high as before
  for (int b = 0; b * per < 1000; ++b)      // each block as high as it stood in
    EXPECT_EQ(whole[b].section('/', 1), partial[b].section('/', 1)) << b;
  QStringList expected;
  for (const auto& l : numbered_links(0, 1000)) expected << l.href;
  EXPECT_EQ(in_page(hrefs).toString(), expected.join(' '));

  pane.set_episode_list("n_2", "z3", numbered_links(0, 400), 1000);
  pane.add_episodes(numbered_links(400, 950));
  pane.sync();
  const QString shorter = in_page(shape).toString();
  EXPECT_EQ(in_page(hrefs).toString().count(' ') + 1, 950);
  pane.set_episode_list("n_2", "z3", numbered_links(0, 950));
  pane.sync();
  EXPECT_EQ(shorter, in_page(shape).toString());
}

// A hidden pane draws no frame: a long list written there does not wait for one to be whole.
TEST_F(Catalogue, ALongListWrittenWhileThePaneIsHiddenIsWholeAtOnce) {
  start();
  open(1001);
  window->picture1_click();  // the player's tab: the detail pane out of sight
  ASSERT_TRUE(wait_until([this] { return evaluate(detail(), "document.hidden").toBool(); }, 5000));
  catalog::TemplatePane pane(detail());
  pane.set_episode_list("n_2", "z3", numbered_links(0, 400), 1000);
  pane.add_episodes(numbered_links(400, 1000));
  QElapsedTimer waited;
  waited.start();
  pane.sync();
  EXPECT_LT(waited.elapsed(), 2000);
  EXPECT_TRUE(evaluate(detail(), "!!window.episodeList.done", QWebEngineScript::ApplicationWorld).toBool());
  EXPECT_EQ(evaluate(detail(), "document.querySelectorAll('#n_2 li').length").toInt(), 1000);
}

TEST_F(Catalogue, ResumeInfoIsTheNewestWatchedEpisodeAndTheListStaysAscending) {
  start();
  open(1004);
  const QStringList ids = column("select * from jj where keyID=1004 order by jjID", "jjID");
  store::db_execute("update jj set jl=40 where jjID=" + ids[2]);
  store::db_execute("update jj set jl=75 where jjID=" + ids[6]);
  const QString detail_id = QString::number(test_session().play.loaded_detail);
  window->catalogue()->show_episodes(detail_id, 1, 1);
  EXPECT_EQ(test_session().play.resume_info, urls(1004)[6] + "@@@75");
  const QStringList list = test_session().play.episode_list.split("@@@");
  ASSERT_EQ(list.size(), 30);
  EXPECT_TRUE(list.first().contains("第01集"));
  EXPECT_TRUE(list.last().contains("第30集"));
  EXPECT_EQ(html("n_2").count("class=\"s2\""), 2);
}

TEST_F(Catalogue, ClickingTemplateLinksRunsTheirCommandsWithoutNavigating) {
  start();
  open(1001);
  ASSERT_TRUE(click_element(window->browser(1), "document.querySelector(\"#vvk a\")"));  // 升序: the first link
  settle(300);
  ASSERT_TRUE(click_element(window->browser(1),
                            "Array.from(document.querySelectorAll('#vvk a')).find(a => a.textContent == '降序')"));
  ASSERT_TRUE(wait_until([this] { return html("n_2").indexOf("第24集") < html("n_2").indexOf("第01集"); }, 10000));
  EXPECT_EQ(window->browser(1)->url().toString(), window->template_address());
  EXPECT_EQ(evaluate(detail(), "document.getElementById('tab_2').className").toString(), "on");
}

TEST_F(Catalogue, AnEmptyEpisodeListDoesNotLoopAndItsRefreshLinkWorks) {
  start();
  site.control("detail_key=1010&detail_mode=noepisodes");
  open(1010);
  EXPECT_TRUE(html("n_2").contains("暂无可播放的剧集"));
  EXPECT_LE(QString::fromStdString(site.control("path=/details.php", "/_control/requests")).count('\n'), 3);
  // The site has the episodes again: the note's "刷新" link brings them.
  site.control("detail_key=1010&detail_mode=normal");
  ASSERT_TRUE(click_element(window->browser(1), "document.querySelector(\"#vvk a\")"));
  ASSERT_TRUE(wait_until([this] { return html("n_2").contains("<li>"); }, 10000))
      << html("vvk").toStdString() << folder.log_text().toStdString();
  EXPECT_FALSE(column("select * from jj where keyID=1010", "jjID").isEmpty());
}

// The site's address as configured and as the browser writes it need not be the same text.
TEST_F(Catalogue, CommandsCountFromTheSiteWhateverTheSpellingOfItsAddress) {
  qputenv("MORVANE_SITE", QString("http://LocalHost:%1").arg(site.port()).toUtf8());
  start();
  ASSERT_EQ(window->browser(3)->url().host(), "localhost");
  ASSERT_TRUE(click_element(window->browser(3), "document.querySelector(\"a.n[href*='tarvex|1003']\")"));
  ASSERT_TRUE(wait_until([this] { return html("bt") == "让子弹飞"; }, 20000)) << folder.log_text().toStdString();
}

TEST_F(Catalogue, CommandsFromAForeignPageAreIgnored) {
  start();
  // The same server under another name is another site: its links carry no commands.
  window->browser(3)->load(QUrl(QString("http://localhost:%1/kolbet/l_indexss.php?bsn=1").arg(site.port())));
  ASSERT_TRUE(wait_until([this] { return window->browser(3)->url().host() == "localhost"; }, 20000));
  settle(300);
  click_element(window->browser(3), "document.querySelector(\"a.n[href*='tarvex|1012']\")");
  evaluate(window->browser(3)->page(),
           "location.href = 'http://127.0.0.1:" + QString::number(site.port()) + "/?act=tarvex|1013'");
  settle(1500);
  EXPECT_TRUE(column("select * from det where keyID in (1012,1013)", "keyID").isEmpty());
  EXPECT_TRUE(folder.log_text().contains("ignored from http://localhost"));
}

}  // namespace

namespace {

TEST_F(Catalogue, EpisodeRowsWithoutAnAddressAreDroppedAndNotShown) {
  start();
  open(1003);
  store::db_execute("insert into jj (keyID,j_url,wjm) values (1003,'qvod://1$','x.rmvb')");
  store::db_execute("insert into jj (keyID,j_url,wjm) values (1003,'','y.rmvb')");
  window->catalogue()->show_episodes(QString::number(test_session().play.loaded_detail), 0, 0);
  catalog::TemplatePane(detail()).sync();
  EXPECT_EQ(column("select * from jj where keyID=1003", "wjm"), QStringList({"让子弹飞-上.rmvb", "让子弹飞-下.rmvb"}));
  EXPECT_FALSE(html("n_2").contains("x.rmvb"));
  EXPECT_EQ(test_session().play.episode_list.split("@@@").size(), 2);
}

}  // namespace

namespace {

TEST_F(Catalogue, TheSecondPagesLinksRecordFreeAddresses) {
  start();
  window->image1_click(2);  // its tab in front, as the user sees it
  ASSERT_TRUE(wait_until([this] { return window->browser(2)->url().toString().endsWith("/mark_2.asp"); }));
  ASSERT_TRUE(wait_until([this] {
    return evaluate(window->browser(2)->page(), "document.querySelectorAll(\"a[href^='BBB/']\").length").toInt() > 0;
  }));
  ASSERT_TRUE(click_element(window->browser(2), "document.querySelector(\"a[href^='BBB/']\")"));
  ASSERT_TRUE(wait_until([] { return column("select * from hist", "hist_title").size() == 1; }));
  EXPECT_EQ(column("select * from hist", "hist_title"), QStringList{"精选短片01"});
  EXPECT_TRUE(column("select * from hist", "hist_url")[0].contains("qvod://"));
  EXPECT_TRUE(window->browser(2)->url().toString().endsWith("/mark_2.asp"));  // did not navigate
  ASSERT_TRUE(click_element(window->browser(2), "document.querySelector(\"a[href^='BBB/']\")"));
  settle(500);
  EXPECT_EQ(column("select * from hist", "histID").size(), 1);  // the same address: the same entry
}

}  // namespace
