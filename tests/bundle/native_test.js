// The page functions are optional: with them the calls reach the client with
// the arguments it checks; without them every call says so and never throws.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const { create } = require("../../bundle/contentEditor/js/native.js");

function fakeClient() {
  const calls = [];
  const win = {
    getversion: () => "1.4.3",
    isonline: () => true,
    openFileDialog: (...a) => { calls.push(["openFileDialog", a]); },
    showWindowStatus: (...a) => { calls.push(["showWindowStatus", a]); },
    goback: (...a) => { calls.push(["goback", a]); },
    registercb: (...a) => { calls.push(["registercb", a]); a[0]("register call back function", 0); },
  };
  return { win, calls };
}

test("inside the client the calls carry what the client expects", () => {
  const { win, calls } = fakeClient();
  const n = create(win);
  assert.ok(n.inClient());
  assert.deepEqual(n.getVersion(), { ok: true, value: "1.4.3" });
  assert.deepEqual(n.isOnline(), { ok: true, value: true });
  n.openFileDialog();
  // The client only acts on an integer 1 or 0.
  n.setFullScreen(true);
  n.setFullScreen(false);
  n.goBack();
  assert.deepEqual(calls, [
    ["openFileDialog", []], ["showWindowStatus", [1]], ["showWindowStatus", [0]], ["goback", []],
  ]);
  const seen = [];
  assert.ok(n.registerCallback((t, i) => seen.push([t, i])).ok);
  assert.deepEqual(seen, [["register call back function", 0]]);
});

test("in a plain browser every call reports the missing function", () => {
  const n = create({});
  assert.equal(n.inClient(), false);
  for (const r of [n.getVersion(), n.isOnline(), n.openFileDialog(), n.setFullScreen(true), n.goBack(), n.registerCallback(() => {})]) {
    assert.equal(r.ok, false);
    assert.equal(r.reason, "missing");
    assert.match(r.message, /不可用/);
  }
  assert.equal(create(undefined).getVersion().ok, false);
});

test("odd answers and throwing functions are contained", () => {
  const n = create({
    getversion: () => undefined,
    isonline: () => "yes",
    goback: () => { throw new Error("boom"); },
    registercb: () => {},
  });
  assert.equal(n.getVersion().ok, false);
  assert.deepEqual(n.isOnline(), { ok: true, value: false });
  const r = n.goBack();
  assert.equal(r.reason, "threw");
  assert.match(r.message, /boom/);
  assert.equal(n.registerCallback("not a function").reason, "bad-argument");
});
