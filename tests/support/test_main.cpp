#include <QApplication>
#include <cstdio>
#include <gtest/gtest.h>

#include "platform/dialogs.h"
#include "support/program_folder.h"

namespace {
// No test may wait on a modal box: one that a test did not script is answered and reported.
class UnexpectedDialogs : public platform::Dialogs {
 public:
  platform::Answer message(const QString& text, const QString& title, platform::Buttons) override {
    ADD_FAILURE() << "unexpected message box: " << title.toStdString() << " | " << text.toStdString();
    return platform::Answer::Ok;
  }
};
}  // namespace

int main(int argc, char** argv) {
  use_test_environment();
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  UnexpectedDialogs unexpected;
  platform::set_dialogs(&unexpected);
  return RUN_ALL_TESTS();
}
