// Download links: every link must keep the marker the client looks for, and
// the service base must be configurable without breaking them.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");
const vm = require("node:vm");
const links = require("../../bundle/contentEditor/js/links.js");

const ROOT = path.join(__dirname, "../../bundle/contentEditor");
function loadScript(file) {
  const sandbox = { window: {} };
  vm.runInNewContext(fs.readFileSync(path.join(ROOT, file), "utf8"), sandbox);
  return sandbox.window;
}

test("the shipped settings give working slide and instruction links", () => {
  const config = loadScript("config.js").QUORBITAL_CONFIG;
  const info = loadScript("bundle-info.js").QUORBITAL_BUNDLE;
  const list = links.downloadLinks(config, info);
  const slides = list.filter((l) => l.kind === "slide");
  assert.equal(slides.length, config.slides.length);
  for (const l of slides) {
    assert.ok(l.url.startsWith("http://127.0.0.1:8765/slide/download/"), l.url);
    assert.doesNotMatch(l.fileName, /[/?]/);
  }
  const doc = list.find((l) => l.kind === "instruction");
  assert.equal(doc.url, "http://127.0.0.1:8765/instruction.pdf");
  // A percent-escaped name is shown decoded.
  assert.ok(slides.some((l) => /[^\x00-\x7f]/.test(l.fileName)));
});

test("the base comes from the bundle, then the settings, then the default", () => {
  assert.equal(links.serviceBase({ serviceBase: "http://h:1" }, { serviceBase: "http://b:2/" }), "http://b:2/");
  assert.equal(links.serviceBase({ serviceBase: "http://h:1" }, {}), "http://h:1/");
  assert.equal(links.serviceBase({ serviceBase: "javascript:alert(1)" }, null), links.DEFAULT_BASE);
  assert.equal(links.serviceBase(undefined, undefined), links.DEFAULT_BASE);
});

test("links that would lose their marker are dropped", () => {
  const list = links.downloadLinks({
    serviceBase: "http://h/",
    slides: [{ path: "/slide/download/a.zip" }, { path: "files/b.zip" }, { path: "https://cdn.example/slide/download/c.zip" }, null],
    instruction: { path: "manual.pdf" },
  }, null);
  assert.deepEqual(list.map((l) => l.url), ["http://h/slide/download/a.zip", "https://cdn.example/slide/download/c.zip"]);
  assert.equal(list[0].title, "a.zip");
});

test("file names are the text after the last slash, decoded when possible", () => {
  assert.equal(links.fileNameOf("http://h/slide/download/%E7%AC%AC.zip"), "第.zip");
  assert.equal(links.fileNameOf("http://h/slide/download/100%.zip"), "100%.zip");
});
