/*
 * Start page behaviour: shows the client's version and network state, opens
 * documents through the client's open dialog, switches full screen, lists the
 * samples, slide downloads and the instruction document, and registers a page
 * callback whose confirmation is shown. Every native function may be absent
 * (a plain browser); the page then says so and keeps working.
 */
(function () {
  "use strict";

  var ui = window.ZvUi;
  var el = ui.el;
  var native = window.ZvNative.create(window);
  var config = window.QUORBITAL_CONFIG || {};
  var bundle = window.QUORBITAL_BUNDLE || {};
  var $ = function (id) { return document.getElementById(id); };

  function setPill(pill, state, text, textNode) {
    pill.className = "pill" + (state ? " is-" + state : "");
    textNode.textContent = text;
  }

  // Version: answered at once by the client, so it is shown before painting.
  function showVersion() {
    var r = native.getVersion();
    if (r.ok) {
      $("version-text").textContent = "客户端 v" + r.value;
      $("version-fact").textContent = r.value;
    } else {
      $("version-text").textContent = "客户端版本不可用";
      $("version-fact").textContent = "不可用";
      $("version-fact").title = r.message;
    }
    $("env-text").textContent = native.inClient() ? "Quorbital 客户端" : "浏览器（本机函数不可用）";
  }

  // The page says when what it shows at start is complete (the online check
  // is the last part to arrive): data-ready on the root element and the
  // event "startpage:ready", once, for whoever watches the page.
  function markReady() {
    if (document.documentElement.dataset.ready === "true") return;
    document.documentElement.dataset.ready = "true";
    document.dispatchEvent(new Event("startpage:ready"));
  }

  function checkOnline() {
    var pill = $("online-pill");
    setPill(pill, "warn is-busy", "网络检测中…", $("online-text"));
    $("online-fact").textContent = "检测中…";
    ui.afterFirstPaint(function () {
      var r = native.isOnline();
      if (!r.ok) {
        setPill(pill, "", "网络状态未知", $("online-text"));
        $("online-fact").textContent = "未知（本机函数不可用）";
        pill.title = r.message;
      } else if (r.value) {
        setPill(pill, "ok", "在线", $("online-text"));
        $("online-fact").textContent = "在线";
        pill.title = "已连接网络 · 点击重新检测";
      } else {
        setPill(pill, "bad", "离线", $("online-text"));
        $("online-fact").textContent = "离线（可继续使用离线编辑器）";
        pill.title = "未连接网络 · 点击重新检测";
      }
      markReady();
    });
  }

  function showBundle() {
    var fact = $("bundle-fact");
    if (typeof bundle.build === "number" && isFinite(bundle.build)) {
      fact.textContent = "Build " + bundle.build + (bundle.source ? " · " + bundle.source : "");
      $("foot-bundle").textContent = "页面包 Build " + bundle.build;
      $("bundle-pill").textContent = "页面包 Build " + bundle.build;
      $("bundle-pill").hidden = false;
    } else {
      fact.textContent = "内置默认版本";
    }
  }

  // Full screen: the client does not report its state, so the page keeps
  // its own; inside the client a page as large as the screen means the
  // window is already full screen (the skin's caption is gone).
  var fullScreen = native.has("showWindowStatus") && !!window.screen &&
    window.innerWidth >= screen.width && window.innerHeight >= screen.height;
  function renderFullScreen() {
    $("fullscreen-text").textContent = fullScreen ? "退出全屏" : "全屏";
    ui.setIcon($("fullscreen-icon"), fullScreen ? "compress" : "expand");
    $("fullscreen-btn").setAttribute("aria-pressed", fullScreen ? "true" : "false");
  }
  function toggleFullScreen() {
    var r = native.setFullScreen(!fullScreen);
    if (!r.ok) {
      ui.toast(r.message);
      return;
    }
    fullScreen = !fullScreen;
    renderFullScreen();
  }

  function openDocument() {
    var r = native.openFileDialog();
    if (!r.ok) ui.toast(r.message + "。也可以从下方的示例文档开始。");
  }

  // The directory of this page as a local path, or null when the page does
  // not come from a file (then samples are linked relative to the editor).
  function pageDirectory() {
    if (location.protocol !== "file:") return null;
    var path;
    try {
      path = decodeURIComponent(location.pathname);
    } catch (e) {
      path = location.pathname;
    }
    if (/^\/[A-Za-z]:\//.test(path)) path = path.slice(1);
    return path.slice(0, path.lastIndexOf("/") + 1);
  }

  function renderSamples() {
    var list = $("sample-list");
    var samples = Array.isArray(config.samples) ? config.samples : [];
    var dir = pageDirectory();
    samples.forEach(function (s) {
      var file = String(s.file || "");
      if (!file) return;
      var target = dir !== null ? dir + "samples/" + file : "../samples/" + file;
      var href = "editor/index.html?channel=offline&file=" + encodeURIComponent(target);
      list.appendChild(el("a", { class: "sample", href: href }, [
        el("span", { class: "sample-thumb", text: s.badge || "ZV" }),
        el("span", { class: "sample-meta" }, [
          el("div", { class: "sample-title", text: s.title || file }),
          el("div", { class: "sample-detail", text: s.detail || file })
        ]),
        ui.icon("arrow")
      ]));
    });
    var other = el("button", { class: "sample sample-open", type: "button" }, [
      el("span", { class: "sample-thumb" }, [ui.icon("folder")]),
      el("span", { class: "sample-meta" }, [
        el("div", { class: "sample-title", text: "打开其他文档…" }),
        el("div", { class: "sample-detail", text: "从本机选择 .zv 文档" })
      ])
    ]);
    other.addEventListener("click", openDocument);
    list.appendChild(other);
  }

  function renderDownloads() {
    var links = window.ZvLinks.downloadLinks(config, bundle);
    var base = window.ZvLinks.serviceBase(config, bundle);
    $("service-hint").textContent = base.replace(/^https?:\/\//, "").replace(/\/$/, "");
    $("service-hint").title = "下载服务：" + base;
    var list = $("download-list");
    links.filter(function (l) { return l.kind === "slide"; }).forEach(function (l) {
      list.appendChild(el("li", { class: "file-row" }, [
        el("span", { class: "file-icon" }, [ui.icon("slides")]),
        el("div", { class: "file-meta" }, [
          el("div", { class: "file-title", text: l.title }),
          el("div", { class: "file-detail", text: l.detail ? l.detail + " · " + l.fileName : l.fileName })
        ]),
        el("a", { class: "btn", href: l.url, title: l.url }, [ui.icon("download"), el("span", { text: "下载" })])
      ]));
    });
    if (!list.children.length) list.appendChild(el("li", { class: "empty", text: "暂无可下载的课件。" }));

    var box = $("instruction-box");
    var doc = links.filter(function (l) { return l.kind === "instruction"; })[0];
    if (doc) {
      box.appendChild(el("a", { class: "doc-link", href: doc.url, title: doc.url }, [
        el("div", { class: "file-meta" }, [
          el("div", { class: "file-title", text: doc.title }),
          el("div", { class: "file-detail", text: doc.detail || doc.fileName })
        ]),
        ui.icon("download")
      ]));
    } else {
      box.appendChild(el("div", { class: "empty", text: "暂无使用说明。" }));
    }
  }

  // Page callback: the client calls it once while registercb runs.
  var callbackCalls = 0;
  function onCallback(text, number) {
    callbackCalls++;
    $("callback-box").className = "callback is-ok";
    $("callback-state").textContent = callbackCalls === 1 ? "已注册 · 客户端已确认" : "已注册 · 收到 " + callbackCalls + " 次调用";
    $("callback-args").textContent = "callback(" + JSON.stringify(String(text)) + ", " + Number(number) + ")";
  }
  function registerCallback() {
    var before = callbackCalls;
    var r = native.registerCallback(onCallback);
    if (!r.ok) {
      $("callback-box").className = "callback is-missing";
      $("callback-state").textContent = "无法注册";
      $("callback-args").textContent = r.message;
      return false;
    }
    if (callbackCalls === before) {
      $("callback-state").textContent = "已注册 · 等待客户端确认";
    }
    return true;
  }

  showVersion();
  showBundle();
  renderFullScreen();
  renderSamples();
  renderDownloads();
  registerCallback();
  checkOnline();

  $("open-btn").addEventListener("click", openDocument);
  $("fullscreen-btn").addEventListener("click", toggleFullScreen);
  $("online-pill").addEventListener("click", checkOnline);
  $("register-btn").addEventListener("click", function () {
    if (registerCallback()) ui.toast("已重新注册页面回调", "ok");
  });
  if (!native.inClient()) {
    ui.afterFirstPaint(function () {
      ui.toast("页面运行在浏览器中：客户端本机函数不可用，打开文档与全屏等功能将无法使用。");
    });
  }
})();
