#pragma once
#include <QPointer>
#include <QString>
#include <QWebEnginePage>
#include <QWebEngineScript>

namespace catalog {

// Writes into the elements of the detail template shown in a pane. Markup that comes from the
// network is cleaned in an inert document first: no script element, no event handler attribute,
// no javascript: address survives; ordinary markup (paragraphs, line breaks, bold, links) stays.
class TemplatePane {
 public:
  explicit TemplatePane(QWebEnginePage* page) : page_(page) {}
  void set_page(QWebEnginePage* page) { page_ = page; }

  void set_inner_html(const QString& id, const QString& html);
  void set_display(const QString& id, const QString& value);
  // In the page's own world, where the template's functions (ys_shw) live.
  void run_script(const QString& script);
  // Lets events run until every write asked for so far has been carried out.
  void sync();

 private:
  QPointer<QWebEnginePage> page_;
};

// The inner HTML of an element as it stands now ("" when there is none); waits for the page.
QString element_html(QWebEnginePage* page, const QString& id);

}  // namespace catalog
