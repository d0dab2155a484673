// Every statement text the client runs, unchanged, against the shipped schema: each must do
// what the client relies on after the connection's Jet translation.
#include <gtest/gtest.h>

#include "store/builders.h"
#include "store/connection.h"
#include "store/rowset.h"
#include "store/text_utils.h"
#include "support/program_folder.h"

namespace {

struct Case {
  const char* name;
  QString statement;  // run through the shared connection as it stands
  QString check;      // rows to look at afterwards; empty: the statement's own rows
  QStringList columns;
  QString expected;  // rows joined by ";", fields by ","
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

void seed() {
  const char* rows[] = {
      "insert into det (detailID,keyID,d_name,fenleiID,add_time) values (5,100,'甲',1,'2009-01-01 00:00:00')",
      "insert into det (detailID,keyID,d_name,fenleiID,add_time) values (9,100,'甲',1,'2009-01-03 00:00:00')",
      "insert into det (detailID,keyID,d_name,fenleiID,add_time) values (7,100,'甲',1,'2009-01-02 00:00:00')",
      "insert into det (detailID,keyID,d_name,fenleiID,zt,add_time) values (20,200,'乙/B',12,'更新至2集','2010-05-06 "
      "07:08:09')",
      "insert into jj (jjID,keyID,j_url,wjm,jl) values (1,200,'qvod://10$HASHA$a.rmvb$','a.rmvb',30)",
      "insert into jj (jjID,keyID,j_url,wjm,jl) values (2,200,'qvod://20$HASHB$b.rmvb$','b.rmvb',0)",
      "insert into hist (histID,keyID,hist_title,hist_url,jd) values (1,200,'乙','qvod://10|HASHA|a.rmvb|',0)",
      "insert into hist (histID,keyID,hist_title,hist_url,jd) values (2,0,'film','C:\\v\\film.rmvb',50)",
  };
  for (const char* r : rows) ASSERT_TRUE(store::db_execute(QString::fromUtf8(r))) << r;
}

QString rows_of(const QString& query, const QStringList& columns) {
  store::RowSet rs;
  if (!rs.Open(query)) return "<failed>";
  QStringList out;
  for (; !rs.Eof(); rs.MoveNext()) {
    QStringList fields;
    for (const QString& c : columns) fields << rs.text(c);
    out << fields.join(',');
  }
  return out.join(';');
}

QString title_values(const QString& closing) {
  // The title row's value list as the merge builds it: lines carry the line feed of CR LF.
  return "'名'|300|'\n演员'|'\n2009'|'\n大陆'|12| '\n更新至2集'|'\nhttp://s/c.jpg'| '简介‘甲’ b" + closing +
         "\n2009-3-7 9:5:2 #";
}
const QString kTitleFields = "d_name|keyID|yr|yea_r|dq|fenleiID|zt|fm|nr|add_time";
const QStringList kTitleColumns = {"d_name", "keyID", "yea_r", "fenleiID", "nr", "add_time"};

std::vector<Case> cases() {
  const QString jj_cols = "jjID,keyID,j_url,wjm,jl";
  return {
      {"dedup_keeps_highest_detailID",
       "delete * from det where keyID in (select keyID from det group by keyID having count(keyID) > 1) and "
       "detailID not in (select max(detailID) from det group by keyID having count(keyId )>1)",
       "select detailID from det order by detailID",
       {"detailID"},
       "9;20"},
      {"stored_episodes_by_detailID",
       "select det.add_time,det.zt,det.detailID,jj.* from jj inner join det on jj.keyID = det.keyID where "
       "det.detailID = 20 order by jjID ASC ",
       {},
       {"add_time", "zt", "detailID", "jjID", "keyID", "j_url"},
       "2010-05-06 07:08:09,更新至2集,20,1,200,qvod://10$HASHA$a.rmvb$;"
       "2010-05-06 07:08:09,更新至2集,20,2,200,qvod://20$HASHB$b.rmvb$"},
      {"stored_episodes_by_keyID",
       "select det.add_time,det.zt,det.detailID,jj.* from jj inner join det on jj.keyID = det.keyID where "
       "det.keyID = 200 order by jjID ASC ",
       {},
       {"jjID"},
       "1;2"},
      {"title_insert", store::build_insert("det", kTitleFields, title_values("' | #")),
       "select * from det where keyID=300", kTitleColumns, "名,300,\n2009,12,简介‘甲’ b,2009-03-07 09:05:02"},
      {"title_update", *store::build_update("det", kTitleFields, title_values("'| #"), "keyID", "200"),
       "select * from det where keyID=300", kTitleColumns, "名,300,\n2009,12,简介‘甲’ b,2009-03-07 09:05:02"},
      {"episode_insert",
       store::build_insert("jj", "keyID|j_url|wjm", "200|'qvod://30$HASHC$c.rmvb$'|'c.rmvb'"),
       "select * from jj where keyID=200 order by jjID",
       {"jjID", "wjm"},
       "1,a.rmvb;2,b.rmvb;3,c.rmvb"},
      {"episode_update",
       *store::build_update("jj", "keyID|j_url|wjm", "200|'qvod://9$X$x.rmvb$'|'x.rmvb'", "jjID", "2"),
       "select * from jj order by jjID",
       {"jjID", "wjm", "jl"},
       "1,a.rmvb,30;2,x.rmvb,0"},
      {"episodes_delete", *store::build_delete("jj", "keyID", "200"), "select * from jj", {"jjID"}, ""},
      {"detail_by_detailID",
       "select fenlei.fenlei_name,det.* from det inner join fenlei on fenlei.fenleiID=det.fenleiID where detailID =20",
       {},
       {"fenlei_name", "d_name", "keyID"},
       "国产剧,乙/B,200"},
      {"detail_by_keyID",
       "select fenlei.fenlei_name,det.* from det inner join fenlei on fenlei.fenleiID=det.fenleiID where keyID =200",
       {},
       {"detailID"},
       "20"},
      {"history_of_title",
       "select * from hist where keyID=200",
       {},
       {"histID", "hist_url"},
       "1,qvod://10|HASHA|a.rmvb|"},
      {"episode_list_ascending",
       "select det.detailID,det.d_name,det.fenleiID,jj.jjID,jj.j_url,jj.wjm,det.keyID,jj.jl from det inner join jj "
       "on det.keyID=jj.keyID where detailID = 20 order by jjID asc",
       {},
       {"jjID", "wjm", "jl"},
       "1,a.rmvb,30;2,b.rmvb,0"},
      {"episode_list_descending",
       "select det.detailID,det.d_name,det.fenleiID,jj.jjID,jj.j_url,jj.wjm,det.keyID,jj.jl from det inner join jj "
       "on det.keyID=jj.keyID where detailID = 20 order by jjID desc",
       {},
       {"jjID"},
       "2;1"},
      {"free_entry_by_key", "select * from hist where hist_url like '%HASHA%'", {}, {"histID"}, "1"},
      {"free_entry_by_address", "select * from hist where hist_url = 'C:\\v\\film.rmvb'", {}, {"histID", "jd"}, "2,50"},
      {"catalogue_entry", "select * from hist where keyID= 200", {}, {"histID"}, "1"},
      {"episode_by_key", "select * from jj where j_url like '%HASHA%'", {}, {"jjID", "jl"}, "1,30"},
      {"delete_entry_clears_positions",
       "update jj set jl=0 where keyID in (select keyID from hist where histID= 1)",
       "select * from jj",
       {"jl"},
       "0;0"},
      {"clear_positions", "update jj set jl=0 where jl<> 0", "select * from jj where jl<>0", {"jjID"}, ""},
      {"clear_history", "delete * from hist", "select * from hist", {"histID"}, ""},
      {"clear_title_positions", "update jj set jl=0 where jl<>0 and keyID=200", "select * from jj", {"jl"}, "0;0"},
      {"history_in_order", "select * from hist order by histID ASC", {}, {"hist_title"}, "乙;film"},
      {"entry_by_id", "select * from hist where histID = 2", {}, {"hist_url", "jd"}, "C:\\v\\film.rmvb,50"},
      {"entry_by_id_tight", "select * from hist where histID=1", {}, {"keyID"}, "200"},
      {"detailID_of_key", "select detailID from det where keyID= 200", {}, {"detailID"}, "20"},
      {"cached_file_by_name",
       "select det.detailID,jj.* from jj inner join det on jj.keyID=det.keyID where wjm = 'B.RMVB' or j_url like "
       "'%B.rmvb%'",
       {},
       {"detailID", "jjID", "jl"},
       "20,2,0"},
      {"cached_file_in_history", "select * from  hist where hist_url like '%film%'", {}, {"histID"}, "2"},
      {"quoted_text_is_never_altered",
       "insert into hist (hist_title,hist_url) values ('#2009-1-1# delete * from det', 'it''s \"q\" #')",
       "select * from hist where histID=3",
       {"hist_title", "hist_url"},
       "#2009-1-1# delete * from det,it's \"q\" #"},
      // Values from the network reach statements only as literals they cannot leave.
      {"text_literal_keeps_a_payload_whole",
       store::build_insert(
           "hist", "hist_title|hist_url",
           store::text_literal("x' or '1'='1") + "|" + store::text_literal("'); delete * from det; --")),
       "select * from hist where histID=3",
       {"hist_title", "hist_url"},
       "x' or '1'='1,'); delete * from det; --"},
      // A NUL in a value would end the statement inside its literal: the catalogue keeps no NUL.
      {"text_literal_drops_a_nul",
       store::build_insert("hist", "hist_title|hist_url",
                           store::text_literal(QString("a") + QChar(0) + "b") + "|" + store::text_literal("2")),
       "select * from hist where histID=3",
       {"hist_title", "hist_url"},
       "ab,2"},
      {"date_literal_refuses_a_payload",
       *store::build_update(
           "det", "nr|add_time",
           store::text_literal("新") + "|" + store::date_literal("2010-1-1#, nr=char(80,87,78,69,68) -- #2010-1-1"),
           "keyID", "200"),
       "select * from det order by detailID",
       {"detailID", "nr", "add_time"},
       "5,,2009-01-01 00:00:00;7,,2009-01-02 00:00:00;9,,2009-01-03 00:00:00;20,新,2010-05-06 07:08:09"},
      {"number_literal_refuses_a_payload",
       *store::build_update("det", "d_name|fenleiID",
                            store::text_literal("丙") + "|" + store::number_literal("1 or 1=1"), "keyID", "200"),
       "select * from det where keyID=200",
       {"d_name", "fenleiID"},
       "丙,12"},
      {"date_literal_forms",
       "insert into hist (hist_title,add_time) values ('a',# 2009-3-7 9:5:2 #),('b',#3/7/2009 9:05:02 PM#),"
       "('c',#2009/03/07#)",
       "select * from hist where histID>2 order by histID",
       {"add_time"},
       "2009-03-07 09:05:02;2009-03-07 21:05:02;2009-03-07 00:00:00"},
  };
}

class JetStatements : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override { seed(); }
  void TearDown() override { store::shared_connection().close(); }
  ProgramFolder folder;
};

TEST_P(JetStatements, RunsUnchangedAndDoesItsJob) {
  const Case& c = GetParam();
  if (c.check.isEmpty()) {
    EXPECT_EQ(rows_of(c.statement, c.columns), c.expected);
  } else {
    ASSERT_TRUE(store::db_execute(c.statement)) << folder.log_text().toStdString();
    EXPECT_EQ(rows_of(c.check, c.columns), c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Catalogue, JetStatements, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(JetDialect, StatementsThatCannotRunFailQuietly) {
  ProgramFolder folder;
  EXPECT_FALSE(store::db_execute("insert into hist (add_time) values (#not a date#)"));
  EXPECT_FALSE(store::db_execute("select * from hist where keyID= "));
  EXPECT_FALSE(store::db_execute("select 1; delete from hist"));
  EXPECT_FALSE(store::db_execute("select * from nosuchtable"));
  EXPECT_TRUE(folder.log_text().contains("not a date"));
  store::shared_connection().close();
}

}  // namespace
