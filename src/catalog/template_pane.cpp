#include "catalog/template_pane.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <memory>

namespace catalog {

QString pane_script(const char* name) {
  QFile file(QStringLiteral(":/pane-scripts/%1.js").arg(QLatin1String(name)));
  if (!file.open(QIODevice::ReadOnly)) qFatal("pane script %s is not compiled in", name);
  return QString::fromUtf8(file.readAll());
}

namespace {

// The scripts that judge addresses carry the shared address rules in front of them.
QString with_address_rules(const char* name) { return pane_script("address") + pane_script(name); }

// A script's string literal of the text, in JSON's form, written directly (the JSON classes cost
// microseconds an item, which a list of thousands feels).
void append_literal(QString& out, const QString& text) {
  out += u'"';
  qsizetype plain = 0;  // the start of the run of characters that need no escape
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t u = text[i].unicode();
    const bool quote = u == u'"' || u == u'\\';
    if (!quote && u >= 0x20 && u != 0x2028 && u != 0x2029) continue;
    out += QStringView(text).mid(plain, i - plain);
    if (quote) {
      out += u'\\';
      out += QChar(u);
    } else {
      out += QStringLiteral("\\u%1").arg(static_cast<int>(u), 4, 16, QChar(u'0'));
    }
    plain = i + 1;
  }
  out += QStringView(text).mid(plain);
  out += u'"';
}

QString literal(const QString& text) {
  QString out;
  out.reserve(text.size() + 2);
  append_literal(out, text);
  return out;
}

QString args(const QString& a, const QString& b) { return literal(a) + u',' + literal(b); }

}  // namespace

void TemplatePane::write(const QString& id, const QString& html, bool strict) {
  if (!page_) return;
  static const QString clean_and_set = with_address_rules("clean_and_set");
  page_->runJavaScript(clean_and_set + "(" + args(id, html) + (strict ? ", true);" : ", false);"),
                       QWebEngineScript::ApplicationWorld);
}

namespace {

int list_serial = 0;  // which list the page's `more` belongs to

// The links as a flat array literal: address, look, text of each in turn.
void append_links(QString& script, const QList<EpisodeLink>& links) {
  script.reserve(script.size() + links.size() * 120);
  script += u'[';
  for (qsizetype i = 0; i < links.size(); ++i) {
    if (i > 0) script += u',';
    append_literal(script, links[i].href);
    script += u',';
    append_literal(script, links[i].css);
    script += u',';
    append_literal(script, links[i].text);
  }
  script += u']';
}

}  // namespace

void TemplatePane::set_episode_list(const QString& id, const QString& list_id, const QList<EpisodeLink>& links,
                                    qsizetype count) {
  if (!page_) return;
  static const QString episode_list = with_address_rules("episode_list");
  QString script = episode_list + "(" + args(id, list_id) + ",";
  append_links(script, links);
  script += QStringLiteral(",%1,%2);").arg(std::max(count, links.size())).arg(++list_serial);
  page_->runJavaScript(script, QWebEngineScript::ApplicationWorld);
}

void TemplatePane::add_episodes(const QList<EpisodeLink>& links) {
  if (!page_) return;
  static const QString more_episodes = pane_script("more_episodes");
  QString script = more_episodes + QStringLiteral("(%1,").arg(list_serial);
  append_links(script, links);
  script += u");";
  page_->runJavaScript(script, QWebEngineScript::ApplicationWorld);
}

void TemplatePane::set_display(const QString& id, const QString& value) {
  if (!page_) return;
  static const QString set_display = pane_script("set_display");
  page_->runJavaScript(set_display + "(" + args(id, value) + ");", QWebEngineScript::ApplicationWorld);
}

void TemplatePane::run_script(const QString& script) {
  if (page_) page_->runJavaScript(script, QWebEngineScript::MainWorld);
}

namespace {

// What the script gives, once the page has run it (and what was sent before it).
QVariant result_of(QWebEnginePage* page, const QString& script) {
  QEventLoop loop;
  QPointer<QEventLoop> waiting(&loop);  // the answer may come after a time-out, when the loop is gone
  auto result = std::make_shared<QVariant>();
  auto done = std::make_shared<bool>(false);
  page->runJavaScript(script, QWebEngineScript::ApplicationWorld, [waiting, result, done](const QVariant& v) {
    *result = v;
    *done = true;
    if (waiting) waiting->quit();
  });
  QTimer::singleShot(5000, &loop, &QEventLoop::quit);
  if (!*done) loop.exec();
  return *result;
}

}  // namespace

void TemplatePane::sync() {
  if (!page_) return;
  QElapsedTimer waited;
  waited.start();
  // A long list's blocks out of sight are filled after its first frame: wait for them too.
  static const QString list_settled = pane_script("list_settled");
  while (!result_of(page_, list_settled).toBool() && waited.elapsed() < 5000) {
    QEventLoop pause;
    QTimer::singleShot(2, &pause, &QEventLoop::quit);
    pause.exec();
  }
}

QString element_html(QWebEnginePage* page, const QString& id) {
  static const QString element = pane_script("element_html");
  return result_of(page, element + "(" + literal(id) + ")").toString();
}

}  // namespace catalog
