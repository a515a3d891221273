// The page's number formats against what the C++ tools write.
import assert from "node:assert/strict";
import { test } from "node:test";

import { formatBytes, formatDouble, formatFloat32, formatGeneral, plural } from "../../page/format.js";

test("floats are written as their shortest text, laid out as std::to_chars does", () => {
  const cases = [
    [1064.5, "1064.5"],
    [-137, "-137"],
    [0, "0"],
    [-0, "-0"],
    [Math.fround(0.1), "0.1"],
    [Math.fround(1 / 3), "0.33333334"],
    [Math.fround(1e20), "1e+20"],
    [Math.fround(1e-5), "1e-05"],
    [Math.fround(0.0001), "1e-04"],
    [Math.fround(0.001), "0.001"],
    [Math.fround(1e5), "1e+05"],
    [Math.fround(1200000), "1200000"],
    [Math.fround(123456789), "123456792"],
    [Math.fround(1e9), "1e+09"],
    [Math.fround(1.5e9), "1.5e+09"],
    [Math.fround(3.4028234663852886e38), "3.4028235e+38"],
    [Math.fround(1.401298464324817e-45), "1e-45"],
    [Math.fround(16777216), "16777216"],
    [Math.fround(-2.5e-7), "-2.5e-07"],
  ];
  for (const [value, text] of cases) assert.equal(formatFloat32(value), text, String(value));
});

test("every float of a sweep reads back as itself", () => {
  // Floats from tiny to huge, of both signs: the text is a float's, and no
  // shorter text would read back.
  const bits = new Uint32Array(1);
  const float = new Float32Array(bits.buffer);
  for (let i = 0; i < 20000; ++i) {
    bits[0] = (Math.imul(i, 2654435761) >>> 0) & 0x7f7fffff | (i % 2 ? 0x80000000 : 0);
    const value = float[0];
    if (!Number.isFinite(value)) continue;
    const text = formatFloat32(value);
    assert.equal(Math.fround(Number(text)), value, text);
    const digits = text.replace(/^-/, "").replace(/e.*$/, "").replace(".", "").replace(/^0+/, "").replace(/0+$/, "");
    // (A whole number written plain shows every digit, so no shorter text
    // is looked for there.)
    if (digits.length > 1 && /[.e]/.test(text)) {
      assert.notEqual(Math.fround(Number(value.toPrecision(digits.length - 1))), value, text);
    }
  }
});

test("doubles are written as their shortest text", () => {
  assert.equal(formatDouble(128.37542599734576), "128.37542599734576");
  assert.equal(formatDouble(45), "45");
  assert.equal(formatDouble(1e21), "1e+21");
  assert.equal(formatDouble(1e20), "1e+20");
  assert.equal(formatDouble(123456), "123456");
});

test("lengths are written as printf's %g writes them", () => {
  const cases = [
    [128.37542599734576, "128.375"],
    [15, "15"],
    [1e7, "1e+07"],
    [999999.5, "1e+06"],
    [123456.4, "123456"],
    [0.0001234567, "0.000123457"],
    [0.00001234567, "1.23457e-05"],
    [-583.826, "-583.826"],
    [0, "0"],
    [2.5, "2.5"],
  ];
  for (const [value, text] of cases) assert.equal(formatGeneral(value), text, String(value));
});

test("byte counts and plurals", () => {
  assert.equal(formatBytes(6710886400), "6.7 GB");
  assert.equal(formatBytes(512), "512 bytes");
  assert.equal(formatBytes(123456789), "123 MB");
  assert.equal(plural(1, "waypoint"), "1 waypoint");
  assert.equal(plural(5, "waypoint"), "5 waypoints");
});
