// The episode list from its data; an address that would run as script is left off its link, as the
// cleaner above leaves it off.
// A long list ("z3") comes in blocks of whole rows, the first carrying the list's id: the page styles
// and lays out only the blocks in sight (content-visibility), so thousands of episodes cost about
// what one screenful costs. The columns are counted here as the template's auto-fill would count
// them (108 px and gaps of 6), so that blocks meet without holes; when a new width changes the
// count, the same items are dealt into new blocks. The sizes go to a sheet of the client's own:
// the pane's elements carry no style.
// A long list's data comes in two parts: the first screenful's at once, the rest (`more`) as the
// client reads it. Only the blocks that can be in sight are filled at once; the others stand in,
// empty and exactly as high, and are filled after the list's first frame (those in sight first), a
// few at a time so that the page answers in between. `window.episodeList` says how far it is.
// Called as (id, listId, links, count, serial).
(function (id, listId, links, count, serial) {
  var target = document.getElementById(id);
  if (!target) return;
  var itemsPerBlock = 100, rowHeight = 30, gap = 6, now = function () { return performance.timeOrigin + performance.now(); };
  var list = { id: listId, serial: serial, count: count, cols: 0, per: 0, blocks: [], items: [], eager: 0 };
  window.episodeList = list;
  var columns = function () {
    return listId === 'z1' ? 1 : listId === 'z2' ? 2 : Math.max(1, Math.floor((target.clientWidth + gap) / (108 + gap)));
  };
  var height = function (items, cols) {
    var rows = Math.max(1, Math.ceil(items / cols));
    return rows * rowHeight + (rows - 1) * gap + 'px';
  };
  var ownAddress = /^(qvod|https?):\/\//, looks = {};  // the client's own need no closer look
  var item = function (look) {  // an item of each look, cloned (cheaper than building each anew)
    if (!looks[look]) {
      var li = document.createElement('li'), a = li.appendChild(document.createElement('a'));
      a.setAttribute('href', '');  // first, as the list's markup has it
      a.setAttribute('class', look);
      looks[look] = li;
    }
    return looks[look].cloneNode(true);
  };
  var make = function (i) {
    var li = item(links[3 * i + 1]), a = li.firstChild, href = links[3 * i];
    if (!ownAddress.test(href) && runsScript.test(addressOf(href))) href = null;
    if (href !== null) a.setAttribute('href', href);
    else a.removeAttribute('href');
    a.textContent = links[3 * i + 2];
    return li;
  };
  var last = function (b) { return Math.min(list.count, (b + 1) * list.per); };
  var ready = function (b) { return last(b) <= links.length / 3; };  // its data is here
  var filled = function (b) { return b * list.per >= list.count || list.blocks[b].firstChild !== null; };
  var fill = function (b) {
    var block = list.blocks[b], from = b * list.per, to = last(b), lis = new Array(to - from);
    for (var i = from; i < to; i++) lis[i - from] = list.items[i] || (list.items[i] = make(i));
    block.append.apply(block, lis);
  };
  var finish = function () {
    if (list.done || links.length / 3 < list.count) return;
    for (var b = 0; b < list.blocks.length; b++) if (!filled(b)) return;
    list.done = now();
  };
  // Blocks of the current width; those holding the first `first` items filled now, if their data is here.
  var deal = function (first) {
    var cols = columns(), per = listId === 'z3' ? Math.ceil(itemsPerBlock / cols) * cols : Math.max(1, list.count);
    list.cols = cols;
    list.per = per;
    list.blocks = [];
    for (var at = 0; at < list.count || at === 0; at += per) {  // a list without items is one empty block
      var block = document.createElement('ul'), b = list.blocks.length;
      if (at === 0) block.id = listId;
      list.blocks.push(block);
      if (at < first && ready(b)) fill(b);
    }
    var sheet = document.getElementById('episode-layout');
    if (!sheet) {
      sheet = document.createElement('style');
      sheet.id = 'episode-layout';
      document.head.appendChild(sheet);
    }
    var own = '#' + id;
    sheet.textContent = own + ' { --tracks: repeat(' + cols + ', minmax(0, 1fr)); --block-h: ' + height(per, cols) +
                        '; --last-h: ' + height(list.count - (list.blocks.length - 1) * per, cols) + '; }' +
                        // a block of a long list is empty only while it stands in for its items
                        (list.blocks.length > 1 ? own + ' > ul:empty { height: var(--block-h); } ' +
                                                  own + ' > ul:last-child:empty { height: var(--last-h); }' : '');
    target.replaceChildren.apply(target, list.blocks);
  };
  // The blocks whose data is here, after the first frame: those in sight, then the others in order.
  var rest = function () {
    if (window.episodeList !== list) return;  // a newer list took its place
    var order = [], b;
    for (b = 0; b < list.blocks.length; b++) {
      if (filled(b) || !ready(b)) continue;
      var r = list.blocks[b].getBoundingClientRect();
      if (r.bottom > 0 && r.top < window.innerHeight) order.unshift(b); else order.push(b);
    }
    var blocks = list.blocks;
    var step = function () {
      if (window.episodeList !== list || list.blocks !== blocks) return;  // gone, or dealt anew
      var until = performance.now() + 8;
      while (order.length && performance.now() < until) {
        b = order.shift();
        if (!filled(b)) fill(b);
      }
      if (order.length) setTimeout(step, 0);
      else finish();
    };
    step();
  };
  list.more = function (extra) {
    links = links.concat(extra);
    if (links.length / 3 !== list.count) {  // rows that could not be shown were left out
      list.count = links.length / 3;
      list.items.length = Math.min(list.items.length, list.count);
      deal(list.eager);
    } else {
      for (var b = 0; b < list.blocks.length && b * list.per < list.eager; b++) if (!filled(b)) fill(b);
    }
    if (list.drawn) rest();
    finish();
  };
  list.columns = columns;
  list.relayout = function () {  // dealt anew for the new width, every item whose data is here
    deal(list.count);
    finish();
  };
  // What can be in sight at once: the rows of a window's height, and one more.
  list.eager = (Math.ceil(window.innerHeight / (rowHeight + gap)) + 1) * columns();
  deal(list.eager);
  list.shown = now();
  finish();
  var drawn = function () {
    list.drawn = now();
    if (!list.done) rest();
  };
  // A hidden page draws no frame (and runs no frame callbacks) until it is shown: nothing to wait for.
  if (document.hidden) setTimeout(drawn, 0);
  else requestAnimationFrame(function () { setTimeout(drawn, 0); });
  if (!window.episodeWatch) {
    window.episodeWatch = new ResizeObserver(function () {
      requestAnimationFrame(function () {  // dealt after this frame's observations, not inside them
        var list = window.episodeList, head = target.firstElementChild;
        if (!list || !head || head.id !== list.id || list.columns() === list.cols) return;
        // The episode at the top of the view stays there (the blocks it was in are gone).
        var anchor = null, top = 0;
        for (var block = head; block && !anchor; block = block.nextElementSibling) {
          if (block.getBoundingClientRect().bottom <= 0) continue;
          for (var li = block.firstElementChild; li && !anchor; li = li.nextElementSibling)
            if (li.getBoundingClientRect().bottom > 0) anchor = li;
        }
        if (anchor) top = anchor.getBoundingClientRect().top;
        list.relayout();
        if (anchor) window.scrollBy(0, anchor.getBoundingClientRect().top - top);
      });
    });
    window.episodeWatch.observe(target);
  }
})
