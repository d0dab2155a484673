#include <gtest/gtest.h>
#include <QDateTime>

#include "store/builders.h"
#include "store/rowset.h"
#include "support/program_folder.h"

namespace {

class RowSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 1; i <= 3; ++i) store::db_insert("jj", "keyID|j_url|wjm", QStringLiteral("7|'u%1'|'w%1'").arg(i));
    store::db_execute("insert into det (keyID,d_name,fenleiID) values (7,'片',12)");
  }
  void TearDown() override { store::shared_connection().close(); }
  ProgramFolder folder;
};

TEST_F(RowSetTest, SnapshotWithExactCountAndNullsReadEmpty) {
  store::RowSet rs;
  ASSERT_TRUE(rs.Open("select * from jj where keyID=7 order by jjID"));
  EXPECT_EQ(rs.RecordCount(), 3);
  store::db_execute("delete * from jj");  // the snapshot keeps its rows
  QStringList seen;
  for (; !rs.Eof(); rs.MoveNext()) seen << rs.text("J_URL");
  EXPECT_EQ(seen, QStringList({"u1", "u2", "u3"}));
  EXPECT_EQ(rs.text("j_url"), QString());  // past the end

  ASSERT_TRUE(rs.Open("select * from hist"));
  EXPECT_TRUE(rs.Eof());
  EXPECT_EQ(rs.RecordCount(), 0);
  ASSERT_TRUE(rs.Open("select * from det"));
  EXPECT_EQ(rs.Fields("add_time"), QVariant(QString()));
  EXPECT_EQ(rs.Fields("no_such_field"), QVariant(QString()));
}

TEST_F(RowSetTest, EditsAreWrittenBackByRowId) {
  store::RowSet rs;
  ASSERT_TRUE(rs.Open("select * from jj where j_url like '%u2%'"));
  rs.SetField("jl", 125);
  ASSERT_TRUE(rs.Update());
  // A row of a join is written back to the table the field comes from.
  ASSERT_TRUE(rs.Open("select det.detailID,jj.* from jj inner join det on jj.keyID=det.keyID where jjID=3"));
  rs.SetField("jl", 9);
  rs.MoveNext();  // moving on saves the edit, as a static optimistic cursor does
  ASSERT_TRUE(rs.Open("select jjID,jl from jj order by jjID"));
  QStringList seen;
  for (; !rs.Eof(); rs.MoveNext()) seen << rs.text("jl");
  EXPECT_EQ(seen, QStringList({"0", "125", "9"}));
}

TEST_F(RowSetTest, AddNewAppendsWithDefaultsAndDates) {
  store::RowSet rs;
  ASSERT_TRUE(rs.Open("select * from hist where keyID= 7"));
  rs.AddNew();
  rs.SetField("hist_title", "片");
  rs.SetField("keyID", 7);
  rs.SetField("hist_url", "qvod://1|H|a.rmvb|");
  rs.SetField("add_time", QDateTime(QDate(2011, 2, 3), QTime(4, 5, 6)));
  ASSERT_TRUE(rs.Update());
  EXPECT_EQ(rs.RecordCount(), 1);
  EXPECT_GT(rs.number("histID"), 0);
  ASSERT_TRUE(rs.Open("select * from hist"));
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(rs.text("add_time"), "2011-02-03 04:05:06");
  EXPECT_EQ(rs.number("jd"), 0);
  rs.SetField("add_time", "2012-1-2 3:4:5");  // a Jet date text is stored as a date
  rs.Update();
  ASSERT_TRUE(rs.Open("select * from hist"));
  EXPECT_EQ(rs.text("add_time"), "2012-01-02 03:04:05");
}

TEST_F(RowSetTest, RowsOfAJoinCannotBeAppended) {
  store::RowSet rs;
  ASSERT_TRUE(rs.Open("select det.detailID,jj.* from jj inner join det on jj.keyID=det.keyID"));
  rs.AddNew();
  rs.SetField("wjm", "x");
  EXPECT_FALSE(rs.Update());
  EXPECT_EQ(rs.RecordCount(), 3);
}

}  // namespace
