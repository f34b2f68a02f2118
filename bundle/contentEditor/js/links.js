/*
 * Download links of the start page. The service base comes from config.js,
 * or from bundle-info.js when the bundle was published by a service that
 * knows its own address. The client saves a link when its URL contains
 * "/slide/download" (slides) or "instruction.pdf" (the instruction document),
 * so every link made here must keep those markers.
 * Works as a browser global (window.ZvLinks) and as a CommonJS module.
 */
(function (root, factory) {
  if (typeof module === "object" && module.exports) module.exports = factory();
  else root.ZvLinks = factory();
})(typeof self !== "undefined" ? self : this, function () {
  "use strict";

  var DEFAULT_BASE = "http://127.0.0.1:8765/";
  var SLIDE_MARKER = "/slide/download";
  var INSTRUCTION_MARKER = "instruction.pdf";

  function isHttpUrl(text) {
    return typeof text === "string" && /^https?:\/\/[^\s\/?#]+/i.test(text);
  }

  // The base address ends in "/" so that relative paths join cleanly.
  function serviceBase(config, bundleInfo) {
    var candidates = [bundleInfo && bundleInfo.serviceBase, config && config.serviceBase];
    for (var i = 0; i < candidates.length; i++) {
      var c = candidates[i];
      if (isHttpUrl(c)) return /\/$/.test(c) ? c : c + "/";
    }
    return DEFAULT_BASE;
  }

  function joinUrl(base, path) {
    if (isHttpUrl(path)) return path;
    return base + String(path || "").replace(/^\/+/, "");
  }

  // One record per link: { kind, title, detail, url, fileName }. Entries
  // whose URL would lose its marker are dropped rather than shown as links
  // the client would not save.
  function downloadLinks(config, bundleInfo) {
    var base = serviceBase(config, bundleInfo);
    var links = [];
    var slides = (config && Array.isArray(config.slides)) ? config.slides : [];
    for (var i = 0; i < slides.length; i++) {
      var s = slides[i] || {};
      var url = joinUrl(base, s.path);
      if (url.indexOf(SLIDE_MARKER) < 0) continue;
      links.push({ kind: "slide", title: String(s.title || fileNameOf(url)), detail: String(s.detail || ""), url: url, fileName: fileNameOf(url) });
    }
    if (config && config.instruction) {
      var doc = config.instruction;
      var iurl = joinUrl(base, doc.path || INSTRUCTION_MARKER);
      if (iurl.indexOf(INSTRUCTION_MARKER) >= 0) {
        links.push({ kind: "instruction", title: String(doc.title || "使用说明"), detail: String(doc.detail || ""), url: iurl, fileName: fileNameOf(iurl) });
      }
    }
    return links;
  }

  // The name the client will suggest: the text after the last "/", decoded.
  function fileNameOf(url) {
    var name = String(url).slice(String(url).lastIndexOf("/") + 1);
    try {
      return decodeURIComponent(name);
    } catch (e) {
      return name;
    }
  }

  return {
    DEFAULT_BASE: DEFAULT_BASE,
    SLIDE_MARKER: SLIDE_MARKER,
    INSTRUCTION_MARKER: INSTRUCTION_MARKER,
    serviceBase: serviceBase,
    joinUrl: joinUrl,
    downloadLinks: downloadLinks,
    fileNameOf: fileNameOf
  };
});
