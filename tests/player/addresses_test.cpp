#include <gtest/gtest.h>

#include "player/addresses.h"

using namespace player;

namespace {

const QString kHash = "3A4F9C0D2E1B5A6C7D8E9F00112233445566778A";

TEST(QvodNormalize, KeepsThreeFieldsFromTheScheme) {
  const QString normal = "qvod://123456|" + kHash + "|片名.rmvb|";
  EXPECT_EQ(qvod_normalize(normal), normal);
  EXPECT_EQ(qvod_normalize("http://site/AAA/qvod://123456|" + kHash + "|片名.rmvb|"), normal);
  EXPECT_EQ(qvod_normalize(normal + "extra|more|"), normal);
  EXPECT_EQ(qvod_normalize("qvod://1|H"), "qvod://1|H||");  // missing fields stay empty
  EXPECT_EQ(qvod_normalize("C:\\电影\\a.rmvb"), "C:\\电影\\a.rmvb");
  EXPECT_EQ(qvod_normalize("http://h/p/a.mp4"), "http://h/p/a.mp4");
}

TEST(AddressMatch, ByHashOrByFileName) {
  EXPECT_EQ(address_match("qvod://1|" + kHash + "|甲.rmvb|", "qvod://1|" + kHash + "|乙.rmvb|"), 1);
  EXPECT_EQ(address_match("qvod://1|" + kHash + "|甲.rmvb|", "qvod://1|" + kHash.toLower() + "|甲.rmvb|"), 0);
  EXPECT_EQ(address_match("D:\\x\\film.rmvb", "C:\\v\\film.rmvb"), 1);
  EXPECT_EQ(address_match("D:\\x\\other.rmvb", "C:\\v\\film.rmvb"), 0);
  EXPECT_EQ(address_match("http://h/a.mp4", "http://h/a.mp4"), 0);
}

TEST(DisplayName, LastExtensionCut) {
  EXPECT_EQ(hq_wjm("qvod://1|" + kHash + "|剧名-第01集.rmvb|"), "剧名-第01集");
  EXPECT_EQ(hq_wjm("qvod://1|" + kHash + "|noextension|"), "");
  EXPECT_EQ(hq_wjm("C:\\a\\b.c.rmvb"), "b.c");
  EXPECT_EQ(hq_wjm("http://host/path/file.mp4"), "file");
  EXPECT_EQ(hq_wjm("plain"), "");
}

TEST(UrlUnescape, PlusPercentAndThreeByteSequences) {
  EXPECT_EQ(url_unescape("%E4%B8%AD+a%20b"), QString::fromUtf8("中 a b"));
  EXPECT_EQ(url_unescape("100%"), "100%");
  EXPECT_EQ(url_unescape("%zz%4"), "%zz%4");
  EXPECT_EQ(url_unescape("%E4x"), "%E4x");
}

TEST(GetContent, SearchesWithoutCase) {
  EXPECT_EQ(GetContent("go HTTP://x", "http", "", 2), "://x");
  EXPECT_EQ(GetContent("go http://x", "HTTP", "", 2), "://x");
  EXPECT_EQ(GetContent("a.b", ".", "|", 0), "");  // no end marker: empty, no failure
}

}  // namespace
