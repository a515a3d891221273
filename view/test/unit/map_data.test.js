// The decoding of the page's data.
import assert from "node:assert/strict";
import { test } from "node:test";

import { bytesOf } from "../../page/map_data.js";

test("Base64 decodes as the tool encodes, every length of the last group", () => {
  for (const text of ["", "f", "fo", "foo", "foob", "fooba", "foobar", "\xfb\xff\xbf"]) {
    const encoded = Buffer.from(text, "latin1").toString("base64");
    assert.deepEqual(Buffer.from(bytesOf(encoded)).toString("latin1"), text, encoded);
  }
  assert.throws(() => bytesOf("Zm9"), /not Base64/);
  assert.throws(() => bytesOf("Zm9*"), /not Base64/);
});

const base64 = (Type, values) => Buffer.from(new Type(values).buffer).toString("base64");

test("the data decodes into positions, path lists both ways and drawn paths", async () => {
  const { decodeMapData, pathsIn, pathsOut } = await import("../../page/map_data.js");
  // 0<->1 both ways, 1->2 one way, 2->2 a loop, 0->1 listed twice.
  const map = decodeMapData({
    waypoints: 3,
    positions: base64(Float32Array, [0, 0, 0, 3, 4, 0, 0.1, -2, 7.5]),
    pathCounts: base64(Int32Array, [2, 2, 1]),
    pathTargets: base64(Int32Array, [1, 1, 0, 2, 2]),
  });
  assert.deepEqual(Array.from(map.z), [0, 0, 7.5]);
  assert.equal(map.x[2], Math.fround(0.1));
  assert.deepEqual(Array.from(map.lineA), [0]);
  assert.deepEqual(Array.from(map.lineB), [1]);
  assert.deepEqual(Array.from(map.arrowFrom), [1]);
  assert.deepEqual(Array.from(map.arrowTo), [2]);
  assert.deepEqual(Array.from(map.loops), [2]);
  assert.deepEqual(pathsOut(map, 0), [1]);
  assert.deepEqual(pathsIn(map, 2), [1, 2]);
  assert.deepEqual(pathsIn(map, 1), [0]);
  assert.throws(() => decodeMapData({ waypoints: 1, positions: base64(Float32Array, [0, 0, 0]),
    pathCounts: base64(Int32Array, [1]), pathTargets: base64(Int32Array, [1]) }), /outside the map/);
});
