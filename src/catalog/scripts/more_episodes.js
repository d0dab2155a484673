// The rest of a long episode list, for the list of that serial only (a newer list may stand there).
// Called as (serial, links).
(function (serial, links) {
  var list = window.episodeList;
  if (list && list.serial === serial) list.more(links);
})
