// The player's bar in the real main window under an X server, clicked and dragged with the X
// server's own pointer (xdotool) as a user's mouse would.
#include <gtest/gtest.h>
#include <QLabel>
#include <QMenu>
#include <QProcess>

#include "catalog/client_window.h"
#include "config/settings.h"
#include "engine/mpv_engine.h"
#include "player/bar_widgets.h"
#include "player/kandor.h"

namespace {

class Bar : public ClientWindow {
 protected:
  void SetUp() override {
    ClientWindow::SetUp();
    before_load = [](shell::MainWindow* w) {
      w->kandor()->set_engine_factory([](QWidget*) { return std::make_unique<engine::MpvEngine>(nullptr, true); });
    };
    start();
    window->move(0, 0);
    kandor = window->kandor();
    settle(300);
  }
  // The pointer of the X server: moved to a point of a widget, then these button actions there.
  void pointer(QWidget* w, QPoint at, const QStringList& actions) {
    const QPoint p = w->mapToGlobal(at);
    QStringList args{"mousemove", QString::number(p.x()), QString::number(p.y())};
    if (!actions.isEmpty()) args << actions;
    ASSERT_EQ(QProcess::execute("xdotool", args), 0);
    settle(150);
  }
  QWidget* part(const char* name, int index = -1) { return kandor->part(name, index); }
  int stored_volume() { return config::setting_access(0, {}, config::kVolume).toInt(); }
  // Two parts of the bar overlap (hidden ones take no room).
  static bool overlap(QWidget* a, QWidget* b) {
    return a->isVisible() && b->isVisible() && a->geometry().intersects(b->geometry());
  }
  void shoot(const QString& name) {
    const QString dir = qEnvironmentVariable("MORVANE_TEST_SHOTS");
    if (!dir.isEmpty()) window->grab().save(dir + "/" + name + ".png");
  }

  player::Kandor* kandor = nullptr;
};

TEST_F(Bar, TheVolumeTracksEndsGive0And100ByClickAndByDrag) {
  QWidget* track = part("Image6");
  QWidget* knob = part("Picture8");
  const int middle = track->height() / 2;
  pointer(track, {track->width() - 1, middle}, {"click", "1"});  // the right end
  EXPECT_EQ(kandor->vol(), 100);
  EXPECT_EQ(stored_volume(), 100);
  pointer(track, {18, middle}, {"click", "1"});  // the first point after the speaker
  EXPECT_EQ(kandor->vol(), 0);
  EXPECT_EQ(stored_volume(), 0);
  pointer(track, {track->width() / 2, middle}, {"click", "1"});
  EXPECT_GT(kandor->vol(), 20);
  EXPECT_LT(kandor->vol(), 80);

  // Dragged past either end, the knob stops at that end.
  pointer(knob, {knob->width() / 2, knob->height() / 2}, {"mousedown", "1"});
  pointer(knob, {knob->width() / 2 + 300, knob->height() / 2}, {});
  pointer(knob, {knob->width() / 2, knob->height() / 2}, {"mouseup", "1"});
  EXPECT_EQ(kandor->vol(), 100);
  EXPECT_EQ(stored_volume(), 100);
  pointer(knob, {knob->width() / 2, knob->height() / 2}, {"mousedown", "1"});
  pointer(knob, {knob->width() / 2 - 300, knob->height() / 2}, {});
  pointer(knob, {knob->width() / 2, knob->height() / 2}, {"mouseup", "1"});
  EXPECT_EQ(kandor->vol(), 0);
  EXPECT_EQ(stored_volume(), 0);
}

TEST_F(Bar, TheMenuButtonLooksNormalOnceItsMenuCloses) {
  auto* menu = qobject_cast<player::BarButton*>(part("Image3"));
  pointer(menu, menu->rect().center(), {"click", "1"});
  ASSERT_TRUE(wait_until([&] { return kandor->popup()->isVisible(); }, 3000));
  pointer(kandor, {kandor->width() / 2, 40}, {});  // the hand goes on over the picture
  QProcess::execute("xdotool", {"key", "Escape"});
  ASSERT_TRUE(wait_until([&] { return !kandor->popup()->isVisible(); }, 3000));
  settle(200);
  EXPECT_EQ(menu->look(), player::BarButton::Normal);
}

// At every width the window allows, nothing of the bar lies over anything else; the time goes first.
TEST_F(Bar, NothingOverlapsAtTheNarrowestWindowAndTheTimeComesBackWhenWide) {
  auto* time = qobject_cast<QLabel*>(part("Label3"));
  QWidget* rate = part("Label5");
  QWidget* menu = part("Image3");
  QWidget* next = part("Image4", 3);
  static_cast<QLabel*>(rate)->setText("1234KB/S");
  time->setText("00:00:04/00:00:40 ");
  auto check = [&](const char* state) {
    settle(200);
    EXPECT_FALSE(overlap(time, menu)) << state;
    EXPECT_FALSE(overlap(rate, menu)) << state;
    EXPECT_FALSE(overlap(time, rate)) << state;
    EXPECT_LT(next->geometry().right(), menu->x()) << state;
    if (time->isVisible()) {
      EXPECT_GE(time->width(), time->sizeHint().width()) << state;
    }
  };
  window->resize(window->minimumSize());
  check("narrowest");
  shoot("bar-narrowest");
  window->fold_list();
  window->resize(window->minimumSize());
  check("folded, narrowest");
  shoot("bar-folded-narrowest");
  window->fold_list();
  window->resize(1280, 760);
  check("wide");
  EXPECT_TRUE(time->isVisible());
  EXPECT_TRUE(rate->isVisible());
  shoot("bar-wide");
}

}  // namespace
