#pragma once
#include <QObject>
#include <QPointer>
#include <functional>

class QKeyEvent;
class QWidget;

namespace shell {

// The main window's keys act wherever the focus is in its windows (the list, the browser panes,
// the player's full-screen window), except where text is typed: a focused widget that takes text
// input (a text box, an editable field of a page) keeps its keys.
class WindowKeys : public QObject {
  Q_OBJECT
 public:
  // Carries out what the key stands for; false when it stands for nothing (it goes on as usual).
  using Handler = std::function<bool(const QKeyEvent& key)>;
  WindowKeys(QWidget* window, Handler handler);
  // Another top-level window whose keys count as the main window's (the full-screen player).
  void add_window(QWidget* window);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool ours(QWidget* w) const;

  QPointer<QWidget> window_;
  QList<QPointer<QWidget>> others_;
  Handler handler_;
};

}  // namespace shell
