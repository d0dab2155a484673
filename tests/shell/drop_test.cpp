// Files and addresses dropped on the client's window play as if opened, through the window's own
// drop handling.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "desktop/handed_addresses.h"
#include "player/kandor.h"
#include "shell/main_window.h"
#include "store/connection.h"
#include "support/db_rows.h"
#include "support/program_folder.h"
#include "support/test_session.h"
#include "support/wait.h"

namespace {

// Drags the data onto the middle of the window and lets it go there; whether the window took it.
bool drop_on(QWidget* window, QMimeData* data) {
  const QPointF middle(window->width() / 2.0, window->height() / 2.0);
  QDragEnterEvent enter(middle.toPoint(), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(middle, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window, &drop);
  return drop.isAccepted();
}

class Drop : public ::testing::Test {
 protected:
  void TearDown() override {
    window.reset();
    store::shared_connection().close();
  }
  ProgramFolder folder{true, true};
  std::unique_ptr<shell::MainWindow> window = std::make_unique<shell::MainWindow>(test_session());
};

TEST_F(Drop, DroppedFilesPlayAsAPlayList) {
  write_all(folder.file("a.mp4"), "not really a film");
  write_all(folder.file("b.mkv"), "nor this");
  window->show();
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile(folder.file("a.mp4")), QUrl::fromLocalFile(folder.file("b.mkv"))});
  ASSERT_TRUE(drop_on(window.get(), &files));
  EXPECT_EQ(window->kandor()->furl(), folder.file("a.mp4"));
  EXPECT_EQ(window->session().play.play_list, folder.file("a.mp4") + "@@@" + folder.file("b.mkv"));
  EXPECT_EQ(column("select * from hist where keyID=0", "hist_url"), QStringList{folder.file("a.mp4")});
}

TEST_F(Drop, AnAddressDroppedAsTextPlaysAndOtherTextIsRefused) {
  window->show();
  QMimeData words;
  words.setText("just some words");
  EXPECT_FALSE(drop_on(window.get(), &words));
  QMimeData address;
  address.setText("qvod://5|4E25E28EB34DC74881E46F90F0F5F7E705FECEF8|a.rmvb|\n");
  ASSERT_TRUE(drop_on(window.get(), &address));
  EXPECT_EQ(window->kandor()->furl(), "qvod://5|4E25E28EB34DC74881E46F90F0F5F7E705FECEF8|a.rmvb|");
}

// The command line as a desktop gives it: relative paths from the starting folder, file:// as a
// path, addresses as they are, options left out.
TEST(HandedAddresses, ArgumentsBecomeAddresses) {
  EXPECT_EQ(desktop::addresses_from_arguments({"film.mp4", "../b/./c.mkv", "/abs/d.avi", "file:///m/%E7%89%87%20a.mp4",
                                               "-platform", "http://h/x.mp4", "qvod://1|H|n|", "C:\\v\\e.rmvb", " "},
                                              "/home/u/视频"),
            QStringList({"/home/u/视频/film.mp4", "/home/u/b/c.mkv", "/abs/d.avi", "/m/片 a.mp4", "http://h/x.mp4",
                         "qvod://1|H|n|", "C:\\v\\e.rmvb"}));
}

}  // namespace
