#include "catalog/template_pane.h"

#include <QEventLoop>
#include <QTimer>
#include <memory>

namespace catalog {

namespace {

// The cleaner: parses into an inert document (nothing there runs or loads), drops dangerous
// elements and attributes, and moves what is left into the element.
const char* kCleanAndSet = R"JS(
(function (id, html, strict) {
  var target = document.getElementById(id);
  if (!target) return;
  var doc = new DOMParser().parseFromString('<!doctype html><body>' + html, 'text/html');
  var banned = /^(script|iframe|frame|frameset|object|embed|applet|link|meta|style|base|form|svg|math|template|noscript|dialog|marquee|input|button|select|textarea|video|audio|portal)$/i;
  var urlAttr = /^(href|src|action|formaction|xlink:href|data|poster|background|srcset|ping|cite|longdesc)$/i;
  // Nothing may restyle or cover the pane; markup from the network carries no command either:
  // its links go to web pages only, and it takes no ids or classes of the template.
  var layoutAttr = /^(style|class|id|name|target|form|for|popover|tabindex|accesskey|contenteditable)$/i;
  var unsafe = function (name, value) {
    var v = value.replace(/[\s\u0000-\u001f]/g, '').toLowerCase();
    try { v = decodeURIComponent(v); } catch (e) {}
    if (/^(javascript|vbscript|data:text)/.test(v)) return true;
    if (!strict) return false;
    if (/qvod:|acm=|bdhd:/.test(v)) return true;
    return name.toLowerCase() === 'src' ? !/^(https?:|data:image\/)/.test(v) : !/^https?:/.test(v);
  };
  var clean = function (node) {
    var child = node.firstElementChild;
    while (child) {
      var next = child.nextElementSibling;
      if (banned.test(child.tagName)) { child.remove(); }
      else {
        for (var i = child.attributes.length - 1; i >= 0; i--) {
          var name = child.attributes[i].name;
          if (/^on/i.test(name) || (strict && layoutAttr.test(name)) || /^style$/i.test(name) ||
              (urlAttr.test(name) && unsafe(name, child.attributes[i].value)))
            child.removeAttribute(name);
        }
        clean(child);
      }
      child = next;
    }
  };
  clean(doc.body);
  var nodes = Array.prototype.map.call(doc.body.childNodes, function (n) { return document.importNode(n, true); });
  target.replaceChildren.apply(target, nodes);
})
)JS";

// The episode list from its data; an address that would run as script is left off its link, as the
// cleaner above leaves it off.
const char* kEpisodeList = R"JS(
(function (id, listId, links) {
  var target = document.getElementById(id);
  if (!target) return;
  var list = document.createElement('ul');
  list.id = listId;
  for (var i = 0; i < links.length; i++) {
    var item = document.createElement('li'), a = document.createElement('a');
    var v = links[i][0].replace(/[\s\u0000-\u001f]/g, '').toLowerCase();
    try { v = decodeURIComponent(v); } catch (e) {}
    if (!/^(javascript|vbscript|data:text)/.test(v)) a.setAttribute('href', links[i][0]);
    a.setAttribute('class', links[i][1]);
    a.textContent = links[i][2];
    item.appendChild(a);
    list.appendChild(item);
  }
  target.replaceChildren(list);
})
)JS";

// A script's string literal of the text, in JSON's form, written directly (the JSON classes cost
// microseconds an item, which a list of thousands feels).
void append_literal(QString& out, const QString& text) {
  out += u'"';
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u == u'"' || u == u'\\') {
      out += u'\\';
      out += c;
    } else if (u < 0x20 || u == 0x2028 || u == 0x2029) {
      out += QStringLiteral("\\u%1").arg(static_cast<int>(u), 4, 16, QChar(u'0'));
    } else {
      out += c;
    }
  }
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
  page_->runJavaScript(QString::fromUtf8(kCleanAndSet) + "(" + args(id, html) + (strict ? ", true);" : ", false);"),
                       QWebEngineScript::ApplicationWorld);
}

void TemplatePane::set_episode_list(const QString& id, const QString& list_id, const QList<EpisodeLink>& links) {
  if (!page_) return;
  QString script = QString::fromUtf8(kEpisodeList) + "(" + args(id, list_id) + ",[";
  script.reserve(script.size() + links.size() * 160);
  for (qsizetype i = 0; i < links.size(); ++i) {
    script += i == 0 ? u"[" : u",[";
    append_literal(script, links[i].href);
    script += u',';
    append_literal(script, links[i].css);
    script += u',';
    append_literal(script, links[i].text);
    script += u']';
  }
  script += u"]);";
  page_->runJavaScript(script, QWebEngineScript::ApplicationWorld);
}

void TemplatePane::set_display(const QString& id, const QString& value) {
  if (!page_) return;
  page_->runJavaScript("(function(id, v){var e=document.getElementById(id); if (e) e.style.display=v;})(" +
                           args(id, value) + ");",
                       QWebEngineScript::ApplicationWorld);
}

void TemplatePane::run_script(const QString& script) {
  if (page_) page_->runJavaScript(script, QWebEngineScript::MainWorld);
}

void TemplatePane::sync() {
  if (!page_) return;
  QEventLoop loop;
  QPointer<QEventLoop> waiting(&loop);  // the answer may come after a time-out, when the loop is gone
  auto done = std::make_shared<bool>(false);
  page_->runJavaScript("1", QWebEngineScript::ApplicationWorld, [waiting, done](const QVariant&) {
    *done = true;
    if (waiting) waiting->quit();
  });
  QTimer::singleShot(5000, &loop, &QEventLoop::quit);
  if (!*done) loop.exec();
}

QString element_html(QWebEnginePage* page, const QString& id) {
  QEventLoop loop;
  QPointer<QEventLoop> waiting(&loop);
  auto html = std::make_shared<QString>();
  auto done = std::make_shared<bool>(false);
  page->runJavaScript("(function(id){var e=document.getElementById(id); return e ? e.innerHTML : '';})(" +
                          literal(id) + ")",
                      QWebEngineScript::ApplicationWorld, [waiting, html, done](const QVariant& v) {
                        *html = v.toString();
                        *done = true;
                        if (waiting) waiting->quit();
                      });
  QTimer::singleShot(5000, &loop, &QEventLoop::quit);
  if (!*done) loop.exec();
  return *html;
}

}  // namespace catalog
