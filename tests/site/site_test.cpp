#include <gtest/gtest.h>
#include <openssl/sha.h>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>

#include "support/program_folder.h"
#include "support/site_process.h"

namespace {

QString text(const std::string& s) { return QString::fromStdString(s); }

std::string sha1_hex(const std::string& bytes) {
  unsigned char d[SHA_DIGEST_LENGTH];
  SHA1(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), d);
  std::string out;
  for (unsigned char c : d) out += "0123456789ABCDEF"[c >> 4], out += "0123456789ABCDEF"[c & 15];
  return out;
}

// The parts of a detail text: the eight CR-separated lines, the description, the entries.
struct Detail {
  QStringList lines, entries;
  QString description;
};
Detail parse(const std::string& body) {
  const QString t = text(body);
  Detail d;
  d.lines = t.split('\r').mid(0, 8);
  const int c = t.indexOf("<!--c_start-->"), e = t.indexOf("<!--c_end-->");
  if (c >= 0 && e > c) d.description = t.mid(c + 14, e - c - 14);
  const int j = t.indexOf("<!--jj_start-->");
  if (j >= 0) d.entries = t.mid(j + 15).split("::");
  return d;
}

class Site : public ::testing::Test {
 protected:
  SiteProcess site;
  Detail detail(int key) { return parse(http_get(site.port(), "/details.php?id=" + std::to_string(key)).body); }
};

TEST_F(Site, ListPageCarriesTheMarkerAndEveryCommand) {
  const HttpAnswer a = http_get(site.port(), "/kolbet/l_indexss.php?bsn=1&version=0.7055475");
  ASSERT_EQ(a.status, 200);
  const QString page = text(a.body);
  EXPECT_TRUE(page.contains("ll_left"));
  EXPECT_TRUE(page.contains("charset='utf-8'"));
  for (const char* command : {"?act=tarvex|1001'", "?act=tarvexz|1001|0'", "?act=tarvexz|1001|1'", "?act=tarvexd|0'",
                              "?act=tarvexd|2'", "大江东去"})
    EXPECT_TRUE(page.contains(QString::fromUtf8(command))) << command;
  EXPECT_GE(page.count("?act=tarvex|"), 30);
  EXPECT_EQ(text(site.control("path=/kolbet/l_indexss.php", "/_control/requests")), "bsn=1&version=0.7055475\n");
}

TEST_F(Site, ListPageFailsTheFirstNTimesOrAlways) {
  site.control("list_fail=2");
  for (bool marker : {false, false, true, true})
    EXPECT_EQ(http_get(site.port(), "/kolbet/l_indexss.php?bsn=1").body.find("ll_left") != std::string::npos, marker);
  site.control("list_fail=-1");
  for (int i = 0; i < 12; ++i)
    EXPECT_EQ(http_get(site.port(), "/kolbet/l_indexss.php?bsn=1").body.find("ll_left"), std::string::npos);
}

TEST_F(Site, DetailTextKeepsItsLinesMarkersAndSeparators) {
  const std::string body = http_get(site.port(), "/details.php?id=1003").body;
  ASSERT_EQ(body.rfind("\xe8\xae\xa9\xe5\xad\x90\xe5\xbc\xb9\xe9\xa3\x9e\r\nhttp://127.0.0.1:", 0),
            0u);  // 让子弹飞, UTF-8
  const Detail d = parse(body);
  ASSERT_EQ(d.lines.size(), 8);
  EXPECT_EQ(d.lines[0], "让子弹飞");
  for (int i = 1; i < 8; ++i) EXPECT_TRUE(d.lines[i].startsWith('\n')) << i;  // the LF of CR LF starts the next value
  EXPECT_EQ(d.lines[1], "\n" + site.base() + "/kolbet/upfilex/1003.svg");
  EXPECT_EQ(d.lines[3].trimmed(), "2");
  EXPECT_EQ(d.lines[7], "\n2010-12-20 8:0:0");
  EXPECT_TRUE(d.description.contains("It's"));
  ASSERT_EQ(d.entries.size(), 2);
  for (const QString& e : d.entries) {
    EXPECT_TRUE(e.startsWith("qvod://"));
    EXPECT_TRUE(e.endsWith('$'));
    EXPECT_EQ(e.split('$').size(), 4);
    EXPECT_FALSE(e.contains('|'));
  }
  EXPECT_EQ(d.entries[0].split('$')[2], "让子弹飞-上.rmvb");
}

TEST_F(Site, SampleCatalogueCoversTheCasesTheClientMeets) {
  int titles = 0, slashed = 0, bracketed = 0;
  bool one = false, two = false, many = false, huge = false, apostrophe = false, bar = false, markup = false;
  bool empty_year = false, year = false, long_year = false, no_actors = false, outside = false, pattern = false;
  for (int key = 1001; key <= 1099; ++key) {
    const Detail d = detail(key);
    if (d.lines.size() < 8) continue;
    ++titles;
    slashed += d.lines[0].contains('/');
    bracketed += d.lines[0].contains('[');
    const int n = d.entries.size();
    one |= n == 1, two |= n == 2, many |= n >= 21 && n < 100, huge |= n >= 500;
    apostrophe |= d.description.contains('\''), bar |= d.description.contains('|'),
        markup |= d.description.contains("<p>");
    empty_year |= d.lines[6] == "\n", year |= d.lines[6] == "\n2009", long_year |= d.lines[6] == "\n2009年上映";
    no_actors |= d.lines[2] == "\n";
    outside |= d.lines[1].contains("/kolbet/upfilex/http://s");
    pattern |= d.entries[0].contains(QRegularExpression("-第01集\\.rmvb\\$$"));
  }
  EXPECT_GE(titles, 30);
  EXPECT_GE(slashed, 2);
  EXPECT_GE(bracketed, 1);
  for (bool b :
       {one, two, many, huge, apostrophe, bar, markup, empty_year, year, long_year, no_actors, outside, pattern})
    EXPECT_TRUE(b);
}

TEST_F(Site, EveryEpisodeAddressNamesTheBytesServed) {
  for (int key : {1003, 1013, 1028}) {
    for (const QString& entry : detail(key).entries) {
      const QStringList p = entry.split('$');
      const HttpAnswer a = http_get(site.port(), "/qvod/" + p[1].toStdString() + "/" + std::to_string(key));
      ASSERT_EQ(a.status, 200);
      EXPECT_EQ(a.header("Content-Length"), p[0].mid(7).toStdString());
      EXPECT_EQ(std::to_string(a.body.size()), p[0].mid(7).toStdString());
      EXPECT_EQ(sha1_hex(a.body), p[1].toStdString());
    }
  }
}

TEST_F(Site, DetailKnobs) {
  const Detail normal = detail(1004);
  site.control("detail_key=1004&detail_mode=grow");
  const Detail grown = detail(1004);
  ASSERT_EQ(grown.entries.size(), normal.entries.size() + 1);
  EXPECT_EQ(grown.entries.mid(0, normal.entries.size()), normal.entries);
  EXPECT_TRUE(grown.entries.last().contains("潜伏-第31集.rmvb"));
  site.control("detail_key=1004&detail_mode=shrink");
  EXPECT_EQ(detail(1004).entries, normal.entries.mid(0, normal.entries.size() - 1));
  site.control("detail_key=1004&detail_mode=change&index=2");
  const Detail changed = detail(1004);
  for (int i = 0; i < normal.entries.size(); ++i) EXPECT_EQ(changed.entries[i] == normal.entries[i], i != 2) << i;
  EXPECT_TRUE(changed.entries[2].contains("(修正版)"));
  EXPECT_EQ(http_get(site.port(), "/qvod/" + changed.entries[2].split('$')[1].toStdString() + "/x").status, 200);
  site.control("detail_key=1004&detail_mode=bdhd");
  EXPECT_NE(http_get(site.port(), "/details.php?id=1004").body.find("bdhd://"), std::string::npos);
  site.control("detail_key=1004&detail_mode=empty");
  const HttpAnswer empty = http_get(site.port(), "/details.php?id=1004");
  EXPECT_EQ(empty.status, 200);
  EXPECT_EQ(empty.body, "");
  site.control("reset=1");
  EXPECT_EQ(detail(1004).entries, normal.entries);
}

TEST_F(Site, HitsAreCountedPerTitle) {
  for (int i = 0; i < 3; ++i) http_get(site.port(), "/kolbet/hits.php?id=1005");
  http_get(site.port(), "/kolbet/hits.php?id=1006");
  EXPECT_EQ(site.control("id=1005", "/_control/hits"), "3");
  EXPECT_EQ(site.control("id=1006", "/_control/hits"), "1");
  EXPECT_EQ(site.control("id=1007", "/_control/hits"), "0");
  EXPECT_EQ(http_get(site.port(), "/kolbet/hits.php?id=x").status, 400);
}

TEST_F(Site, MediaAnswersRangesAsHttpSays) {
  const QStringList p = detail(1002).entries[0].split('$');
  const std::string path = "/qvod/" + p[1].toStdString() + "/a.rmvb";
  const int64_t size = p[0].mid(7).toLongLong();
  const std::string whole = http_get(site.port(), path).body;
  HttpAnswer a = http_get(site.port(), path, "bytes=0-");
  EXPECT_EQ(a.status, 206);
  EXPECT_EQ(a.body, whole);
  a = http_get(site.port(), path, "bytes=100-199");
  EXPECT_EQ(a.status, 206);
  EXPECT_EQ(a.header("Content-Range"), "bytes 100-199/" + std::to_string(size));
  EXPECT_EQ(a.body, whole.substr(100, 100));
  a = http_get(site.port(), path, "bytes=-16");
  EXPECT_EQ(a.body, whole.substr(size - 16));
  a = http_get(site.port(), path, "bytes=" + std::to_string(size - 5) + "-" + std::to_string(size + 100));
  EXPECT_EQ(a.body, whole.substr(size - 5));
  a = http_get(site.port(), path, "bytes=" + std::to_string(size) + "-");
  EXPECT_EQ(a.status, 416);
  EXPECT_EQ(a.header("Content-Range"), "bytes */" + std::to_string(size));
}

TEST_F(Site, MediaFaultsForTheEngine) {
  const QStringList p = detail(1002).entries[0].split('$');
  const std::string path = "/qvod/" + p[1].toStdString() + "/a.rmvb";
  const size_t size = p[0].mid(7).toULongLong();
  site.control("media=chunked");
  HttpAnswer a = http_get(site.port(), path);
  EXPECT_EQ(a.header("Content-Length"), "");
  EXPECT_EQ(a.body.size(), size);
  site.control("media=truncate");
  EXPECT_EQ(http_get(site.port(), path).body.size(), size / 2);
  site.control("media=drop");
  EXPECT_LT(http_get(site.port(), path).body.size(), size);
  site.control("media=normal&delay_ms=300");
  const auto start = std::chrono::steady_clock::now();
  http_get(site.port(), "/");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
}

TEST_F(Site, BadRequestsGetCleanAnswers) {
  for (const char* path :
       {"/details.php?id=99999", "/details.php?id=-5", "/qvod/../../etc/passwd",
        "/qvod/0123456789012345678901234567890123456789/x", "/vexa/selfmend.exe", "/pd77/html/5.html"})
    EXPECT_EQ(http_get(site.port(), path).status, 404) << path;
  for (const char* path :
       {"/details.php?id=abc", "/details.php?id=99999999999", "/details.php", "/vexa/..%2F..%2Fetc%2Fpasswd"})
    EXPECT_EQ(http_get(site.port(), path).status, 400) << path;
}

TEST_F(Site, VersionListWithoutAReleaseNamesTheCurrentVersion) {
  EXPECT_EQ(http_get(site.port(), "/vexa/sj.txt").body,
            "127.0.0.1:" + std::to_string(site.port()) + "/vexa/sj.txt|V1.2.4|0|vexa");
}

TEST(SiteRelease, ServesTheStagedVersionListAndFiles) {
  QTemporaryDir release;
  write_all(release.path() + "/sj.txt", "{host}/vexa/sj.txt|V1.2.5|0|vexa::Skinh.she");
  write_all(release.path() + "/selfmend.exe", QByteArray(1024, 'u'));
  write_all(release.path() + "/vexa", "new client");
  SiteProcess site({"--release", release.path()});
  EXPECT_EQ(http_get(site.port(), "/vexa/sj.txt").body,
            "127.0.0.1:" + std::to_string(site.port()) + "/vexa/sj.txt|V1.2.5|0|vexa::Skinh.she");
  const HttpAnswer updater = http_get(site.port(), "/vexa/selfmend.exe");
  EXPECT_EQ(updater.header("Content-Length"), "1024");
  EXPECT_EQ(updater.body, std::string(1024, 'u'));
  EXPECT_EQ(http_get(site.port(), "/vexa/vexa").body, "new client");
  EXPECT_EQ(http_get(site.port(), "/vexa/Skinh.she").status, 404);
}

TEST_F(Site, SecondPageCoversPlayDataAndSimplePages) {
  const QString market = text(http_get(site.port(), "/mark_2.asp").body);
  EXPECT_TRUE(market.contains(QRegularExpression("href='AAA/qvod://\\d+\\|[0-9A-F]{40}\\|[^|]+\\|'")));
  EXPECT_TRUE(market.contains(QRegularExpression("href='BBB/qvod://")));
  const QString page = text(http_get(site.port(), "/pd77/html/1013.html").body);
  const int a = page.indexOf("playdata"), b = page.indexOf(".js", a);
  ASSERT_TRUE(a >= 0 && b > a);
  const QString script =
      text(http_get(site.port(), "/playdata" + page.mid(a + 8, b - a - 8).toStdString() + ".js").body);
  const int q = script.indexOf("qvod://"), end = script.indexOf("|$qvod", q);
  ASSERT_TRUE(q >= 0 && end > q) << script.toStdString();
  EXPECT_TRUE(script.mid(q, end - q).endsWith(".mkv"));
  for (const char* path : {"/", "/listing.asp", "/guest.asp"}) EXPECT_EQ(http_get(site.port(), path).status, 200);
  EXPECT_TRUE(http_get(site.port(), "/kolbet/upfilex/1001.svg").body.rfind("<svg", 0) == 0);
  const QString outside = detail(1002).lines[1].trimmed();
  ASSERT_TRUE(outside.contains("/kolbet/upfilex/http://static.localhost:"));
  EXPECT_EQ(http_get(site.port(), outside.mid(outside.indexOf("/kolbet")).toStdString()).status, 200);
  EXPECT_EQ(http_get(site.port(), "/covers/1002.svg").status, 200);
}

TEST_F(Site, ListensOnLoopbackOnly) {
  QFile tcp("/proc/net/tcp");
  ASSERT_TRUE(tcp.open(QIODevice::ReadOnly));
  const QString port = QStringLiteral(":%1 ").arg(site.port(), 4, 16, QChar('0')).toUpper();
  int listening = 0;
  for (const QString& line : QString::fromLatin1(tcp.readAll()).split('\n')) {
    const QStringList f = line.simplified().split(' ');
    if (f.size() > 3 && (f[1] + ' ').endsWith(port) && f[3] == "0A") {
      ++listening;
      EXPECT_EQ(f[1].section(':', 0, 0), "0100007F");
    }
  }
  EXPECT_EQ(listening, 1);
}

}  // namespace
