// Shows or hides an element of the template. Called as (id, value).
(function (id, v) {
  var e = document.getElementById(id);
  if (e) e.style.display = v;
})
