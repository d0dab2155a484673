#include "support/web.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <memory>
#include <optional>

#include "support/wait.h"

QVariant evaluate(QWebEnginePage* page, const QString& script, quint32 world) {
  auto result = std::make_shared<std::pair<bool, QVariant>>();
  page->runJavaScript(script, world, [result](const QVariant& v) { *result = {true, v}; });
  wait_until([&] { return result->first; });
  return result->second;
}

namespace {

// The middle of the element a script expression names, scrolled into sight; null when there is none.
std::optional<QPointF> middle_of(QWebEngineView* view, const QString& element_expression) {
  const QString where = evaluate(view->page(),
                                 "(function (e) { if (!e) return '';"
                                 "  e.scrollIntoView({block: 'center'});"
                                 "  var r = e.getBoundingClientRect();"
                                 "  return (r.left + r.width / 2) + ',' + (r.top + r.height / 2); })(" +
                                     element_expression + ")")
                            .toString();
  if (where.isEmpty()) return std::nullopt;
  return QPointF(where.section(',', 0, 0).toDouble(), where.section(',', 1, 1).toDouble());
}

void send_mouse(QWebEngineView* view, const QPointF& at, std::initializer_list<QEvent::Type> types) {
  QWidget* input = view->focusProxy() ? view->focusProxy() : view;
  for (QEvent::Type type : types) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent e(type, at, input->mapToGlobal(at), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(input, &e);
    settle(20);
  }
}

}  // namespace

bool click_element(QWebEngineView* view, const QString& element_expression) {
  const auto at = middle_of(view, element_expression);
  if (at) send_mouse(view, *at, {QEvent::MouseMove, QEvent::MouseButtonPress, QEvent::MouseButtonRelease});
  return at.has_value();
}

bool hover_element(QWebEngineView* view, const QString& element_expression) {
  const auto at = middle_of(view, element_expression);
  if (at) send_mouse(view, *at, {QEvent::MouseMove});
  return at.has_value();
}
