#include "shell/window_keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace shell {

namespace {

// A widget where the user types text: a text box, or a browser pane whose focused element is an
// editable field (the pane then asks for the input method).
bool takes_text(const QWidget* w) {
  return w && (w->testAttribute(Qt::WA_InputMethodEnabled) || w->inputMethodQuery(Qt::ImEnabled).toBool());
}

}  // namespace

WindowKeys::WindowKeys(QWidget* window, Handler handler)
    : QObject(window), window_(window), handler_(std::move(handler)) {
  qApp->installEventFilter(this);
}

void WindowKeys::add_window(QWidget* window) { others_ << window; }

bool WindowKeys::ours(QWidget* w) const {
  if (!w) return false;
  const QWidget* top = w->window();
  if (top == window_) return true;
  for (const auto& other : others_)
    if (other && top == other) return true;
  return false;
}

bool WindowKeys::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
  auto* target = static_cast<QWidget*>(watched);
  if (!ours(target) || takes_text(QApplication::focusWidget()) || takes_text(target)) return false;
  return handler_(*static_cast<QKeyEvent*>(event));
}

}  // namespace shell
