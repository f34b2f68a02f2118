/*
 * Access to the page functions the client binds on window (getversion,
 * isonline, openFileDialog, showWindowStatus, goback, registercb). Every one
 * of them is optional: in a plain browser they are missing, and a page must
 * keep working and say so instead of failing. Each call returns a result
 * record { ok, value } or { ok: false, reason, message } and never throws.
 * Works as a browser global (window.ZvNative) and as a CommonJS module.
 */
(function (root, factory) {
  if (typeof module === "object" && module.exports) module.exports = factory();
  else root.ZvNative = factory();
})(typeof self !== "undefined" ? self : this, function () {
  "use strict";

  // The user-facing names of the functions, for messages.
  var LABELS = {
    getversion: "客户端版本",
    isonline: "网络检测",
    openFileDialog: "打开文档",
    showWindowStatus: "全屏",
    goback: "返回首页",
    registercb: "页面回调"
  };

  function create(win) {
    function has(name) {
      return !!win && typeof win[name] === "function";
    }

    function unavailable(name) {
      return {
        ok: false,
        reason: "missing",
        message: "\u201c" + (LABELS[name] || name) + "\u201d 不可用：本机函数 " + name + "() 不存在（页面未运行在 Quorbital 客户端中）"
      };
    }

    function call(name, args) {
      if (!has(name)) return unavailable(name);
      try {
        return { ok: true, value: win[name].apply(win, args || []) };
      } catch (e) {
        return { ok: false, reason: "threw", message: "本机函数 " + name + "() 出错：" + (e && e.message ? e.message : String(e)) };
      }
    }

    return {
      has: has,
      // Inside the client the page functions are bound on every page.
      inClient: function () {
        return has("getversion") && has("openFileDialog");
      },
      getVersion: function () {
        var r = call("getversion");
        if (r.ok && typeof r.value !== "string") return { ok: false, reason: "bad-value", message: "客户端版本无效" };
        return r;
      },
      // The probe blocks the page while it runs; callers start it after the
      // first paint.
      isOnline: function () {
        var r = call("isonline");
        if (r.ok) r.value = r.value === true;
        return r;
      },
      openFileDialog: function () {
        return call("openFileDialog");
      },
      setFullScreen: function (on) {
        return call("showWindowStatus", [on ? 1 : 0]);
      },
      goBack: function () {
        return call("goback");
      },
      // The client confirms a registration by calling fn("register call back
      // function", 0) before registercb returns.
      registerCallback: function (fn) {
        if (typeof fn !== "function") return { ok: false, reason: "bad-argument", message: "回调必须是函数" };
        return call("registercb", [fn]);
      }
    };
  }

  return { create: create, LABELS: LABELS };
});
