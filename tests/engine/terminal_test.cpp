// The engine's terminal as the player meets it: a child process on loopback, against the site.
#include <gtest/gtest.h>
#include <httplib.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <csignal>

#include "engine/terminal/media_folder.h"
#include "engine/terminal/qvod_item.h"
#include "engine/terminal/state_file.h"
#include "engine/terminal/terminal_server.h"
#include "engine/terminal_client.h"
#include "support/child.h"
#include "support/program_folder.h"
#include "support/site_process.h"
#include "support/terminal_process.h"
#include "support/wait.h"

namespace {

struct Item {
  std::string address, hash, name;
  int64_t size = 0;
};

class Terminal : public ::testing::Test {
 protected:
  void SetUp() override { configure(site.base() + "/qvod/{hash}/{name}"); }
  void configure(const QString& source) { terminal.configure(media(), source); }
  QString media() { return folder.file("media"); }
  void launch() {
    ASSERT_TRUE(terminal.launch());
    port = terminal.port;
    token = terminal.token;
  }
  void halt(int sig = SIGTERM) { terminal.halt(sig); }
  void resume_after_a_kill(const Item& e, const std::string& media_then);
  Item episode(int key, int index) {
    const std::string body = http_get(site.port(), "/details.php?id=" + std::to_string(key)).body;
    const QString entry = QString::fromStdString(body).section("<!--jj_start-->", 1).split("::").value(index);
    const QStringList p = entry.split('$');
    return {QString(entry).replace('$', '|').toStdString(), p[1].toStdString(), p[2].toStdString(),
            p[0].mid(7).toLongLong()};
  }
  httplib::Result get(const std::string& path, httplib::Headers headers = {}, bool with_token = true) {
    httplib::Client c("127.0.0.1", port);
    c.set_read_timeout(30, 0);
    if (with_token) headers.emplace("X-Qvod-Token", token);
    return c.Get(path.c_str(), headers);
  }
  QJsonObject json(const httplib::Result& r) {
    return r ? QJsonDocument::fromJson(QByteArray::fromStdString(r->body)).object() : QJsonObject();
  }
  QJsonObject start(const std::string& address) {
    return json(get("/task?url=" + QUrl::toPercentEncoding(QString::fromStdString(address)).toStdString()));
  }
  QJsonObject status(const std::string& hash) { return json(get("/status?hash=" + hash)); }
  bool finished(const std::string& hash) {
    return wait_until([&] { return status(hash)["state"].toString() != "downloading"; }, 30000);
  }

  SiteProcess site;
  ProgramFolder folder{false};
  TerminalProcess terminal{folder.path()};
  int port = 0;
  std::string token;
};

// The first play of a session waits for the terminal to start: it loads no GUI library (Qt's GUI
// and widget libraries and theirs were a third of its start-up).
TEST_F(Terminal, StartsWithoutQtsGuiLibraries) {
  launch();
  QFile maps(QStringLiteral("/proc/%1/maps").arg(terminal.process.processId()));
  ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
  const QByteArray mapped = maps.readAll();
  EXPECT_TRUE(mapped.contains("libQt6Core"));
  EXPECT_FALSE(mapped.contains("libQt6Gui"));
  EXPECT_FALSE(mapped.contains("libQt6Widgets"));
}

TEST_F(Terminal, DownloadsTheWholeFileAndRenamesItWhenItChecksOut) {
  launch();
  const Item e = episode(1003, 0);
  EXPECT_EQ(start(e.address)["state"].toString(), "downloading");
  ASSERT_TRUE(finished(e.hash));
  EXPECT_EQ(status(e.hash)["state"].toString(), "done");
  EXPECT_EQ(status(e.hash)["progress"].toInt(), 1000);
  const QString name = QString::fromStdString(e.name);
  EXPECT_EQ(read_all(media() + "/" + name),
            QByteArray::fromStdString(http_get(site.port(), "/qvod/" + e.hash + "/x").body));
  EXPECT_FALSE(QFile::exists(media() + "/" + name + ".!mv"));
  EXPECT_EQ(QDir(media()).entryList(QDir::Files), QStringList{name});
}

TEST_F(Terminal, StreamsWithRangesAsHttpSays) {
  launch();
  const Item e = episode(1009, 0);
  start(e.address);
  const std::string whole = http_get(site.port(), "/qvod/" + e.hash + "/x").body;
  const std::string path = "/stream/" + e.hash + "/a.rmvb";
  auto r = get(path, {{"Range", "bytes=0-"}});
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 206);
  EXPECT_EQ(r->body, whole);
  r = get(path, {{"Range", "bytes=-100"}});
  EXPECT_EQ(r->body, whole.substr(whole.size() - 100));
  r = get(path, {{"Range", "bytes=" + std::to_string(e.size - 10) + "-" + std::to_string(e.size + 500)}});
  EXPECT_EQ(r->get_header_value("Content-Range"),
            "bytes " + std::to_string(e.size - 10) + "-" + std::to_string(e.size - 1) + "/" + std::to_string(e.size));
  r = get(path, {{"Range", "bytes=" + std::to_string(e.size) + "-"}});
  EXPECT_EQ(r->status, 416);
  EXPECT_EQ(r->get_header_value("Content-Range"), "bytes */" + std::to_string(e.size));
}

TEST_F(Terminal, APlayerJumpingAheadIsServedBeforeTheDownloadGetsThere) {
  launch();
  const Item e = episode(1012, 0);
  const std::string whole = http_get(site.port(), "/qvod/" + e.hash + "/x").body;
  site.control("delay_ms=2000");  // the download's answer will be late
  start(e.address);
  const std::string download_path =
      "path=" + QUrl::toPercentEncoding(QString::fromStdString("/qvod/" + e.hash + "/" + e.name)).toStdString();
  ASSERT_TRUE(wait_until([&] { return !site.control(download_path, "/_control/requests").empty(); }));
  site.control("delay_ms=0");
  const int64_t at = e.size - 4096;
  auto r = get("/stream/" + e.hash + "/x", {{"Range", "bytes=" + std::to_string(at) + "-"}});
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 206);
  EXPECT_EQ(r->body, whole.substr(at));
  EXPECT_EQ(status(e.hash)["state"].toString(), "downloading");  // answered ahead of the download
  EXPECT_TRUE(finished(e.hash));
}

TEST_F(Terminal, RefusesRequestsWithoutTheTokenOrFromWebPages) {
  launch();
  for (const auto& [headers, with_token] :
       std::vector<std::pair<httplib::Headers, bool>>{{{}, false},
                                                      {{{"X-Qvod-Token", "wrong"}}, false},
                                                      {{{"Host", "evil.example:80"}}, true},
                                                      {{{"Origin", "http://evil.example"}}, true}}) {
    auto r = get("/status?hash=0", headers, with_token);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 403);
  }
  httplib::Client c("127.0.0.1", port);
  auto head = c.Head("/stream/0123456789012345678901234567890123456789/x");
  ASSERT_TRUE(head);
  EXPECT_EQ(head->status, 403);
  EXPECT_EQ(get("/status?hash=0")->status, 404);  // with the token it is heard
}

TEST_F(Terminal, BadAddressesFailWithAReasonAndWriteNothingOutside) {
  launch();
  const Item e = episode(1003, 0);
  const std::string size = std::to_string(e.size);
  for (const std::string& bad :
       {std::string("http://x/a.mp4"), "qvod://" + size + "|XYZ|a.rmvb|",
        "qvod://" + size + "|" + e.hash + "|../escape.rmvb|", "qvod://" + size + "|" + e.hash + "|a/b.rmvb|",
        "qvod://" + size + "|" + e.hash + "|a\\b.rmvb|", "qvod://0|" + e.hash + "|a.rmvb|"}) {
    const QJsonObject o = start(bad);
    EXPECT_EQ(o["state"].toString(), "failed") << bad;
    EXPECT_FALSE(o["reason"].toString().isEmpty()) << bad;
  }
  EXPECT_FALSE(QFile::exists(folder.file("escape.rmvb")));
  EXPECT_TRUE(QDir(media()).entryList(QDir::Files).isEmpty());
}

TEST_F(Terminal, SourcesThatDoNotMatchTheAddressNeverGiveAFinishedFile) {
  launch();
  const Item e = episode(1003, 0);
  // Wrong size: the source sends more than the address says.
  const std::string small = "qvod://" + std::to_string(e.size - 1000) + "|" + e.hash + "|small.rmvb|";
  start(small);
  ASSERT_TRUE(finished(e.hash));
  EXPECT_EQ(status(e.hash)["state"].toString(), "failed");
  EXPECT_TRUE(status(e.hash)["reason"].toString().contains("大小"));
  // Unknown at the source: 404.
  const std::string unknown = "qvod://100|0123456789012345678901234567890123456789|none.rmvb|";
  start(unknown);
  ASSERT_TRUE(finished("0123456789012345678901234567890123456789"));
  EXPECT_TRUE(status("0123456789012345678901234567890123456789")["reason"].toString().contains("404"));
  EXPECT_FALSE(QFile::exists(media() + "/small.rmvb"));
  EXPECT_FALSE(QFile::exists(media() + "/none.rmvb"));
}

TEST_F(Terminal, CorruptBytesFailTheHashCheck) {
  const Item e = episode(1003, 0);
  const Item other = episode(1003, 1);
  configure(site.base() + "/qvod/" + QString::fromStdString(other.hash) + "/{name}");  // serves other bytes
  launch();
  const std::string lying = "qvod://" + std::to_string(other.size) + "|" + e.hash + "|lying.rmvb|";
  start(lying);
  ASSERT_TRUE(finished(e.hash));
  EXPECT_EQ(status(e.hash)["state"].toString(), "failed");
  EXPECT_TRUE(status(e.hash)["reason"].toString().contains("校验"));
  EXPECT_TRUE(QDir(media()).entryList(QDir::Files).isEmpty());
}

// The item's download breaks off half-way (every answer does), the terminal is killed, and the
// next terminal finishes it with the source serving as `media_then` says: the whole item, verified.
void Terminal::resume_after_a_kill(const Item& e, const std::string& media_then) {
  site.control("media=drop");
  launch();
  start(e.address);
  ASSERT_TRUE(finished(e.hash));
  const qint64 got = QFileInfo(media() + "/" + QString::fromStdString(e.name) + ".!mv").size();
  EXPECT_GT(got, 0);
  EXPECT_LT(got, e.size);
  halt(SIGKILL);
  site.control("media=" + media_then);
  launch();
  start(e.address);
  ASSERT_TRUE(finished(e.hash));
  EXPECT_EQ(status(e.hash)["state"].toString(), "done");
  EXPECT_EQ(read_all(media() + "/" + QString::fromStdString(e.name)),
            QByteArray::fromStdString(http_get(site.port(), "/qvod/" + e.hash + "/x").body));
}

TEST_F(Terminal, AKilledDownloadResumesWhereItStopped) { resume_after_a_kill(episode(1004, 0), "normal"); }

// Pieces of every size through the chunked framing, resumed after a kill: the hash taken while
// writing (from the partial's bytes, then the new ones) still checks out.
TEST_F(Terminal, AChunkedSourceIsReadByItsChunksAndResumes) { resume_after_a_kill(episode(1005, 0), "chunked"); }

TEST_F(Terminal, AFullDiskFailsTheTaskWithItsReason) {
  terminal.file_size_limit = 64 * 1024;  // every write past 64 KB fails, as on a full disk
  launch();
  const Item e = episode(1003, 1);
  start(e.address);
  ASSERT_TRUE(finished(e.hash));
  EXPECT_EQ(status(e.hash)["state"].toString(), "failed");
  EXPECT_TRUE(status(e.hash)["reason"].toString().contains("磁盘已满"));
  EXPECT_FALSE(QFile::exists(media() + "/" + QString::fromStdString(e.name)));
}

// The download folder is the user's too: a file the terminal did not make for an item is never
// deleted or overwritten, and an item is found by its hash, not its name.
TEST_F(Terminal, AUsersFileWithAnItemsNameIsNeverTouched) {
  const Item e = episode(1003, 0);
  const QString name = QString::fromStdString(e.name);
  QDir().mkpath(media());
  const QByteArray mine(e.size, 'u');  // the same size, other bytes
  write_all(media() + "/" + name, mine);
  write_all(media() + "/" + name + ".!mv", "someone's partial");
  launch();
  start(e.address);
  ASSERT_TRUE(finished(e.hash));
  EXPECT_EQ(status(e.hash)["state"].toString(), "done");
  EXPECT_EQ(read_all(media() + "/" + name), mine);
  EXPECT_EQ(read_all(media() + "/" + name + ".!mv"), "someone's partial");
  const std::string whole = http_get(site.port(), "/qvod/" + e.hash + "/x").body;
  const QString copy = media() + "/" + terminal::numbered_name(name, 2);
  EXPECT_EQ(read_all(copy), QByteArray::fromStdString(whole));
  EXPECT_EQ(get("/stream/" + e.hash + "/x")->body, whole);
}

TEST_F(Terminal, TwoItemsWithOneNameEachKeepTheirOwnBytes) {
  const Item a = episode(1003, 0), b = episode(1003, 1);
  launch();
  for (const Item& i : {a, b}) start("qvod://" + std::to_string(i.size) + "|" + i.hash + "|同名.rmvb|");
  ASSERT_TRUE(finished(a.hash));
  ASSERT_TRUE(finished(b.hash));
  for (const Item& i : {a, b}) {
    EXPECT_EQ(status(i.hash)["state"].toString(), "done");
    EXPECT_EQ(get("/stream/" + i.hash + "/x")->body, http_get(site.port(), "/qvod/" + i.hash + "/x").body);
  }
  EXPECT_EQ(QDir(media()).entryList(QDir::Files).size(), 2);
  // After a restart each is found again by its hash, without a download.
  halt();
  launch();
  for (const Item& i : {a, b}) {
    start("qvod://" + std::to_string(i.size) + "|" + i.hash + "|同名.rmvb|");
    ASSERT_TRUE(finished(i.hash));
    EXPECT_EQ(get("/stream/" + i.hash + "/x")->body, http_get(site.port(), "/qvod/" + i.hash + "/x").body);
  }
}

TEST_F(Terminal, AFinishedFileOfTheItemFromBeforeIsTakenOver) {
  const Item e = episode(1009, 0);
  QDir().mkpath(media());
  write_all(media() + "/" + QString::fromStdString(e.name),
            QByteArray::fromStdString(http_get(site.port(), "/qvod/" + e.hash + "/x").body));
  launch();
  start(e.address);
  ASSERT_TRUE(finished(e.hash));
  EXPECT_EQ(status(e.hash)["state"].toString(), "done");
  EXPECT_EQ(QDir(media()).entryList(QDir::Files), QStringList{QString::fromStdString(e.name)});
  EXPECT_TRUE(
      site.control(
              "path=" + QUrl::toPercentEncoding(QString::fromStdString("/qvod/" + e.hash + "/" + e.name)).toStdString(),
              "/_control/requests")
          .empty());
}

TEST_F(Terminal, APartialLongerThanItsItemStartsOver) {
  site.control("media=drop");
  launch();
  const Item e = episode(1004, 1);
  start(e.address);
  ASSERT_TRUE(finished(e.hash));
  halt();
  const QString partial = media() + "/" + QString::fromStdString(e.name) + ".!mv";
  ASSERT_TRUE(QFile::exists(partial));
  QFile f(partial);
  ASSERT_TRUE(f.open(QIODevice::Append));
  f.write(QByteArray(e.size, 'x'));  // now longer than the item can be
  f.close();
  site.control("media=normal");
  launch();
  start(e.address);
  ASSERT_TRUE(finished(e.hash));
  EXPECT_EQ(status(e.hash)["state"].toString(), "done");
  EXPECT_EQ(read_all(media() + "/" + QString::fromStdString(e.name)),
            QByteArray::fromStdString(http_get(site.port(), "/qvod/" + e.hash + "/x").body));
}

TEST_F(Terminal, ASourceThatIsNotTheAddressesSizeFailsAtOnceWithItsReason) {
  launch();
  const Item e = episode(1003, 0);
  start("qvod://" + std::to_string(e.size + 1000) + "|" + e.hash + "|bigger.rmvb|");  // the source has less
  ASSERT_TRUE(finished(e.hash));
  EXPECT_EQ(status(e.hash)["state"].toString(), "failed");
  EXPECT_TRUE(status(e.hash)["reason"].toString().contains("片源大小不符"))
      << status(e.hash)["reason"].toString().toStdString();
  const Item f = episode(1009, 0);
  site.control("media=truncate");  // the source says (and sends) half
  start(f.address);
  ASSERT_TRUE(finished(f.hash));
  EXPECT_TRUE(status(f.hash)["reason"].toString().contains("片源大小不符"));
  EXPECT_LE(
      QString::fromStdString(
          site.control(
              "path=" + QUrl::toPercentEncoding(QString::fromStdString("/qvod/" + f.hash + "/" + f.name)).toStdString(),
              "/_control/requests"))
          .count('\n'),
      1);  // no retries
}

TEST_F(Terminal, AVeryLongNameIsShortenedKeepingItsExtension) {
  launch();
  const Item e = episode(1003, 0);
  const QString longest = QString(84, QChar(0x5267)) + ".rmvb";  // 257 bytes
  start("qvod://" + std::to_string(e.size) + "|" + e.hash + "|" + longest.toStdString() + "|");
  ASSERT_TRUE(finished(e.hash));
  EXPECT_EQ(status(e.hash)["state"].toString(), "done");
  const QStringList files = QDir(media()).entryList(QDir::Files);
  ASSERT_EQ(files.size(), 1);
  EXPECT_TRUE(files[0].endsWith(".rmvb"));
  EXPECT_LE(files[0].toUtf8().size() + 4, 255);
}

// Range headers are looked at only once the token is, and as HTTP says: units in any letter case,
// another unit or nonsense ignored, a start past the end unsatisfiable.
TEST_F(Terminal, RangesAfterTheTokenAndAsHttpSays) {
  launch();
  const Item e = episode(1009, 0);
  start(e.address);
  const std::string path = "/stream/" + e.hash + "/x";
  for (const char* bad : {"bytes=abc", "items=0-5", "bytes=5-2", "bytes=--1"}) {
    auto r = get(path, {{"Range", bad}}, false);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 403) << bad;
  }
  const std::string whole = http_get(site.port(), "/qvod/" + e.hash + "/x").body;
  for (const char* ignored : {"bytes=abc", "items=0-5", "bytes=5-2", "bytes=0-1,5-6"}) {
    auto r = get(path, {{"Range", ignored}});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200) << ignored;
    EXPECT_EQ(r->body.size(), whole.size()) << ignored;
  }
  auto r = get(path, {{"Range", "BYTES=0-9"}});
  EXPECT_EQ(r->status, 206);
  EXPECT_EQ(r->body, whole.substr(0, 10));
  r = get(path, {{"Range", "bytes=" + std::to_string(e.size + 5) + "-"}});
  EXPECT_EQ(r->status, 416);
  EXPECT_EQ(r->get_header_value("Content-Range"), "bytes */" + std::to_string(e.size));
}

TEST(QvodAddress, NamesThatAreNotValidTextAreRefused) {
  const QString hash(40, 'A');
  EXPECT_TRUE(terminal::parse_qvod("qvod://10|" + hash + "|好.rmvb|"));
  EXPECT_FALSE(terminal::parse_qvod("qvod://10|" + hash + "|a" + QChar(0xD800) + ".rmvb|"));
  EXPECT_FALSE(terminal::parse_qvod("qvod://10|" + hash + "|a" + QChar(0xDC00) + "b.rmvb|"));
}

TEST_F(Terminal, OnePerUser) {
  launch();
  QProcess second;
  second.start(terminal.program, {});
  ASSERT_TRUE(second.waitForFinished(5000));
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_EQ(terminal.process.state(), QProcess::Running);
  EXPECT_EQ(get("/status?hash=0")->status, 404);  // the first still answers
}

// A terminal killed outright leaves its state file behind, naming a port anything may hold by now:
// the file names no terminal, and a new one starts and takes its place.
TEST_F(Terminal, TheStateFileOfAKilledTerminalNamesNone) {
  launch();
  const QByteArray left = read_all(terminal.state_file());
  halt(SIGKILL);
  ASSERT_EQ(read_all(terminal.state_file()), left);
  int port_read = 0;
  QString token_read;
  EXPECT_FALSE(engine::TerminalClient().read_state(port_read, token_read));
  EXPECT_FALSE(engine::TerminalClient().running());
  launch();
  EXPECT_TRUE(engine::TerminalClient().read_state(port_read, token_read));
  EXPECT_EQ(port_read, port);
}

// Every request is let in by the token alone: a system that gives no random bytes gives no server.
TEST(TerminalToken, WithoutRandomBytesTheTerminalDoesNotStartAndSaysWhy) {
  QTemporaryDir media;
  terminal::TerminalServer none(media.path(), {}, [] { return std::string(); });
  EXPECT_EQ(none.start(0), -1);
  EXPECT_TRUE(none.why().contains("token")) << none.why().toStdString();
  const std::string token = terminal::random_token();
  EXPECT_EQ(token.size(), 48u);
  EXPECT_NE(token, terminal::random_token());
}

}  // namespace
