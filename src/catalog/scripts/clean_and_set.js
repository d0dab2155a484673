// The cleaner: parses into an inert document of its own (a parser's: nothing there runs or loads),
// drops dangerous elements and attributes, and moves what is left into the element. It is made
// once per page, in the client's own world (a title's page writes a dozen fields).
// Called as (id, html, strict).
(window.cleanAndSet || (window.cleanAndSet = (function () {
  var banned = /^(script|iframe|frame|frameset|object|embed|applet|link|meta|style|base|form|svg|math|template|noscript|dialog|marquee|input|button|select|textarea|video|audio|portal)$/i;
  var urlAttr = /^(href|src|action|formaction|xlink:href|data|poster|background|srcset|ping|cite|longdesc)$/i;
  // Nothing may restyle or cover the pane; markup from the network carries no command either:
  // its links go to web pages only, and it takes no ids or classes of the template.
  var layoutAttr = /^(style|class|id|name|target|form|for|popover|tabindex|accesskey|contenteditable)$/i;
  var unsafe = function (name, value, strict) {
    var v = addressOf(value);
    if (runsScript.test(v)) return true;
    if (!strict) return false;
    if (/qvod:|acm=|bdhd:/.test(v)) return true;
    return name.toLowerCase() === 'src' ? !/^(https?:|data:image\/)/.test(v) : !/^https?:/.test(v);
  };
  var clean = function (node, strict) {
    var child = node.firstElementChild;
    while (child) {
      var next = child.nextElementSibling;
      if (banned.test(child.tagName)) { child.remove(); }
      else {
        for (var i = child.attributes.length - 1; i >= 0; i--) {
          var name = child.attributes[i].name;
          if (/^on/i.test(name) || (strict && layoutAttr.test(name)) || /^style$/i.test(name) ||
              (urlAttr.test(name) && unsafe(name, child.attributes[i].value, strict)))
            child.removeAttribute(name);
        }
        clean(child, strict);
      }
      child = next;
    }
  };
  return function (id, html, strict) {
    var target = document.getElementById(id);
    if (!target) return;
    var doc = new DOMParser().parseFromString('<!doctype html><body>' + html, 'text/html');
    clean(doc.body, strict);
    var nodes = Array.prototype.map.call(doc.body.childNodes, function (n) { return document.importNode(n, true); });
    target.replaceChildren.apply(target, nodes);
  };
})()))
