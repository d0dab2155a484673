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
// A long list ("z3") comes in blocks of whole rows, the first carrying the list's id: the page styles
// and lays out only the blocks in sight (content-visibility), so thousands of episodes cost about
// what one screenful costs. The columns are counted here as the template's auto-fill would count
// them (108 px and gaps of 6), so that blocks meet without holes; when a new width changes the
// count, the same items are dealt into new blocks. The sizes go to a sheet of the client's own:
// the pane's elements carry no style.
const char* kEpisodeList = R"JS(
(function (id, listId, links) {
  var target = document.getElementById(id);
  if (!target) return;
  var itemsPerBlock = 100, rowHeight = 30, gap = 6;
  var columns = function (list) {
    return list === 'z1' ? 1 : list === 'z2' ? 2 : Math.max(1, Math.floor((target.clientWidth + gap) / (108 + gap)));
  };
  var height = function (items, cols) {
    var rows = Math.max(1, Math.ceil(items / cols));
    return rows * rowHeight + (rows - 1) * gap + 'px';
  };
  var deal = function (list, items) {
    var cols = columns(list), per = list === 'z3' ? Math.ceil(itemsPerBlock / cols) * cols : Math.max(1, items.length);
    var blocks = [];
    for (var at = 0; at < items.length || at === 0; at += per) {  // a list without items is one empty block
      var block = document.createElement('ul');
      if (at === 0) block.id = list;
      block.append.apply(block, items.slice(at, at + per));
      blocks.push(block);
    }
    var sheet = document.getElementById('episode-layout');
    if (!sheet) {
      sheet = document.createElement('style');
      sheet.id = 'episode-layout';
      document.head.appendChild(sheet);
    }
    sheet.textContent = '#' + id + ' { --tracks: repeat(' + cols + ', minmax(0, 1fr)); --block-h: ' + height(per, cols) +
                        '; --last-h: ' + height(items.length - (blocks.length - 1) * per, cols) + '; }';
    target.replaceChildren.apply(target, blocks);
    window.episodeLayout = { list: list, cols: cols };
  };
  var script = /^(javascript|vbscript|data:text)/, looks = {};
  var item = function (look) {  // an item of each look, cloned (cheaper than building each anew)
    if (!looks[look]) {
      var li = document.createElement('li'), a = li.appendChild(document.createElement('a'));
      a.setAttribute('href', '');  // first, as the list's markup has it
      a.setAttribute('class', look);
      looks[look] = li;
    }
    return looks[look].cloneNode(true);
  };
  var items = new Array(links.length / 3);
  for (var i = 0; i < items.length; i++) {
    var li = item(links[3 * i + 1]), a = li.firstChild, href = links[3 * i];
    if (!/^(qvod|https?):\/\//.test(href)) {  // the client's own addresses need no closer look
      var v = href.replace(/[\s\u0000-\u001f]/g, '').toLowerCase();
      try { v = decodeURIComponent(v); } catch (e) {}
      if (script.test(v)) href = null;
    }
    if (href !== null) a.setAttribute('href', href);
    else a.removeAttribute('href');
    a.textContent = links[3 * i + 2];
    items[i] = li;
  }
  deal(listId, items);
  if (!window.episodeWatch) {
    window.episodeWatch = new ResizeObserver(function () {
      requestAnimationFrame(function () {  // dealt after this frame's observations, not inside them
        var layout = window.episodeLayout, head = target.firstElementChild;
        if (!layout || !head || head.id !== layout.list || columns(layout.list) === layout.cols) return;
        // The episode at the top of the view stays there (the blocks it was in are gone).
        var anchor = null, top = 0;
        for (var block = head; block && !anchor; block = block.nextElementSibling) {
          if (block.getBoundingClientRect().bottom <= 0) continue;
          for (var li = block.firstElementChild; li && !anchor; li = li.nextElementSibling)
            if (li.getBoundingClientRect().bottom > 0) anchor = li;
        }
        if (anchor) top = anchor.getBoundingClientRect().top;
        deal(layout.list, Array.prototype.slice.call(target.querySelectorAll(':scope > ul > li')));
        if (anchor) window.scrollBy(0, anchor.getBoundingClientRect().top - top);
      });
    });
    window.episodeWatch.observe(target);
  }
})
)JS";

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
  page_->runJavaScript(QString::fromUtf8(kCleanAndSet) + "(" + args(id, html) + (strict ? ", true);" : ", false);"),
                       QWebEngineScript::ApplicationWorld);
}

void TemplatePane::set_episode_list(const QString& id, const QString& list_id, const QList<EpisodeLink>& links) {
  if (!page_) return;
  QString script = QString::fromUtf8(kEpisodeList) + "(" + args(id, list_id) + ",[";
  script.reserve(script.size() + links.size() * 160);
  for (qsizetype i = 0; i < links.size(); ++i) {  // flat: address, look, text of each in turn
    if (i > 0) script += u',';
    append_literal(script, links[i].href);
    script += u',';
    append_literal(script, links[i].css);
    script += u',';
    append_literal(script, links[i].text);
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
