// SPDX-License-Identifier: Apache-2.0
// The edited document: operations at JSON Pointers, undo and redo, the
// unsaved flag and what survives a reload.
import { EditorDocument, apply, getAt, parsePointer, type Store } from "../../../web/src/editor/document";

function memory(): Store & { data: Map<string, string> } {
  const data = new Map<string, string>();
  return { data, getItem: (k) => data.get(k) ?? null, setItem: (k, v) => void data.set(k, v), removeItem: (k) => void data.delete(k) };
}

describe("JSON Pointers (RFC 6901)", () => {
  it("escapes ~0 and ~1, and reads through lists", () => {
    expect(parsePointer("/a~1b/m~0n/0")).toEqual(["a/b", "m~n", "0"]);
    const doc = { "a/b": { "m~n": [7] } };
    expect(getAt(doc, "/a~1b/m~0n/0")).toBe(7);
    expect(getAt(doc, "/a~1b/m~0n/1")).toBeUndefined();
  });

  it("never changes the document it is given", () => {
    const doc = { cap: { length: 4.8 }, loadCases: [{ name: "A" }] };
    const before = JSON.stringify(doc);
    apply(doc, { op: "set", path: "/cap/length", value: 5 });
    apply(doc, { op: "remove", path: "/loadCases/0" });
    expect(JSON.stringify(doc)).toBe(before);
  });
});

describe("editing with undo and redo", () => {
  it("a value set where nothing was is removed again by undo, with the objects made for it", () => {
    const e = new EditorDocument();
    e.load({ pylora: 1, loadCases: [{ loads: [{}] }] }, "m");
    e.set("/loadCases/0/loads/0/at/x", -0.6);
    expect(e.doc).toEqual({ pylora: 1, loadCases: [{ loads: [{ at: { x: -0.6 } }] }] });
    e.undo();
    expect(e.doc).toEqual({ pylora: 1, loadCases: [{ loads: [{}] }] });
    e.redo();
    expect(e.get("/loadCases/0/loads/0/at/x")).toBe(-0.6);
  });

  it("insert, remove and a batch are each one step", () => {
    const e = new EditorDocument();
    e.load({ pileGroups: [{ n: 1 }, { n: 2 }] }, "m");
    e.insert("/pileGroups/1", { n: 9 });
    expect(e.get("/pileGroups")).toEqual([{ n: 1 }, { n: 9 }, { n: 2 }]);
    e.batch("delete two", [{ op: "remove", path: "/pileGroups/2" }, { op: "remove", path: "/pileGroups/0" }]);
    expect(e.get("/pileGroups")).toEqual([{ n: 9 }]);
    e.undo();
    expect(e.get("/pileGroups")).toEqual([{ n: 1 }, { n: 9 }, { n: 2 }]);
    e.undo();
    expect(e.get("/pileGroups")).toEqual([{ n: 1 }, { n: 2 }]);
    expect(e.canUndo).toBe(false);
    e.redo();
    e.redo();
    expect(e.get("/pileGroups")).toEqual([{ n: 9 }]);
  });

  it("typing into one field is one step; a new edit drops the redo", () => {
    const e = new EditorDocument();
    e.load({ title: "A" }, "m");
    for (const t of ["N", "Ne", "New"]) e.set("/title", t, "title", "/title");
    e.seal();
    e.set("/title", "Newer", "title", "/title");
    e.undo();
    expect(e.get("/title")).toBe("New");
    e.undo();
    expect(e.get("/title")).toBe("A");
    e.set("/units", "metric");
    expect(e.canRedo).toBe(false);
  });

  it("unsaved until undone back to the document opened or saved", () => {
    const e = new EditorDocument();
    e.load({ title: "A" }, "m");
    expect(e.dirty).toBe(false);
    e.set("/title", "B");
    expect(e.dirty).toBe(true);
    e.undo();
    expect(e.dirty).toBe(false);
    e.redo();
    e.markSaved();
    expect(e.dirty).toBe(false);
    e.undo();
    expect(e.dirty).toBe(true);
  });

  it("refuses an operation where there is no list or element, and changes nothing", () => {
    const e = new EditorDocument();
    e.load({ title: "A", list: [1] }, "m");
    expect(() => e.remove("/list/3")).toThrow();
    expect(() => e.insert("/title/0", 1)).toThrow();
    expect(e.doc).toEqual({ title: "A", list: [1] });
    expect(e.canUndo).toBe(false);
  });
});

describe("kept in the store", () => {
  it("a reload finds the document, its history and its unsaved flag", () => {
    const store = memory();
    const a = new EditorDocument(store);
    a.load({ title: "A" }, "group3d");
    a.set("/title", "B");
    a.set("/units", "metric");
    a.undo();
    const b = new EditorDocument(store);
    expect(b.restore()).toBe(true);
    expect([b.name, b.doc, b.dirty]).toEqual(["group3d", { title: "B" }, true]);
    b.redo();
    expect(b.get("/units")).toBe("metric");
    b.undo();
    b.undo();
    expect([b.doc, b.dirty]).toEqual([{ title: "A" }, false]);
  });

  it("a store without room keeps the document without its history", () => {
    const store = memory();
    // Room for a document, not for a history.
    const tight: Store = { ...store, setItem: (k, v) => { if (v.includes('"undo":[{')) throw new Error("quota"); store.setItem(k, v); } };
    const a = new EditorDocument(tight);
    a.load({ title: "A" }, "m");
    a.set("/title", "B");
    const b = new EditorDocument(store);
    b.restore();
    expect([b.doc, b.canUndo, b.dirty]).toEqual([{ title: "B" }, false, true]);
  });

  it("nothing or something else in the store is no document", () => {
    const store = memory();
    expect(new EditorDocument(store).restore()).toBe(false);
    store.setItem("pylora-web-editor", "{not json");
    expect(new EditorDocument(store).restore()).toBe(false);
  });
});
