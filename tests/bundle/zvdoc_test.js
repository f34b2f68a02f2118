// Checking .zv documents: good documents come back clean, every broken one
// gives a readable message instead of an exception.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");
const { parseZv, MAX_SLIDES } = require("../../bundle/contentEditor/js/zvdoc.js");

const SAMPLES = path.join(__dirname, "../../bundle/contentEditor/samples");
const doc = (extra) => JSON.stringify(Object.assign({ format: "zv", version: 1, title: "T", slides: [] }, extra));

test("the shipped samples are valid documents", () => {
  const files = fs.readdirSync(SAMPLES).filter((f) => f.endsWith(".zv"));
  assert.ok(files.length >= 2);
  for (const f of files) {
    const r = parseZv(fs.readFileSync(path.join(SAMPLES, f), "utf8"));
    assert.ok(r.ok, f + ": " + r.message);
    assert.ok(r.doc.slides.length > 0, f);
  }
});

test("a good document keeps its texts and drops unknown members", () => {
  const r = parseZv("\ufeff" + doc({ extra: 1, slides: [{ title: "<b>x</b>", body: "a\nb", notes: "n", color: "red" }, {}] }));
  assert.ok(r.ok);
  assert.deepEqual(r.doc, {
    format: "zv", version: 1, title: "T",
    slides: [{ title: "<b>x</b>", body: "a\nb", notes: "n" }, { title: "", body: "", notes: "" }],
  });
});

test("missing title and null members read as empty text", () => {
  const r = parseZv(JSON.stringify({ format: "zv", version: 1, slides: [{ title: null, body: "b" }] }));
  assert.ok(r.ok);
  assert.equal(r.doc.title, "");
  assert.equal(r.doc.slides[0].title, "");
});

test("broken documents are refused with a code and a message", () => {
  const cases = [
    [undefined, "empty"], ["", "empty"], ["  \n", "empty"],
    ["{ not json", "not-json"], ["<html></html>", "not-json"],
    ["[]", "not-object"], ["null", "not-object"], ['"zv"', "not-object"],
    [JSON.stringify({ version: 1, slides: [] }), "bad-format"],
    [doc({ format: "ZV" }), "bad-format"],
    [doc({ version: "1" }), "bad-version"], [doc({ version: 0 }), "bad-version"],
    [doc({ version: 1.5 }), "bad-version"], [doc({ version: 2 }), "newer-version"],
    [doc({ title: 7 }), "bad-field"],
    [doc({ slides: undefined }), "no-slides"], [doc({ slides: {} }), "no-slides"],
    [doc({ slides: [null] }), "bad-slide"], [doc({ slides: [[1]] }), "bad-slide"],
    [doc({ slides: [{ body: ["x"] }] }), "bad-field"],
    [doc({ slides: [{}, { notes: 3 }] }), "bad-field"],
  ];
  for (const [text, code] of cases) {
    const r = parseZv(text);
    assert.equal(r.ok, false, String(text));
    assert.equal(r.code, code, String(text));
    assert.ok(typeof r.message === "string" && r.message.length > 0);
  }
  assert.match(parseZv(doc({ slides: [{}, { notes: 3 }] })).message, /第 2 张/);
});

test("oversized documents are refused instead of freezing the page", () => {
  const many = doc({ slides: Array.from({ length: MAX_SLIDES + 1 }, () => ({})) });
  assert.equal(parseZv(many).code, "too-large");
  assert.equal(parseZv(doc({ slides: [{ body: "x".repeat(200000) }] })).code, "too-large");
  assert.equal(parseZv(" ".repeat(9 * 1024 * 1024)).code, "too-large");
});

test("slide bodies split into paragraphs and bulleted lists", () => {
  const { bodyBlocks } = require("../../bundle/contentEditor/js/zvdoc.js");
  assert.deepEqual(bodyBlocks("Intro line\nsecond line\n\n- a\n* b\n\u2022 c\nafter\r\n\r\n  - d  "), [
    { type: "p", text: "Intro line\nsecond line" },
    { type: "ul", items: ["a", "b", "c"] },
    { type: "p", text: "after" },
    { type: "ul", items: ["d  "] },
  ]);
  // A dash without a blank after it is text, not a bullet.
  assert.deepEqual(bodyBlocks("-5 degrees\n--"), [{ type: "p", text: "-5 degrees\n--" }]);
  assert.deepEqual(bodyBlocks(""), []);
  assert.deepEqual(bodyBlocks(" \n\n"), []);
  assert.deepEqual(bodyBlocks(undefined), []);
  assert.deepEqual(bodyBlocks("<script>x</script>"), [{ type: "p", text: "<script>x</script>" }]);
});
