#include <gtest/gtest.h>
#include <QApplication>
#include <cstdio>
#include <memory>

#include "platform/dialogs.h"
#include "platform/system_commands.h"
#include "support/program_folder.h"
#include "support/test_session.h"

namespace {
// No test may wait on a modal box: one that a test did not script is answered and reported.
class UnexpectedDialogs : public platform::Dialogs {
 public:
  platform::Answer message(const QString& text, const QString& title, platform::Buttons) override {
    ADD_FAILURE() << "unexpected message box: " << title.toStdString() << " | " << text.toStdString();
    return platform::Answer::Ok;
  }
  QString open_file(const QString&) override {
    ADD_FAILURE() << "unexpected file dialog";
    return {};
  }
  QString pick_folder(const QString&) override {
    ADD_FAILURE() << "unexpected folder picker";
    return {};
  }
};
// No test may power the machine off: a command that a test did not expect is reported.
class UnexpectedCommands : public platform::SystemCommands {
 public:
  void schedule_power_off(int) override { ADD_FAILURE() << "unexpected power-off"; }
  void cancel_power_off() override {}
};

std::unique_ptr<session::Session> running_session;

// A session of its own for every test, made before the test's fixture and ended after it.
class SessionPerTest : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { running_session = std::make_unique<session::Session>(); }
  void OnTestEnd(const ::testing::TestInfo&) override { running_session.reset(); }
};
}  // namespace

session::Session& test_session() { return *running_session; }

int main(int argc, char** argv) {
  use_test_environment();
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new SessionPerTest);
  UnexpectedDialogs unexpected;
  platform::set_dialogs(&unexpected);
  UnexpectedCommands no_power_off;
  platform::set_system_commands(&no_power_off);
  return RUN_ALL_TESTS();
}
