// Hostile values in every line of a detail page and in every command argument: the catalogue keeps
// every row it had, and what is stored is the text that was sent.
#include <gtest/gtest.h>

#include "catalog/commands.h"
#include "catalog/merge.h"
#include "history/history_store.h"
#include "store/builders.h"
#include "store/connection.h"
#include "store/maintenance.h"
#include "store/text_utils.h"
#include "support/db_rows.h"
#include "support/program_folder.h"
#include "support/test_session.h"

namespace {

const QStringList kPayloads = {
    "2010-1-1#, nr=char(80,87,78,69,68) -- #2010-1-1",
    "2010-1-1#, nr=(select group_concat(hist_url) from hist) -- #",
    "'; delete from det; --",
    "x' or '1'='1",
    "1 or 1=1",
    "1; drop table det",
    "0) or (1=1",
    "#1/1/2000#) or (1=1",
    "\\'; delete * from jj --",
    "%' or hist_url like '%",
    "‘ || (select keyID from det) || ’",
    "99999999999",
    "2010-1-1 9:5:2 #, keyID=1 #",
    "|HASH'X|nr='x'",
    "\"; delete from hist; --",
};

// A detail page: eight lines, a description and an episode block, CR LF as the site writes them.
QString page(QStringList lines, const QString& description, const QString& episodes) {
  return lines.join("\r\n") + "\r\n<!--c_start-->" + description + "<!--c_end-->\r\n<!--jj_start-->" + episodes;
}

QStringList normal_lines(int key) {
  return {QStringLiteral("片%1").arg(key), "http://s/c.jpg", "演员", "12", "大陆", "更新中", "2009", "2009-3-7 9:5:2"};
}

class Payloads : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int key = 1; key <= 6; ++key) {
      const QString episodes = QStringLiteral("qvod://1$%1A$a%1.rmvb$::qvod://2$%1B$b%1.rmvb$").arg(key);
      ASSERT_TRUE(catalog::merge_title(QString::number(key), page(normal_lines(key), "简介", episodes),
                                       catalog::stored_episodes(QString::number(key), 0)));
    }
    history.hist_record("qvod://5|HASHH|h.rmvb|", 0);
    before_titles = titles();
    before_episodes = column("select * from jj where keyID <> 3 order by jjID", "j_url");
  }
  void TearDown() override { store::shared_connection().close(); }
  history::HistoryStore history{test_session()};
  QStringList titles() {
    store::db_execute(store::kDedupStatement);
    return column("select * from det where keyID <> 3 order by keyID", "d_name") +
           column("select * from det where keyID <> 3 order by keyID", "nr") +
           column("select * from det order by keyID", "keyID");
  }
  void expect_untouched(const QString& what) {
    EXPECT_EQ(titles(), before_titles) << what.toStdString();
    EXPECT_EQ(column("select * from jj where keyID <> 3 order by jjID", "j_url"), before_episodes)
        << what.toStdString();
    EXPECT_EQ(column("select * from hist", "hist_url"), QStringList{"qvod://5|HASHH|h.rmvb|"}) << what.toStdString();
  }

  ProgramFolder folder;
  QStringList before_titles, before_episodes;
};

TEST_F(Payloads, InEveryLineOfADetailPage) {
  for (const QString& p : kPayloads) {
    for (int line = 0; line < 8; ++line) {
      QStringList lines = normal_lines(3);
      lines[line] = p;  // stored with the line feed of the CR LF before it, as every line but the first
      catalog::merge_title("3", page(lines, p, "qvod://9$" + p + "$" + p + "$"), catalog::stored_episodes("3", 0));
      expect_untouched(QStringLiteral("line %1: %2").arg(line).arg(p));
      if (line == 0) {
        EXPECT_EQ(column("select * from det where keyID=3", "d_name").value(0), store::sql_safe(p));
      }
      if (line == 2) {
        EXPECT_EQ(column("select * from det where keyID=3", "yr").value(0), "\n" + store::sql_safe(p));
      }
      EXPECT_EQ(column("select * from det where keyID=3", "nr").value(0), store::sql_safe(p));
    }
  }
  EXPECT_EQ(column("select * from det where keyID=3", "detailID").size(), 1);
}

TEST_F(Payloads, InEveryCommandArgument) {
  const QString base = "http://127.0.0.1:8610";
  for (const QString& p : kPayloads) {
    for (const QString& a : {"file:///m/acm=" + p + "|0", "file:///m/acm=" + p + "|3", "file:///m/acm=1|" + p})
      for (const catalog::Command& c : catalog::decode_detail_pane(a).commands)
        EXPECT_EQ(c.kind, catalog::Command::PlayLoaded) << a.toStdString();  // only the commands that take no id
    for (const QString& a :
         {base + "/?act=tarvex|" + p, base + "/?act=tarvexz|" + p + "|0", base + "/?act=tarvexd|" + p})
      EXPECT_TRUE(catalog::decode_catalogue_pane(a, base).commands.empty()) << a.toStdString();
    // Second-page addresses are recorded as the text they are.
    for (const catalog::Command& c : catalog::decode_second_pane("http://127.0.0.1/BBB/" + p).commands)
      history.hist_record(c.address, 0);
    history.hist_save_pos("x|" + p + "|y", 0, 7);
    history.hist_delete(p);
  }
  EXPECT_EQ(titles(), before_titles);
  EXPECT_EQ(column("select * from jj where keyID <> 3 order by jjID", "j_url"), before_episodes);
  const QStringList recorded = column("select * from hist order by histID", "hist_url");
  EXPECT_EQ(recorded.size(), kPayloads.size() + 1);
  for (const QString& p : kPayloads) EXPECT_TRUE(recorded.contains("http://127.0.0.1/" + p)) << p.toStdString();
}

}  // namespace

namespace {

// A description whose end marker never comes: the title and its episodes are merged without it.
TEST_F(Payloads, ADescriptionWithoutItsEndMarkerIsLeftEmpty) {
  const QString cut =
      normal_lines(7).join("\r\n") + "\r\n<!--c_start-->简介没有结尾\r\n<!--jj_start-->qvod://1$7A$a7.rmvb$";
  EXPECT_TRUE(catalog::merge_title("7", cut, catalog::stored_episodes("7", 0)));
  EXPECT_EQ(column("select * from det where keyID=7", "d_name"), QStringList{"片7"});
  EXPECT_EQ(column("select * from det where keyID=7", "nr"), QStringList{""});
  EXPECT_EQ(column("select * from jj where keyID=7", "wjm"), QStringList{"a7.rmvb"});
}

}  // namespace
