#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QProcess>
#include <QTemporaryDir>

#include "platform/processes.h"
#include "support/child.h"

namespace {

TEST(ImageNames, CompareWithoutCaseAndExe) {
  EXPECT_TRUE(platform::image_name_matches("QvodTerminal", "qvodterminal.exe"));
  EXPECT_TRUE(platform::image_name_matches("vexa", "VEXA.exe"));
  EXPECT_TRUE(platform::image_name_matches("vexa.exe", "vexa"));
  EXPECT_FALSE(platform::image_name_matches("vexa2", "vexa.exe"));
  EXPECT_FALSE(platform::image_name_matches("", ".exe"));
}

TEST(UserProcesses, FindsAChildUnderItsImageName) {
  QTemporaryDir dir;
  const QString name = QStringLiteral("mvproc-%1").arg(getpid());
  QProcess child;
  child.start(copy_program("/bin/sleep", dir.path(), name), {"30"});
  ASSERT_TRUE(child.waitForStarted());
  bool found = false;
  for (const auto& p : platform::user_processes())
    if (p.pid == child.processId()) found = p.image == name;
  EXPECT_TRUE(found);
  child.kill();
  child.waitForFinished();
}

}  // namespace
