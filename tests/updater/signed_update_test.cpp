// The release key: lists and the updater taken only when the release signed them, and never an
// older list than the version installed.
#include <gtest/gtest.h>
#include <sodium.h>
#include <QCryptographicHash>
#include <QFile>

#include "updater/release_key.h"
#include "updater/updater_fixture.h"

namespace {

QByteArray sign(const QByteArray& message) {
  QFile file(QStringLiteral(MORVANE_RELEASE_TEST_KEY));
  const QByteArray key = file.open(QIODevice::ReadOnly) ? QByteArray::fromHex(file.readAll().trimmed()) : QByteArray();
  if (key.size() != crypto_sign_SECRETKEYBYTES || sodium_init() < 0) return {};
  QByteArray sig(crypto_sign_BYTES, '\0');
  crypto_sign_detached(reinterpret_cast<unsigned char*>(sig.data()), nullptr,
                       reinterpret_cast<const unsigned char*>(message.constData()), message.size(),
                       reinterpret_cast<const unsigned char*>(key.constData()));
  return sig;
}

QString sha256(const QByteArray& bytes) { return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex(); }

TEST(ReleaseKey, SignaturesAndVersions) {
  if (!updater::release_key_configured()) GTEST_SKIP() << "built without a release key";
  const QByteArray list = "h/vexa/sj.txt|V2|0|a|" + sha256("a").toUtf8();
  const QByteArray sig = sign(list);
  EXPECT_TRUE(updater::signed_by_release(list, sig));
  EXPECT_TRUE(updater::signed_by_release(list, "  " + sig.toHex() + "\n"));
  EXPECT_FALSE(updater::signed_by_release(list + "\n", sig));             // one byte more
  EXPECT_FALSE(updater::signed_by_release(list, sig.toHex().left(127)));  // cut
  EXPECT_FALSE(updater::signed_by_release(list, QByteArray(64, '\0')));
  EXPECT_FALSE(updater::signed_by_release(list, {}));
  QByteArray flipped = sig;
  flipped[10] = flipped[10] ^ 1;
  EXPECT_FALSE(updater::signed_by_release(list, flipped));

  EXPECT_LT(updater::compare_versions("V1.2.4", "V1.10"), 0);
  EXPECT_GT(updater::compare_versions("V2.0", "V1.2.4"), 0);
  EXPECT_EQ(updater::compare_versions("V1.2", "V1.2.0"), 0);
  bool comparable = true;
  updater::compare_versions("latest", "V1.2.4", &comparable);
  EXPECT_FALSE(comparable);
}

class SignedUpdater : public Updater {
 protected:
  SignedUpdater() : Updater(QStringLiteral(MORVANE_BIN "/selfmend")) {}
  void SetUp() override {
    if (!updater::release_key_configured()) GTEST_SKIP() << "built without a release key";
    Updater::SetUp();
  }
  int fetched(const std::string& name) {
    const std::string lines = site.control("path=/vexa/" + name, "/_control/requests");
    return static_cast<int>(std::count(lines.begin(), lines.end(), '\n'));
  }
};

TEST_F(SignedUpdater, ASignedListWithSumsInstalls) {
  stage("{host}/vexa/sj.txt|V2.0|0|muban.htm|" + sha256("new template"), {{"muban.htm", "new template"}});
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(read_all(folder.file("muban.htm")), "new template");
  EXPECT_EQ(setting(config::kVersion), "V2.0");
}

TEST_F(SignedUpdater, WhatTheReleaseDidNotSignIsNotFetched) {
  const auto before = program_files();
  const QString installed = setting(config::kVersion);
  ASSERT_EQ(installed, "V1.2.4");
  const QString sum = sha256("new template");
  struct Case {
    const char* what;
    QString list;
    QByteArray signature;  // staged as sj.txt.sig; null: the site signs what it serves
  };
  const QString host = "127.0.0.1:" + QString::number(site.port());
  const QString good = host + "/vexa/sj.txt|V3|0|muban.htm|" + sum;
  const Case cases[] = {
      {"no signature", good, ""},
      {"wrong signature", good, QByteArray(128, 'a')},
      {"signature of another list", good, sign((host + "/vexa/sj.txt|V3|0|other.htm|" + sum).toUtf8()).toHex()},
      {"list grown after signing", good + "\n", sign(good.toUtf8()).toHex()},
      {"signed without sums", host + "/vexa/sj.txt|V3|0|muban.htm", {}},
      {"signed with a note for sums", host + "/vexa/sj.txt|V3|0|muban.htm|发布说明", {}},
      {"signed with a short sum", host + "/vexa/sj.txt|V3|0|muban.htm|" + sum.left(63), {}},
      {"older list replayed", host + "/vexa/sj.txt|V1.0|0|muban.htm|" + sum, {}},
      {"version without a number", host + "/vexa/sj.txt|latest|0|muban.htm|" + sum, {}},
  };
  for (const Case& c : cases) {
    QFile::remove(folder.file("dialogs.txt"));
    QFile::remove(release.path() + "/sj.txt.sig");
    if (!c.signature.isNull()) write_all(release.path() + "/sj.txt.sig", c.signature);
    site.control("reset=1");
    stage(c.list, {{"muban.htm", "new template"}});
    EXPECT_EQ(run(), 1) << c.what;
    EXPECT_EQ(dialogs(), QStringList{failed}) << c.what;
    EXPECT_EQ(fetched("muban.htm"), 0) << c.what;
    EXPECT_EQ(program_files(), before) << c.what;
    EXPECT_EQ(setting(config::kVersion), installed) << c.what;
  }
}

// A signed list is trusted for its sums only: a file changed on the way is refused.
TEST_F(SignedUpdater, AFileThatIsNotTheSignedOneIsNotInstalled) {
  const auto before = program_files();
  stage("{host}/vexa/sj.txt|V3|0|muban.htm|" + sha256("new template"), {{"muban.htm", "new templatf"}});
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(program_files(), before);
}

}  // namespace
