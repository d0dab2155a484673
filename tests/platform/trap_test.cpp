// A failure that escapes an event handler ends neither the client nor the updater: it is logged.
#include <gtest/gtest.h>

#include "support/child.h"
#include "support/program_folder.h"

namespace {

TEST(ErrorTrap, AFailureInAnEventHandlerIsLoggedAndTheProgramGoesOn) {
  ProgramFolder folder(false);
  const QString probe = copy_program(ProgramFolder::test_tool("morvane_probe"), folder.path(), "probe");
  const auto r = run_child(probe, {"throw_in_handler"});
  EXPECT_FALSE(r.crashed) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("survived")) << r.out.toStdString();
  EXPECT_TRUE(folder.log_text().contains("a step that fails")) << folder.log_text().toStdString();
}

}  // namespace
