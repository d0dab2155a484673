#include <gtest/gtest.h>

#include "catalog/commands.h"

using namespace catalog;

namespace {

const QString kBase = "http://127.0.0.1:8610";

TEST(DetailPaneCommands, AcmFormsAndEpisodeLinks) {
  auto d = decode_detail_pane("file:///opt/m/acm=12%7C0");
  ASSERT_TRUE(d.cancel);
  ASSERT_EQ(d.commands.size(), 1u);
  EXPECT_EQ(d.commands[0].kind, Command::ShowEpisodes);
  EXPECT_EQ(d.commands[0].id, 12);
  EXPECT_EQ(d.commands[0].order, 0);
  d = decode_detail_pane("file:///opt/m/acm=12|1");
  EXPECT_EQ(d.commands[0].order, 1);
  d = decode_detail_pane("file:///opt/m/acm=7|3");
  EXPECT_EQ(d.commands[0].kind, Command::RefreshDetail);
  d = decode_detail_pane("file:///opt/m/acm=x|5");  // play-newest does not read the id
  EXPECT_EQ(d.commands[0].kind, Command::PlayLoaded);
  EXPECT_EQ(d.commands[0].order, 1);
  d = decode_detail_pane("qvod://1%7CHASH%7Ca.rmvb%7C%7C@12/");
  ASSERT_TRUE(d.cancel);
  EXPECT_EQ(d.commands[0].kind, Command::PlayEpisodeLink);
  EXPECT_EQ(d.commands[0].address, "qvod://1|HASH|a.rmvb||@12/");
  EXPECT_FALSE(decode_detail_pane("http://127.0.0.1/page.html").cancel);
  // The browser writes the detailID after "@" as a host: an IPv4 address.
  EXPECT_EQ(decode_detail_pane("qvod://1%7CHASH%7Ca.rmvb%7C%7C@0.0.4.210").commands[0].address,
            "qvod://1|HASH|a.rmvb||@1234");
  EXPECT_EQ(decode_detail_pane("qvod://1%7CHASH%7Ca.rmvb%7C%7C@0.0.0.12/").commands[0].address,
            "qvod://1|HASH|a.rmvb||@12/");
}

TEST(DetailPaneCommands, MalformedOnesAreCancelledAndDoNothing) {
  for (const char* a : {"file:///m/acm=12|2", "file:///m/acm=12%7c0", "file:///m/acm=12", "file:///m/acm=abc|0",
                        "file:///m/acm=99999999999|3", "file:///m/acm=|1"}) {
    const auto d = decode_detail_pane(a);
    EXPECT_TRUE(d.cancel) << a;
    EXPECT_TRUE(d.commands.empty()) << a;
  }
  // A second "acm=" ends the first command.
  const auto d = decode_detail_pane("file:///m/acm=3|0acm=4|1");
  ASSERT_EQ(d.commands.size(), 1u);
  EXPECT_EQ(d.commands[0].id, 3);
}

TEST(CataloguePaneCommands, TitlesPlaysAndTabs) {
  auto d = decode_catalogue_pane(kBase + "/?act=tarvex%7C1001", kBase);
  ASSERT_TRUE(d.cancel);
  ASSERT_EQ(d.commands.size(), 1u);
  EXPECT_EQ(d.commands[0].kind, Command::OpenTitle);
  EXPECT_EQ(d.commands[0].id, 1001);
  d = decode_catalogue_pane(kBase + "/?act=tarvexz|1001|1", kBase);
  EXPECT_EQ(d.commands[0].kind, Command::PlayTitle);
  EXPECT_EQ(d.commands[0].order, 1);
  d = decode_catalogue_pane(kBase + "/?act=tarvexd|2", kBase);
  EXPECT_EQ(d.commands[0].kind, Command::ListTab);
  EXPECT_EQ(d.commands[0].id, 2);
  EXPECT_FALSE(decode_catalogue_pane(kBase + "/kolbet/l_indexss.php?bsn=1&cat=12", kBase).cancel);
  for (const QString& bad : {kBase + "/?act=tarvexz|1001|2", kBase + "/?act=tarvexz|1001", kBase + "/?act=tarvexd|x",
                             kBase + "/?act=tarvex|1001 or 1=1", QString("http://elsewhere/?act=tarvex|1001"),
                             kBase + "/?act=tarvexd|4294967297"}) {
    d = decode_catalogue_pane(bad, kBase);
    EXPECT_TRUE(d.cancel) << bad.toStdString();
    EXPECT_TRUE(d.commands.empty()) << bad.toStdString();
  }
}

TEST(SecondPaneCommands, RecordAndPlayOrRecordOnly) {
  auto d = decode_second_pane(kBase + "/AAA/qvod://1%7CH%7Ca.rmvb%7C");
  ASSERT_EQ(d.commands.size(), 1u);
  EXPECT_EQ(d.commands[0].kind, Command::RecordAndPlay);
  EXPECT_EQ(d.commands[0].address, "qvod://1|H|a.rmvb|");
  d = decode_second_pane(kBase + "/BBB/qvod://1|H|a.rmvb|");
  EXPECT_EQ(d.commands[0].kind, Command::Record);
  EXPECT_FALSE(decode_second_pane(kBase + "/mark_2.asp").cancel);
}

}  // namespace
