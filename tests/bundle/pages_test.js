// The bundle must work without network and keep document text out of HTML
// parsing: every local reference resolves, nothing is loaded from elsewhere,
// and no script assigns HTML.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");

const ROOT = path.join(__dirname, "../../bundle/contentEditor");
const PAGES = ["index.html", "editor/index.html"];

function walk(dir) {
  return fs.readdirSync(dir, { withFileTypes: true }).flatMap((e) =>
    e.isDirectory() ? walk(path.join(dir, e.name)) : [path.join(dir, e.name)]);
}

test("every script and style a page names exists in the bundle", () => {
  for (const page of PAGES) {
    const html = fs.readFileSync(path.join(ROOT, page), "utf8");
    const refs = [...html.matchAll(/<(?:script|link)\b[^>]*(?:src|href)="([^"]+)"/g)].map((m) => m[1]);
    assert.ok(refs.length >= 3, page);
    for (const ref of refs) {
      assert.doesNotMatch(ref, /^[a-z]+:|^\/\//i, page + " loads " + ref + " from elsewhere");
      assert.ok(fs.existsSync(path.join(ROOT, path.dirname(page), ref)), page + ": missing " + ref);
    }
  }
});

test("no page, style or script reaches the network", () => {
  for (const file of walk(ROOT).filter((f) => /\.(html|css|js)$/.test(f))) {
    if (path.basename(file) === "config.js") continue; // the service address lives here
    const text = fs.readFileSync(file, "utf8")
      .replace(/http:\/\/www\.w3\.org\/2000\/svg/g, "")
      .replace(/http:\/\/127\.0\.0\.1[:\/]/g, "");
    assert.doesNotMatch(text, /https?:\/\/|@import|url\(\s*['"]?\/\//, path.relative(ROOT, file));
  }
});

test("scripts never hand text to the HTML parser", () => {
  for (const file of walk(path.join(ROOT, "js"))) {
    const text = fs.readFileSync(file, "utf8");
    assert.doesNotMatch(text, /innerHTML|outerHTML|insertAdjacentHTML|document\.write|\beval\(/, path.basename(file));
  }
});
