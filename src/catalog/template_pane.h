#pragma once
#include <QPointer>
#include <QString>
#include <QWebEnginePage>
#include <QWebEngineScript>

namespace catalog {

// A script the panes run, compiled in from src/catalog/scripts (NAME.js there).
QString pane_script(const char* name);

// One link of an episode list: its address (a command of the client), its look, its plain text.
struct EpisodeLink {
  QString href, css, text;
};

// Writes into the elements of the detail template shown in a pane. Markup is cleaned in an inert
// document first: no script element, no event handler attribute, no javascript: address, no style
// survives. Markup from the network is cleaned harder: its links lead to web pages only (never a
// command), and it takes no ids, classes or positions. Ordinary markup (paragraphs, line breaks,
// bold, pictures, web links) stays.
class TemplatePane {
 public:
  explicit TemplatePane(QWebEnginePage* page) : page_(page) {}
  void set_page(QWebEnginePage* page) { page_ = page; }

  // The client's own markup (episode links, buttons: they carry commands).
  void set_inner_html(const QString& id, const QString& html) { write(id, html, false); }
  // Markup that came from the network (a title's fields and description).
  void set_network_html(const QString& id, const QString& html) { write(id, html, true); }
  void set_display(const QString& id, const QString& value);
  // An episode list ("<ul id=list_id><li><a href class>text</a></li>...") built as elements from
  // its data: nothing is parsed as markup, so the texts stay text (a long series lists thousands).
  // A list of `count` episodes may start with its first links only (a screenful shows while the
  // client reads the others); add_episodes brings the others, and the list is as long as they make it.
  void set_episode_list(const QString& id, const QString& list_id, const QList<EpisodeLink>& links,
                        qsizetype count = 0);
  void add_episodes(const QList<EpisodeLink>& links);
  // In the page's own world, where the template's functions (ys_shw) live.
  void run_script(const QString& script);
  // Lets events run until every write asked for so far has been carried out.
  void sync();

 private:
  void write(const QString& id, const QString& html, bool strict);
  QPointer<QWebEnginePage> page_;
};

// The inner HTML of an element as it stands now ("" when there is none); waits for the page.
QString element_html(QWebEnginePage* page, const QString& id);

}  // namespace catalog
