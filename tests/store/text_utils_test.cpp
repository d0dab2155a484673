#include <gtest/gtest.h>
#include <QDateTime>

#include "platform/trap.h"
#include "store/text_utils.h"

using store::cut_text;

namespace {

TEST(CutText, AllModesCutFromTheTextItself) {
  const QString t = "xx<A>one</a>mid<a>two</A>yy";
  const char* a = "<a>";
  EXPECT_EQ(cut_text(t, a, "</A>", 0), "one");
  EXPECT_EQ(cut_text(t, a, "</A>", 1), "<A>one</a>");
  EXPECT_EQ(cut_text(t, a, "", 2), "one</a>mid<a>two</A>yy");
  EXPECT_EQ(cut_text(t, a, "", 3), "<A>one</a>mid<a>two</A>yy");
  EXPECT_EQ(cut_text(t, a, "", 4), "xx<A>one</a>mid<a>");
  EXPECT_EQ(cut_text(t, a, "", 5), "xx<A>one</a>mid");
  EXPECT_EQ(cut_text(t, a, "", 6), "xx<A>");
  EXPECT_EQ(cut_text(t, a, "", 7), "<a>two</A>yy");
  EXPECT_EQ(cut_text(t, a, "", 8), "xx");
  EXPECT_EQ(cut_text(t, a, "", 9), "a>two</A>yy");
  EXPECT_EQ(cut_text(t, a, "", 10), QString());
  EXPECT_EQ(cut_text(t, a, "", -1), QString());
}

TEST(CutText, ExamplesAndMissingMarkers) {
  EXPECT_EQ(cut_text("<A>x</a>y", "<a>", "</A>", 0), "x");
  EXPECT_EQ(cut_text("<A>x</a>y", "<a>", "</A>", 1), "<A>x</a>");
  EXPECT_EQ(cut_text("<A>x</a>y", "<a>", "</A>", 2), "x</a>y");
  for (int mode = 0; mode <= 9; ++mode) EXPECT_EQ(cut_text("<A>x</a>y", "<b>", "</A>", mode), QString());
  EXPECT_THROW(cut_text("<a>x", "<a>", "</a>", 0), platform::TrapError);
  EXPECT_EQ(cut_text("<a>x", "<a>", "</a>", 1), QString());
  EXPECT_EQ(store::cut_text_lenient("<a>x", "<a>", "</a>", 0), QString());
  // The end marker is searched after the start marker only.
  EXPECT_EQ(cut_text("b..a:x:b", "a", "b", 0), ":x:");
  // Markers of any case find the same place; the cut keeps the text's own case.
  EXPECT_EQ(cut_text("Go HTTP://Host/", "http", "/h", 0), ":/");
}

TEST(SqlSafe, ApostrophesAndBars) {
  EXPECT_EQ(store::sql_safe("it's a|b"), QStringLiteral("it‘s a b"));
  EXPECT_EQ(store::sql_safe(""), "");
}

TEST(FmtDatetime, NoLeadingZeros) {
  EXPECT_EQ(store::fmt_datetime(QString()), QString());
  EXPECT_EQ(store::fmt_datetime(QVariant()), QString());
  EXPECT_EQ(store::fmt_datetime("2009-12-31 23:59:00"), "2009-12-31 23:59:0");
  EXPECT_EQ(store::fmt_datetime(QDateTime(QDate(2009, 3, 7), QTime(9, 5, 3))), "2009-3-7 9:5:3");
  EXPECT_EQ(store::fmt_datetime("\n2009-3-7 9:5:2 "), "2009-3-7 9:5:2");
  EXPECT_EQ(store::fmt_datetime("2009/03/07"), "2009-3-7 0:0:0");
  EXPECT_THROW(store::fmt_datetime("not a date"), platform::TrapError);
  EXPECT_THROW(store::fmt_datetime("2009-13-40"), platform::TrapError);
}

TEST(ParseId, OnlyThirtyTwoBitWholeNumbers) {
  EXPECT_EQ(store::parse_id(" 12 "), 12);
  EXPECT_EQ(store::parse_id("-2147483648"), INT32_MIN);
  EXPECT_FALSE(store::parse_id("2147483648"));
  EXPECT_FALSE(store::parse_id("12 or 1=1"));
  EXPECT_FALSE(store::parse_id(""));
  EXPECT_FALSE(store::parse_id("1.5"));
}

TEST(Literals, EachKindHoldsOnlyWhatItMay) {
  EXPECT_EQ(store::text_literal("it's"), "'it''s'");
  EXPECT_EQ(store::text_literal(""), "''");
  EXPECT_EQ(store::number_literal(" 42 "), "42");
  for (const char* no : {"1 or 1=1", "99999999999", "", "0x10", "1;"}) EXPECT_EQ(store::number_literal(no), "") << no;
  EXPECT_EQ(store::date_literal("\n2009-3-7 9:5:2 "), "#2009-3-7 9:5:2#");
  EXPECT_EQ(store::date_literal("3/7/2009"), "#3/7/2009#");
  for (const char* no : {"2010-1-1#, nr=1 -- #2010-1-1", "2009-13-45", "abc", "", "2009-3-7 9:5:2 PM", "1; 2"})
    EXPECT_EQ(store::date_literal(no), "") << no;
}

}  // namespace
