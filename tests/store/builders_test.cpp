#include <gtest/gtest.h>

#include "store/builders.h"
#include "store/rowset.h"
#include "support/program_folder.h"

namespace {

TEST(Builders, StatementTexts) {
  EXPECT_EQ(store::build_insert("det", "a|b|c", "1||'x'"), "insert into det (a,c) values (1,'x')");
  EXPECT_EQ(store::build_insert("det", "a|b", "''|2"), "insert into det (a,b) values ('',2)");
  EXPECT_EQ(store::build_insert("jj", "keyID", "5"), "insert into jj (keyID) values (5)");
  EXPECT_EQ(store::build_update("jj", "keyID|j_url|wjm", "5|'u'|''", "jjID", "7"),
            "update jj set keyID=5,j_url='u',wjm='' where jjID=7");
  EXPECT_EQ(store::build_update("jj", "keyID|j_url|wjm", "5|'u'|''", "jjID", "3,4"),
            "update jj set keyID=5,j_url='u',wjm='' where jjID in (3,4 )");
  EXPECT_EQ(store::build_update("jj", "jl", "0", "jjID", "9"), "update jj set jl=0 where jjID=9");
  EXPECT_EQ(store::build_delete("jj", "jjID", "3,,4,"), "delete from jj where jjID in (3,4)");
  EXPECT_EQ(store::build_delete("jj", "jjID", "12"), "delete from jj where jjID=12");
}

TEST(Builders, KeysThatAreNoIdsAreRefused) {
  EXPECT_FALSE(store::build_update("jj", "jl", "0", "jjID", "1 or 1=1"));
  EXPECT_FALSE(store::build_update("jj", "jl", "0", "jjID", "3,x"));
  EXPECT_FALSE(store::build_delete("jj", "jjID", "99999999999"));
  EXPECT_FALSE(store::build_delete("jj", "jjID", ",,"));
  EXPECT_FALSE(store::build_delete("jj", "jjID", ""));
}

TEST(Builders, RunOnTheSharedConnection) {
  ProgramFolder folder;
  store::db_insert("jj", "keyID|j_url|wjm", "5|'qvod://1$A$a.rmvb$'|'a.rmvb'");
  store::db_insert("jj", "keyID|j_url|wjm", "5|'qvod://2$B$b.rmvb$'|''");
  store::db_update("jj", "j_url|wjm", "'qvod://3$C$c.rmvb$'|'c.rmvb'", "jjID", "2");
  store::RowSet rs;
  ASSERT_TRUE(rs.Open("select * from jj order by jjID"));
  ASSERT_EQ(rs.RecordCount(), 2);
  rs.MoveNext();
  EXPECT_EQ(rs.text("wjm"), "c.rmvb");
  store::db_delete("jj", "jjID", "1,2,");
  store::db_delete("jj", "jjID", "1; drop table jj");  // refused, nothing runs
  ASSERT_TRUE(rs.Open("select * from jj"));
  EXPECT_EQ(rs.RecordCount(), 0);
  EXPECT_TRUE(folder.log_text().contains("refused"));
  store::shared_connection().close();
}

}  // namespace
