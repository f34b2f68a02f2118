// Reading the offline editor's address: the values the client writes must
// come back as the exact document path, whatever characters it holds.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const q = require("../../bundle/contentEditor/js/query.js");

const PAGE = "file:///home/u/.local/share/vexalio/contentEditor/editor/index.html";

test("channel and file come back decoded", () => {
  const r = q.parseQuery(PAGE + "?channel=offline&file=/home/u/my%20docs/%E8%AF%BE%E4%BB%B6%201.zv");
  assert.equal(r.channel, "offline");
  assert.equal(r.file, "/home/u/my docs/课件 1.zv");
});

test("characters the client leaves unescaped survive", () => {
  // "&", "#", "+" and "?" are not escaped by the client; "%" alone neither.
  assert.equal(q.parseQuery(PAGE + "?channel=offline&file=/d/a&b.zv").file, "/d/a&b.zv");
  assert.equal(q.parseQuery(PAGE + "?channel=offline&file=/d/no#1.zv").file, "/d/no#1.zv");
  assert.equal(q.parseQuery(PAGE + "?channel=offline&file=/d/c++ notes.zv").file, "/d/c++ notes.zv");
  assert.equal(q.parseQuery(PAGE + "?channel=offline&file=/d/why?.zv").file, "/d/why?.zv");
  assert.equal(q.parseQuery(PAGE + "?channel=offline&file=/d/100%.zv").file, "/d/100%.zv");
  assert.equal(q.parseQuery(PAGE + "?channel=offline&file=D:\\my%20docs\\a.zv").file, "D:\\my docs\\a.zv");
});

test("key order does not matter and unknown keys are kept apart", () => {
  const r = q.parseQuery("?file=/a%20b.zv&channel=offline&x=1");
  assert.equal(r.file, "/a b.zv");
  // "x" is not a key of this page, so "&x=1" belongs to the channel value.
  assert.equal(r.channel, "offline&x=1");
  assert.deepEqual(q.parseQuery(PAGE), {});
  assert.deepEqual(q.parseQuery(PAGE + "?"), {});
  assert.equal(q.parseQuery(PAGE + "?channel=offline").file, undefined);
  assert.equal(q.parseQuery(PAGE + "?channel=offline&file=").file, "");
});

test("decodeParam falls back safely on text that is not valid escaping", () => {
  assert.equal(q.decodeParam("a%20b"), "a b");
  assert.equal(q.decodeParam("100%"), "100%");
  assert.equal(q.decodeParam("%zz%20x"), "%zz x");
  assert.equal(q.decodeParam("%E8%AF%BE 50%"), "课 50%");
  // A lone byte that is not UTF-8 stays escaped instead of throwing.
  assert.equal(q.decodeParam("%FF%20%E8%AF%BE%"), "%FF 课%");
  assert.equal(q.decodeParam(undefined), "");
});

test("absolute paths become file URLs that name the same file", () => {
  assert.equal(q.pathToFileUrl("/home/u/my docs/课件.zv"),
    "file:///home/u/my%20docs/%E8%AF%BE%E4%BB%B6.zv");
  assert.equal(q.pathToFileUrl("/d/a#b?c%d.zv"), "file:///d/a%23b%3Fc%25d.zv");
  assert.equal(q.pathToFileUrl("C:\\Users\\u\\a b.zv"), "file:///C:/Users/u/a%20b.zv");
  // Round trip through the URL parser gives the path back.
  const url = new URL(q.pathToFileUrl("/tmp/x & y/#1 100%.zv"));
  assert.equal(decodeURIComponent(url.pathname), "/tmp/x & y/#1 100%.zv");
});

test("relative and empty paths are refused", () => {
  assert.equal(q.pathToFileUrl("docs/a.zv"), null);
  assert.equal(q.pathToFileUrl(""), null);
  assert.equal(q.pathToFileUrl(undefined), null);
  assert.equal(q.isAbsolutePath("C:relative.zv"), false);
});

test("baseName takes the last component of either separator", () => {
  assert.equal(q.baseName("/a/b/c.zv"), "c.zv");
  assert.equal(q.baseName("D:\\x\\y.zv"), "y.zv");
  assert.equal(q.baseName("/a/b/"), "b");
  assert.equal(q.baseName(""), "");
});
