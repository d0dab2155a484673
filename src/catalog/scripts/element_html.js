// The markup inside an element of the page ("" when there is none). Called as (id).
(function (id) {
  var e = document.getElementById(id);
  return e ? e.innerHTML : '';
})
