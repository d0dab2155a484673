// Every road into the player, against the site, the real store and the real player (no picture).
#include <gtest/gtest.h>
#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>

#include "catalog/client_window.h"
#include "history/history_panel.h"
#include "history/play_flows.h"
#include "platform/dialogs.h"
#include "player/kandor.h"
#include "player/player_fixture.h"
#include "store/builders.h"

namespace {

class PlayFlows : public ClientWindow {
 protected:
  void SetUp() override {
    ClientWindow::SetUp();
    terminal.configure(folder.file("media"), site.base() + "/qvod/{hash}/{name}");
    ASSERT_TRUE(terminal.launch());
    before_dialogs = platform::set_dialogs(&answers);
    before_load = [this](shell::MainWindow* w) {
      w->kandor()->set_engine_factory([this](QWidget*) {
        auto e = std::make_unique<CountingEngine>(nullptr, true);
        engine = e.get();
        return e;
      });
    };
    start();
    kandor = window->kandor();
  }
  void TearDown() override {
    kandor->q_stop();
    ClientWindow::TearDown();
    platform::set_dialogs(before_dialogs);
  }
  QStringList episodes(int key) {
    QStringList list = urls(key);
    for (QString& u : list) u.replace('$', '|');
    return list;
  }
  QString status() { return window->label(1)->text(); }
  int position(const QString& address) {
    return column("select * from jj where j_url like '%" + address.split('|').value(1) + "%'", "jl").value(0).toInt();
  }
  // The player took the address and the engine was sent to its start (nothing when 0).
  bool playing(const QString& address) {
    return wait_until(
        [&] { return kandor->furl() == address && kandor->engine()->playstate() == engine::PlayState::Playing; },
        15000);
  }

  TerminalProcess terminal{folder.file("engine")};  // not in the program folder: no engine set-up at start
  platform::ScriptedDialogs answers;
  platform::Dialogs* before_dialogs = nullptr;
  CountingEngine* engine = nullptr;
  player::Kandor* kandor = nullptr;
  const QString question =
      "Morvane询问|发现播放记录,是否需要从上次观看位置开始播放？\r\n选择【取消】，系统将会从该剧集第一集开始播放.";
};

TEST_F(PlayFlows, AFirstPlayAsksNothingAndAWatchedTitleAsksToResume) {
  open(1004);
  const QStringList list = episodes(1004);
  window->play_flows().play_loaded(0);
  ASSERT_TRUE(playing(list[0]));
  EXPECT_TRUE(answers.shown.isEmpty());
  EXPECT_EQ(column("select * from hist", "hist_title"), QStringList{"潜伏"});
  EXPECT_TRUE(engine->seeks.isEmpty());
  // Watched up to episode 3 (and earlier, episode 2): OK resumes the newest at its place.
  store::db_execute("update jj set jl=5 where j_url like '%" + list[1].split('|')[1] + "%'");
  store::db_execute("update jj set jl=4 where j_url like '%" + list[2].split('|')[1] + "%'");
  open(1004);
  answers.answer_next(platform::Answer::Ok);
  window->play_flows().play_loaded(0);
  EXPECT_EQ(answers.shown, QStringList{question});
  ASSERT_TRUE(playing(list[2]));
  EXPECT_TRUE(wait_until([&] { return !engine->seeks.isEmpty(); }, 3000));  // on the first playing tick
  EXPECT_EQ(engine->seeks, QList<int>{4});
  EXPECT_EQ(column("select * from hist", "hist_url"), QStringList{list[2]});  // one entry, the episode last played
}

TEST_F(PlayFlows, CancelClearsThePositionsAndStartsTheFirstEpisodeAndAsksNoMore) {
  open(1004);
  const QStringList list = episodes(1004);
  window->play_flows().play_loaded(0);
  ASSERT_TRUE(playing(list[0]));
  store::db_execute("update jj set jl=4 where keyID=1004");
  open(1004);
  answers.answer_next(platform::Answer::Cancel);
  window->play_flows().play_loaded(0);
  ASSERT_TRUE(playing(list[0]));
  EXPECT_TRUE(engine->seeks.isEmpty());
  EXPECT_EQ(column("select * from jj where keyID=1004 and jl<>0", "jjID").size(), 0);
  kandor->q_stop();
  open(1004);
  answers.shown.clear();
  window->play_flows().play_loaded(0);  // no position saved since: no question
  EXPECT_TRUE(answers.shown.isEmpty());
}

TEST_F(PlayFlows, TheNewestEpisodeNeverAsks) {
  open(1001);
  store::db_execute("update jj set jl=3 where keyID=1001");
  open(1001);
  window->play_flows().play_loaded(1);
  ASSERT_TRUE(playing(episodes(1001).last()));
  EXPECT_TRUE(answers.shown.isEmpty());
  // By keyID through the site's list command, and by detailID through the tree-list menu.
  window->play_flows().zz_linkms(1, 1003);
  ASSERT_TRUE(playing(episodes(1003).last()));
  window->play_flows().zz_linkm(1, test_session().play.loaded_detail);
  ASSERT_TRUE(playing(episodes(1003).last()));
  EXPECT_TRUE(answers.shown.isEmpty());
}

TEST_F(PlayFlows, AHistoryEntryResumesWithoutAskingAndAFreeAddressFromItsPlace) {
  open(1004);
  const QStringList list = episodes(1004);
  window->play_flows().play_loaded(0);
  ASSERT_TRUE(playing(list[0]));
  kandor->q_stop();
  store::db_execute("update jj set jl=3 where j_url like '%" + list[4].split('|')[1] + "%'");
  const int entry = column("select * from hist", "histID").value(0).toInt();
  open(1001);  // another title is shown meanwhile
  window->play_flows().play_hist_entry(entry);
  ASSERT_TRUE(playing(list[4]));
  EXPECT_TRUE(wait_until([&] { return !engine->seeks.isEmpty(); }, 3000));  // on the first playing tick
  EXPECT_EQ(engine->seeks, QList<int>{3});
  EXPECT_TRUE(answers.shown.isEmpty());
  // A free address: played twice, one entry, the second time from its place.
  QString local;
  write_all(
      local = folder.file("film.mp4"),
      QByteArray::fromStdString(http_get(site.port(), "/qvod/" + list[0].split('|')[1].toStdString() + "/x").body));
  window->play_flows().ss_play(local, 0, 0);
  ASSERT_TRUE(playing(local));
  window->history().hist_save_pos(local, 0, 2);
  kandor->q_stop();
  engine->seeks.clear();
  const int free_entry = column("select * from hist where keyID=0", "histID").value(0).toInt();
  window->play_flows().play_hist_entry(free_entry);
  ASSERT_TRUE(playing(local));
  EXPECT_TRUE(wait_until([&] { return !engine->seeks.isEmpty(); }, 3000));  // on the first playing tick
  EXPECT_EQ(engine->seeks, QList<int>{2});
  EXPECT_EQ(column("select * from hist where keyID=0", "histID").size(), 1);
}

TEST_F(PlayFlows, ALineFeedInAnAddressIsRemoved) {
  open(1003);
  const QString first = episodes(1003)[0];
  window->play_flows().ss_play(first.left(10) + "\n" + first.mid(10), 1, 0);
  EXPECT_EQ(kandor->furl(), first);
}

// What is left to us: a history entry whose title has left the store, a title without episodes.
TEST_F(PlayFlows, NothingToPlayIsSaidPlainly) {
  store::db_execute("insert into hist (keyID,hist_title,hist_url) values (999,'旧片','qvod://1|AAAA|x.rmvb|')");
  window->play_flows().play_hist_entry(column("select * from hist", "histID").value(0).toInt());
  EXPECT_EQ(status(), "该片已不在片库中，无法播放");
  EXPECT_FALSE(kandor->polling());
  site.control("detail_key=1010&detail_mode=noepisodes");
  open(1010);
  window->play_flows().play_loaded(0);
  EXPECT_EQ(status(), "本片暂无可播放的剧集");
  window->play_flows().play_loaded(1);
  EXPECT_EQ(status(), "本片暂无可播放的剧集");
  EXPECT_FALSE(kandor->polling());
  window->play_flows().zz_linkm(0, 987654);  // a detailID that is not in the store: never the title shown before
  EXPECT_EQ(status(), "该片已不在片库中，无法播放");
  EXPECT_FALSE(kandor->polling());
}

}  // namespace

namespace {

// Each pane's play commands, clicked as a user clicks them, reach their flows.
TEST_F(PlayFlows, EveryPlayCommandOfThePanesReachesItsFlow) {
  QWebEngineView* list_pane = window->browser(3);
  // "?act=tarvexz|KEY|1": the newest episode of a title from the site's list.
  ASSERT_TRUE(click_element(list_pane, "document.querySelector(\"a[href*='tarvexz|1003|1']\")"));
  ASSERT_TRUE(playing(episodes(1003).last()));
  // "acm=…|4" and "|5": the template's buttons.
  ASSERT_TRUE(click_element(window->browser(1), "document.querySelector('#yyx a')"));
  ASSERT_TRUE(playing(episodes(1003).first()));
  ASSERT_TRUE(click_element(window->browser(1), "document.querySelector('#yyx_2 a')"));
  ASSERT_TRUE(playing(episodes(1003).last()));
  // An episode link of the list.
  ASSERT_TRUE(click_element(window->browser(1), "document.querySelectorAll('#n_2 a')[0]"));
  ASSERT_TRUE(playing(episodes(1003).first()));
  EXPECT_EQ(test_session().play.play_detail, test_session().play.loaded_detail);
  // "AAA/" records and plays a free address, "BBB/" only records.
  window->image1_click(2);
  QWebEngineView* market = window->browser(2);
  ASSERT_TRUE(wait_until(
      [&] { return evaluate(market->page(), "document.querySelectorAll(\"a[href^='AAA/']\").length").toInt() > 0; }));
  ASSERT_TRUE(click_element(market, "document.querySelectorAll(\"a[href^='BBB/']\")[1]"));
  ASSERT_TRUE(wait_until([&] { return column("select * from hist where keyID=0", "histID").size() == 1; }));
  EXPECT_EQ(kandor->furl(), episodes(1003).first());  // nothing else played
  ASSERT_TRUE(click_element(market, "document.querySelector(\"a[href^='AAA/']\")"));
  ASSERT_TRUE(wait_until([&] { return kandor->furl().contains("精选短片01"); }, 10000));
  EXPECT_EQ(kandor->property("furl").toString().left(7), "qvod://");
  EXPECT_EQ(column("select * from hist where keyID=0", "histID").size(), 2);
}

TEST_F(PlayFlows, TheHistoryPanelPlaysOpensDeletesAndClears) {
  open(1004);
  window->play_flows().play_loaded(0);
  ASSERT_TRUE(playing(episodes(1004)[0]));
  QString local = folder.file("film.mp4");
  write_all(local, read_all(folder.file("media/" + episodes(1004)[0].split('|')[2])));
  window->play_flows().ss_play(local, 0, 0);
  ASSERT_TRUE(playing(local));
  auto* list = qobject_cast<QListWidget*>(window->control("List1"));
  window->image1_click(1);
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(0)->text(), "潜伏");
  EXPECT_EQ(list->item(1)->text(), "film");
  auto right_click = [&](int row) {
    const QPoint at =
        row < 0 ? QPoint(10, list->viewport()->height() - 5) : list->visualItemRect(list->item(row)).center();
    QMouseEvent press(QEvent::MouseButtonPress, at, list->viewport()->mapToGlobal(at), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(list->viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, list->viewport()->mapToGlobal(at), Qt::RightButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list->viewport(), &release);
    settle(100);
    window->menu("dq_ls")->hide();
  };
  list->setCurrentRow(1);
  right_click(1);  // a free address: no details to see
  EXPECT_FALSE(window->action("ckxxs")->isEnabled());
  EXPECT_EQ(test_session().play.hist_key, 0);
  right_click(0);
  EXPECT_TRUE(window->action("ckxxs")->isEnabled());
  EXPECT_EQ(test_session().play.hist_key, 1004);
  right_click(-1);  // on no entry
  EXPECT_FALSE(window->action("ckxxs")->isEnabled());
  // Details of a catalogue entry: shown, nothing played.
  open(1001);
  kandor->q_stop();
  right_click(0);  // the menu as the user opens it, then its item
  window->action("ckxxs")->trigger();
  EXPECT_EQ(test_session().play.loaded_key, 1004);
  EXPECT_FALSE(kandor->polling());
  // A double click plays it; "播放选中记录" too.
  QListWidgetItem* first = list->item(0);
  emit list->itemDoubleClicked(first);
  ASSERT_TRUE(playing(episodes(1004)[0]));
  // Deleting an entry refills the list; clearing empties it at once and every position goes.
  store::db_execute("update jj set jl=4 where keyID=1004");
  list->setCurrentRow(1);
  window->action("del_ls")->trigger();
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->item(0)->text(), "潜伏");
  EXPECT_FALSE(column("select * from jj where keyID=1004 and jl<>0", "jjID").isEmpty());  // a free entry changes none
  window->action("clear_ls")->trigger();
  EXPECT_EQ(list->count(), 0);
  EXPECT_TRUE(column("select * from jj where jl<>0", "jjID").isEmpty());
  EXPECT_TRUE(column("select * from hist", "histID").isEmpty());
}

TEST_F(PlayFlows, TheTreeListMenuActsOnTheTitleShown) {
  open(1009);
  QWebEngineView* detail = window->browser(1);
  emit detail->customContextMenuRequested(QPoint(20, 20));
  EXPECT_TRUE(window->menu("sxlb")->isVisible());
  window->menu("sxlb")->hide();
  window->action("ljbf_1")->trigger();
  ASSERT_TRUE(playing(episodes(1009).last()));
  window->action("sqlb")->trigger();
  EXPECT_EQ(window->layout_state().folded, 1);
}

}  // namespace
