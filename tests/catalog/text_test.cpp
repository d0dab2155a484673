#include <gtest/gtest.h>

#include "catalog/text.h"

using namespace catalog;

namespace {

TEST(Utf8Decode, SequencesAndCutEnds) {
  EXPECT_EQ(utf8_decode(QByteArray("\xe4\xb8\xad")), QString(QChar(0x4E2D)));
  EXPECT_EQ(utf8_decode(QByteArray("a\xe4\xb8")), "a?");
  EXPECT_EQ(utf8_decode(QByteArray("\xe4\xb8\xad\xe4")), QString(QChar(0x4E2D)) + "?");
  EXPECT_EQ(utf8_decode(QByteArray()), "");
  EXPECT_EQ(utf8_decode(QByteArray("\r\nx")), "\r\nx");
  EXPECT_EQ(utf8_decode(QByteArray("\xf0\x9f\x8e\xac")), QString::fromUtf8("\xf0\x9f\x8e\xac"));  // beyond U+FFFF
  EXPECT_EQ(utf8_decode(QByteArray("\xfc\xbf\xbf\xbf\xbf\xbf")), QString(QChar(0xFFFD)));
  EXPECT_EQ(utf8_decode(QByteArray("x\x80"
                                   "\xe4\xb8\xad"
                                   "y\xf0\x9f\x8e\xac"
                                   "z")),
            "x" + QString(QChar(0xFFFD)) + QChar(0x4E2D) + "y" + QString::fromUtf8("\xf0\x9f\x8e\xac") + "z");
}

TEST(StripMediaExt, TheLaterExtensionOfTheListWins) {
  EXPECT_EQ(strip_media_ext("剧名-第01集.rmvb"), "剧名-第01集");
  EXPECT_EQ(strip_media_ext("a.rm.mp4"), "a.rm");
  EXPECT_EQ(strip_media_ext("a.MKV"), "a.MKV");  // case matters
  EXPECT_EQ(strip_media_ext("noext"), "noext");
}

TEST(MultiReplace, PairsInOrder) {
  EXPECT_EQ(multi_replace("a-b c", "-| ", "_|_"), "a_b_c");
  EXPECT_EQ(multi_replace("aaa", "a", "b"), "bbb");
}

TEST(CategoryKind, SinglePartBelowTwelveAndSeventeen) {
  for (int id : {1, 11, 17, 0}) EXPECT_EQ(category_kind(id), 0) << id;
  for (int id : {12, 16, 18, 19, 90}) EXPECT_EQ(category_kind(id), 1) << id;
}

TEST(TailByWidth, KeepsTheEnd) {
  const QString wide = QString::fromUtf8("一二三四五六七八九十甲乙丙丁戊");
  EXPECT_EQ(tail_by_width(wide, 11), wide.right(11));
  EXPECT_EQ(tail_by_width(QString(20, 'a'), 11), QString(20, 'a'));
  QString thirty;
  for (int i = 0; i < 30; ++i) thirty += QChar('a' + i % 26);
  EXPECT_EQ(tail_by_width(thirty, 11), thirty.right(22));
  EXPECT_EQ(tail_by_width("short", 11), "short");
  const QString mixed = QString::fromUtf8("第一百二十三集abcdefghijklmn");  // 14 letters weigh 7
  EXPECT_EQ(tail_by_width(mixed, 11), QString::fromUtf8("二十三集abcdefghijklmn"));
}

}  // namespace
