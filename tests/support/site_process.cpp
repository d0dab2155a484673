#include "support/site_process.h"

#include "support/child.h"

#include <QFile>

#include <gtest/gtest.h>
#include <httplib.h>

SiteProcess::SiteProcess(const QStringList& extra_args) {
  process_.setProcessChannelMode(QProcess::SeparateChannels);
  end_with_parent(process_);
  QStringList args{"--port", "0", "--data", QStringLiteral(MORVANE_TEST_HOME "/site-data")};
  // The site signs its release files with the build's test key, as a release's site would.
  if (QFile::exists(QStringLiteral(MORVANE_RELEASE_TEST_KEY)))
    args << "--sign-key" << QStringLiteral(MORVANE_RELEASE_TEST_KEY);
  process_.start(QStringLiteral(MORVANE_SITE_BIN), args + extra_args);
  // The first start of a build tree makes the media clips: give it time.
  const bool started = process_.waitForStarted() && process_.waitForReadyRead(180000);
  port_ = started ? process_.readLine().trimmed().toInt() : 0;
  EXPECT_GT(port_, 0) << process_.readAllStandardError().toStdString();
}

SiteProcess::~SiteProcess() {
  process_.terminate();
  if (!process_.waitForFinished(5000)) process_.kill();
}

std::string SiteProcess::control(const std::string& query, const std::string& path) const {
  return http_get(port_, path + "?" + query).body;
}

std::string HttpAnswer::header(const std::string& name) const {
  const std::string key = name + ": ";
  for (size_t at = 0; at < headers.size();) {
    const size_t end = headers.find('\n', at);
    const std::string line = headers.substr(at, end - at);
    if (strncasecmp(line.c_str(), key.c_str(), key.size()) == 0) return line.substr(key.size());
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return {};
}

HttpAnswer http_get(int port, const std::string& path, const std::string& range) {
  httplib::Client client("127.0.0.1", port);
  client.set_read_timeout(30, 0);
  httplib::Headers headers;
  if (!range.empty()) headers.emplace("Range", range);
  HttpAnswer answer;
  auto res = client.Get(path.c_str(), headers);
  if (!res) return answer;
  answer.status = res->status;
  answer.body = res->body;
  for (const auto& [k, v] : res->headers) answer.headers += k + ": " + v + "\n";
  return answer;
}
