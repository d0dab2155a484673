// A frame that loads nothing from the network (an inline "srcdoc" or "about:blank" frame) never
// meets the request guard: it is stopped as soon as its document exists, before any of its script.
if (window !== window.top) {
  window.stop();
  document.documentElement && document.documentElement.remove();
}
