#include "support/web.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <memory>

#include "support/wait.h"

QVariant evaluate(QWebEnginePage* page, const QString& script, quint32 world) {
  auto result = std::make_shared<std::pair<bool, QVariant>>();
  page->runJavaScript(script, world, [result](const QVariant& v) { *result = {true, v}; });
  wait_until([&] { return result->first; });
  return result->second;
}

bool click_element(QWebEngineView* view, const QString& element_expression) {
  const QString where = evaluate(view->page(),
                                 "(function (e) { if (!e) return '';"
                                 "  e.scrollIntoView({block: 'center'});"
                                 "  var r = e.getBoundingClientRect();"
                                 "  return (r.left + r.width / 2) + ',' + (r.top + r.height / 2); })(" +
                                     element_expression + ")")
                            .toString();
  if (where.isEmpty()) return false;
  const QPointF at(where.section(',', 0, 0).toDouble(), where.section(',', 1, 1).toDouble());
  QWidget* input = view->focusProxy() ? view->focusProxy() : view;
  for (QEvent::Type type : {QEvent::MouseMove, QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent e(type, at, input->mapToGlobal(at), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(input, &e);
    settle(20);
  }
  return true;
}
