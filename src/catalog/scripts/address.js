// Whether an address would run as script, read as a browser reads it (blanks and controls
// dropped, any case, decoded): shared by the cleaner and the episode list, which are sent after it.
var addressOf = function (value) {
  var v = value.replace(/[\s\u0000-\u001f]/g, '').toLowerCase();
  try { v = decodeURIComponent(v); } catch (e) {}
  return v;
};
var runsScript = /^(javascript|vbscript|data:text)/;
