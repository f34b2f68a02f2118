/*
 * The .zv document format: a UTF-8 JSON object
 *   { "format": "zv", "version": 1, "title": "...",
 *     "slides": [ { "title": "...", "body": "...", "notes": "..." } ] }
 * parseZv checks a document's text and returns either { ok: true, doc } with
 * a clean copy holding only the known members, or { ok: false, code,
 * message } with a message a user can read; bodyBlocks splits a slide body
 * into paragraphs and lists. Nothing here touches the page.
 * Works as a browser global (window.ZvDoc) and as a CommonJS module.
 */
(function (root, factory) {
  if (typeof module === "object" && module.exports) module.exports = factory();
  else root.ZvDoc = factory();
})(typeof self !== "undefined" ? self : this, function () {
  "use strict";

  var FORMAT = "zv";
  var VERSION = 1;
  // Limits keep a broken or hostile file from freezing the page.
  var MAX_TEXT_LENGTH = 8 * 1024 * 1024;
  var MAX_SLIDES = 2000;
  var MAX_FIELD_LENGTH = 100000;

  function fail(code, message) {
    return { ok: false, code: code, message: message };
  }

  function isPlainObject(value) {
    return value !== null && typeof value === "object" && !Array.isArray(value);
  }

  // A text member: absent or null reads as "", anything else but a string is
  // an error. Over-long texts are an error rather than silently cut.
  function readText(object, key, where) {
    var value = object[key];
    if (value === undefined || value === null) return { ok: true, value: "" };
    if (typeof value !== "string") {
      return fail("bad-field", where + "的 \u201c" + key + "\u201d 不是文本");
    }
    if (value.length > MAX_FIELD_LENGTH) {
      return fail("too-large", where + "的 \u201c" + key + "\u201d 过长");
    }
    return { ok: true, value: value };
  }

  function parseZv(text) {
    if (typeof text !== "string") return fail("empty", "文档内容为空");
    if (text.length > MAX_TEXT_LENGTH) return fail("too-large", "文档过大，无法打开");
    if (text.charCodeAt(0) === 0xfeff) text = text.slice(1);
    if (/^\s*$/.test(text)) return fail("empty", "文档内容为空");

    var data;
    try {
      data = JSON.parse(text);
    } catch (e) {
      return fail("not-json", "文档已损坏或不是 .zv 文档（无法解析 JSON）");
    }
    if (!isPlainObject(data)) return fail("not-object", "文档结构不正确（顶层不是对象）");
    if (data.format !== FORMAT) return fail("bad-format", "这不是 .zv 文档（format 应为 \u201czv\u201d）");
    if (typeof data.version !== "number" || !Number.isInteger(data.version) || data.version < 1) {
      return fail("bad-version", "文档版本号无效");
    }
    if (data.version > VERSION) {
      return fail("newer-version", "文档由较新版本（第 " + data.version + " 版格式）创建，请升级编辑器");
    }

    var title = readText(data, "title", "文档");
    if (!title.ok) return title;
    if (!Array.isArray(data.slides)) return fail("no-slides", "文档缺少幻灯片列表（slides）");
    if (data.slides.length > MAX_SLIDES) return fail("too-large", "幻灯片过多（最多 " + MAX_SLIDES + " 张）");

    var slides = [];
    for (var i = 0; i < data.slides.length; i++) {
      var where = "第 " + (i + 1) + " 张幻灯片";
      var s = data.slides[i];
      if (!isPlainObject(s)) return fail("bad-slide", where + "结构不正确");
      var slide = {};
      var keys = ["title", "body", "notes"];
      for (var k = 0; k < keys.length; k++) {
        var field = readText(s, keys[k], where);
        if (!field.ok) return field;
        slide[keys[k]] = field.value;
      }
      slides.push(slide);
    }
    return { ok: true, doc: { format: FORMAT, version: data.version, title: title.value, slides: slides } };
  }

  // Splits a slide body into blocks for display: lines starting with "- ",
  // "* " or "\u2022 " form bulleted lists, other lines paragraphs, and a blank
  // line ends a paragraph or list. Returns [{ type: "p", text }] and
  // [{ type: "ul", items: [...] }] records; the texts are shown as text.
  function bodyBlocks(text) {
    var blocks = [];
    var para = null;
    var list = null;
    String(text || "").split(/\r\n|\r|\n/).forEach(function (line) {
      var bullet = /^\s*(?:[-*]|\u2022)\s+(.*)$/.exec(line);
      if (bullet) {
        para = null;
        if (!list) {
          list = { type: "ul", items: [] };
          blocks.push(list);
        }
        list.items.push(bullet[1]);
      } else if (/^\s*$/.test(line)) {
        para = null;
        list = null;
      } else {
        list = null;
        if (para) {
          para.text += "\n" + line;
        } else {
          para = { type: "p", text: line };
          blocks.push(para);
        }
      }
    });
    return blocks;
  }

  return { FORMAT: FORMAT, VERSION: VERSION, MAX_SLIDES: MAX_SLIDES, parseZv: parseZv, bodyBlocks: bodyBlocks };
});
