#pragma once
#include <QWidget>
#include <functional>

class QLineEdit;
class QPushButton;

namespace remote {

// What the window needs of the client.
struct PlayDataHost {
  std::function<void()> bring_main_window_back;  // restored when minimised, else shown
  std::function<void()> start_terminal;          // the engine's terminal, when it does not run
  std::function<void(const QString&)> play;      // a free address: recorded in the history and played
};

// The play-data lookup window: a play address, or a page of the play-data site, from the clipboard.
class PlayDataWindow : public QWidget {
  Q_OBJECT
 public:
  explicit PlayDataWindow(PlayDataHost host, QWidget* parent = nullptr);
  Q_INVOKABLE void Command1_Click();
  // How long a page or script of the play-data site may take to arrive whole.
  int fetch_timeout_ms = 15000;
  // A play-data page's address → the play address it gives; "" (and why in failure()) when none.
  Q_INVOKABLE QString nj_cl(const QString& page_address);
  QString failure() const { return failure_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void play_entered(const QString& text);
  QString fetch(const QString& address);
  PlayDataHost host_;
  QLineEdit* text1_ = nullptr;
  QPushButton* command1_ = nullptr;
  QString failure_;
};

}  // namespace remote
