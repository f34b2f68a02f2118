/*
 * Offline editor behaviour: reads channel and file from the address, loads
 * the .zv document from the local file system, shows its slides with a rail,
 * keyboard navigation and a presentation mode, and goes back to the start
 * page through the client. Whatever goes wrong, the page ends in a readable
 * panel that says what happened, never a blank page.
 */
(function () {
  "use strict";

  var ui = window.ZvUi;
  var el = ui.el;
  var native = window.ZvNative.create(window);
  var $ = function (id) { return document.getElementById(id); };

  var LOAD_TIMEOUT_MS = 15000;
  var params = window.ZvQuery.parseQuery(location.href);
  var filePath = params.file || "";
  var channel = params.channel || "";
  var doc = null;
  var current = 0;
  var presenting = false;
  var presentingFullScreen = false;

  function setMode(mode) {
    document.body.className = mode ? "is-" + mode : "";
    if (presenting) document.body.classList.add("presenting");
  }

  // The panel shown while loading and instead of a document that cannot be
  // shown. actions: [{ label, primary, run }]
  function showState(mode, title, message, path, actions) {
    setMode(mode);
    var iconBox = $("state-icon");
    iconBox.textContent = "";
    if (mode === "loading") iconBox.appendChild(el("div", { class: "spinner" }));
    else iconBox.appendChild(ui.icon(mode === "error" ? "alert" : "doc"));
    $("state-title").textContent = title;
    $("state-message").textContent = message || "";
    $("state-path").textContent = path || "";
    var box = $("state-actions");
    box.textContent = "";
    (actions || []).forEach(function (a) {
      var b = el("button", { class: "btn" + (a.primary ? " btn-primary" : ""), type: "button" }, [
        a.icon ? ui.icon(a.icon) : null,
        el("span", { text: a.label })
      ]);
      b.addEventListener("click", a.run);
      box.appendChild(b);
    });
    $("doc-title").textContent = mode === "loading" ? "正在打开文档…" : (window.ZvQuery.baseName(filePath) || title);
  }

  function goBack() {
    var r = native.goBack();
    // Outside the client the start page is next door.
    if (!r.ok) location.href = "../index.html";
  }

  function openOther() {
    var r = native.openFileDialog();
    if (!r.ok) ui.toast(r.message);
  }

  var BACK_ACTION = { label: "返回首页", icon: "back", run: goBack };
  var OPEN_ACTION = { label: "打开其他文档", icon: "folder", primary: true, run: openOther };

  function fail(title, message) {
    showState("error", title, message, filePath, [OPEN_ACTION, BACK_ACTION]);
    document.title = "无法打开文档 - Quorbital";
  }

  // The slide body as paragraphs and bulleted lists (see ZvDoc.bodyBlocks).
  function renderBody(target, text) {
    target.textContent = "";
    var blocks = window.ZvDoc.bodyBlocks(text);
    if (!blocks.length) {
      target.appendChild(el("p", { class: "empty-body", text: "（此幻灯片没有正文）" }));
      return;
    }
    blocks.forEach(function (b) {
      if (b.type === "ul") {
        target.appendChild(el("ul", null, b.items.map(function (item) { return el("li", { text: item }); })));
      } else {
        target.appendChild(el("p", { text: b.text }));
      }
    });
  }

  function firstLine(text) {
    var m = /\S[^\n]*/.exec(text || "");
    return m ? m[0].replace(/^\s*(?:[-*]|\u2022)\s+/, "") : "";
  }

  function buildRail() {
    var rail = $("rail");
    rail.textContent = "";
    doc.slides.forEach(function (s, i) {
      var b = el("button", { class: "thumb", type: "button", title: s.title || "第 " + (i + 1) + " 张" }, [
        el("span", { class: "thumb-no", text: String(i + 1) }),
        el("span", { class: "thumb-card" }, [
          el("div", { class: "thumb-title", text: s.title || "（无标题）" }),
          el("div", { class: "thumb-bar" }),
          el("div", { class: "thumb-text", text: firstLine(s.body) })
        ])
      ]);
      b.addEventListener("click", function () { show(i); });
      rail.appendChild(b);
    });
  }

  function show(index) {
    if (!doc || !doc.slides.length) return;
    current = Math.max(0, Math.min(doc.slides.length - 1, index));
    var s = doc.slides[current];
    $("slide-title").textContent = s.title || "（无标题）";
    renderBody($("slide-body"), s.body);
    $("notes-text").textContent = s.notes;
    $("slide-doc").textContent = doc.title;
    $("slide-no").textContent = (current + 1) + " / " + doc.slides.length;
    $("counter").textContent = (current + 1) + " / " + doc.slides.length;
    $("prev-btn").disabled = current === 0;
    $("next-btn").disabled = current === doc.slides.length - 1;
    var thumbs = $("rail").children;
    for (var i = 0; i < thumbs.length; i++) {
      thumbs[i].classList.toggle("is-current", i === current);
    }
    var active = thumbs[current];
    if (active && active.scrollIntoView) active.scrollIntoView({ block: "nearest" });
  }

  function setPresenting(on) {
    if (on === presenting || !doc || !doc.slides.length) return;
    presenting = on;
    if (on) {
      var r = native.setFullScreen(true);
      presentingFullScreen = r.ok;
      if (!r.ok) ui.toast(r.message + "，将在窗口内放映。按 Esc 退出。");
    } else if (presentingFullScreen) {
      native.setFullScreen(false);
      presentingFullScreen = false;
    }
    document.body.classList.toggle("presenting", on);
  }

  function showDocument(loaded) {
    doc = loaded;
    var name = window.ZvQuery.baseName(filePath);
    var title = doc.title || name || "未命名文档";
    doc.title = title;
    document.title = title + " - Quorbital";
    $("doc-title").textContent = title;
    $("doc-title").title = filePath;
    $("doc-sub").textContent = [name, doc.slides.length + " 张幻灯片", channel === "offline" ? "离线模式" : channel]
      .filter(Boolean).join(" · ");
    if (!doc.slides.length) {
      showState("empty", "文档没有幻灯片", "\u201c" + title + "\u201d 中还没有任何幻灯片。", filePath, [BACK_ACTION]);
      return;
    }
    setMode("");
    buildRail();
    show(0);
  }

  function documentUrl(path) {
    var url = window.ZvQuery.pathToFileUrl(path);
    if (url) return url;
    // A relative name is taken relative to this page (samples, tests).
    try {
      return new URL(path, location.href).href;
    } catch (e) {
      return null;
    }
  }

  function load() {
    if (!filePath) {
      showState("empty", "未指定文档", "编辑器需要一个 .zv 文档。请从首页打开文档，或选择一个示例。", "", [OPEN_ACTION, BACK_ACTION]);
      return;
    }
    var url = documentUrl(filePath);
    if (!url) {
      fail("无法打开文档", "文档路径无效。");
      return;
    }
    showState("loading", "正在打开文档…", window.ZvQuery.baseName(filePath), "", []);
    var xhr = new XMLHttpRequest();
    var done = false;
    function finish(fn) {
      if (done) return;
      done = true;
      fn();
    }
    try {
      xhr.open("GET", url, true);
      xhr.overrideMimeType("text/plain; charset=utf-8");
      xhr.timeout = LOAD_TIMEOUT_MS;
    } catch (e) {
      fail("无法打开文档", "无法读取此位置的文件。");
      return;
    }
    xhr.onload = function () {
      finish(function () {
        // Local files answer with status 0; a web server with 200.
        if (xhr.status !== 0 && (xhr.status < 200 || xhr.status > 299)) {
          fail("找不到文档", "读取文档失败（状态 " + xhr.status + "）。");
          return;
        }
        var result = window.ZvDoc.parseZv(xhr.responseText);
        if (!result.ok) fail("无法打开文档", result.message + "。");
        else showDocument(result.doc);
      });
    };
    xhr.onerror = function () {
      finish(function () { fail("找不到文档", "文档不存在、已被移动，或没有读取权限。"); });
    };
    xhr.ontimeout = function () {
      finish(function () { fail("无法打开文档", "读取文档超时。"); });
    };
    try {
      xhr.send();
    } catch (e) {
      finish(function () { fail("找不到文档", "文档不存在，或此环境不允许读取本地文件。"); });
    }
  }

  document.addEventListener("keydown", function (e) {
    if (!doc || !doc.slides.length || e.altKey || e.ctrlKey || e.metaKey) return;
    var k = e.key;
    if (k === "ArrowRight" || k === "ArrowDown" || k === "PageDown" || k === " ") show(current + 1);
    else if (k === "ArrowLeft" || k === "ArrowUp" || k === "PageUp") show(current - 1);
    else if (k === "Home") show(0);
    else if (k === "End") show(doc.slides.length - 1);
    else if (k === "F5") setPresenting(true);
    else if (k === "Escape") setPresenting(false);
    else return;
    e.preventDefault();
  });
  $("back-btn").addEventListener("click", goBack);
  $("prev-btn").addEventListener("click", function () { show(current - 1); });
  $("next-btn").addEventListener("click", function () { show(current + 1); });
  $("present-btn").addEventListener("click", function () { setPresenting(true); });
  $("exit-present").addEventListener("click", function () { setPresenting(false); });
  $("stage").addEventListener("click", function (e) {
    if (presenting) show(e.clientX < window.innerWidth / 3 ? current - 1 : current + 1);
  });

  // A path holding "#" puts the rest of it into the fragment; opening another
  // document of that folder then changes only the fragment and loads nothing,
  // so the page reloads itself to read the new address.
  window.addEventListener("hashchange", function () { location.reload(); });

  load();
})();
