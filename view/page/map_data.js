// The map's data from the page's JSON element (view/page_data.h says what
// it holds): positions and path lists decoded into typed arrays, the paths
// into a reverse index and sorted by how they are drawn.

// The value of each Base64 letter, 255 for anything else.
const BASE64 = new Uint8Array(128).fill(255);
"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/".split("").forEach((letter, k) => {
  BASE64[letter.charCodeAt(0)] = k;
});

// The bytes of Base64 text (with its padding), four letters at a time,
// straight into an array: no string of bytes in between.
export function bytesOf(base64) {
  let length = base64.length;
  if (length % 4 !== 0) throw new Error("the data is not Base64");
  let padding = 0;
  while (padding < 2 && length > 0 && base64.charCodeAt(length - 1 - padding) === 61) ++padding;
  const bytes = new Uint8Array((length / 4) * 3 - padding);
  length -= padding;
  let at = 0;
  let bad = 0;
  let i = 0;
  for (; i + 4 <= length; i += 4) {
    const a = BASE64[base64.charCodeAt(i) & 127];
    const b = BASE64[base64.charCodeAt(i + 1) & 127];
    const c = BASE64[base64.charCodeAt(i + 2) & 127];
    const d = BASE64[base64.charCodeAt(i + 3) & 127];
    bad |= a | b | c | d;
    const group = (a << 18) | (b << 12) | (c << 6) | d;
    bytes[at++] = group >> 16;
    bytes[at++] = (group >> 8) & 255;
    bytes[at++] = group & 255;
  }
  if (i < length) {
    const a = BASE64[base64.charCodeAt(i) & 127];
    const b = BASE64[base64.charCodeAt(i + 1) & 127];
    const c = length - i === 3 ? BASE64[base64.charCodeAt(i + 2) & 127] : 0;
    bad |= a | b | c;
    const group = (a << 18) | (b << 12) | (c << 6);
    bytes[at++] = group >> 16;
    if (length - i === 3) bytes[at++] = (group >> 8) & 255;
  }
  // A letter outside the alphabet (its value 255) sets the high bits.
  if (bad & 0xc0) throw new Error("the data is not Base64");
  return bytes;
}

// Whether this machine keeps numbers little-endian, as the data is: then
// typed arrays read it directly, else a DataView reads it value by value.
const LITTLE_ENDIAN = new Uint8Array(new Uint32Array([1]).buffer)[0] === 1;

// The 32-bit values of Base64 data: floats or integers, little-endian.
function valuesOf(base64, Type) {
  const bytes = bytesOf(base64);
  if (bytes.length % 4 !== 0) throw new Error("the data is cut short");
  if (LITTLE_ENDIAN) return new Type(bytes.buffer);
  const view = new DataView(bytes.buffer);
  const values = new Type(bytes.length / 4);
  const float = Type === Float32Array;
  for (let i = 0; i < values.length; ++i) {
    values[i] = float ? view.getFloat32(i * 4, true) : view.getInt32(i * 4, true);
  }
  return values;
}

// The straight-line length of a path as the loader computes it: each
// coordinate difference rounded to a float, the sum of squares and the
// root in double precision, rounded to a float.
export function pathLength(map, a, b) {
  const dx = Math.fround(map.x[a] - map.x[b]);
  const dy = Math.fround(map.y[a] - map.y[b]);
  const dz = Math.fround(map.z[a] - map.z[b]);
  return Math.fround(Math.sqrt(dx * dx + dy * dy + dz * dz));
}

export function decodeMapData(data) {
  const n = data.waypoints;
  const map = {
    data,
    n,
    x: new Float32Array(n),
    y: new Float32Array(n),
    z: new Float32Array(n),
  };
  const positions = valuesOf(data.positions, Float32Array);
  if (positions.length !== n * 3) throw new Error("the positions do not match the waypoint count");
  for (let i = 0; i < n; ++i) {
    map.x[i] = positions[i * 3];
    map.y[i] = positions[i * 3 + 1];
    map.z[i] = positions[i * 3 + 2];
  }
  const counts = valuesOf(data.pathCounts, Int32Array);
  const targets = valuesOf(data.pathTargets, Int32Array);
  if (counts.length !== n) throw new Error("the path counts do not match the waypoint count");
  const entries = targets.length;
  // Out lists in file order: outStart[i] to outStart[i + 1].
  map.outStart = new Uint32Array(n + 1);
  for (let i = 0; i < n; ++i) map.outStart[i + 1] = map.outStart[i] + counts[i];
  if (map.outStart[n] !== entries) throw new Error("the path counts do not match the path entries");
  for (let k = 0; k < entries; ++k) {
    if (!(targets[k] >= 0 && targets[k] < n)) throw new Error("a path leads outside the map");
  }
  map.outTarget = targets;
  // In lists: the sources of the paths into each waypoint, ascending.
  map.inStart = new Uint32Array(n + 1);
  for (let k = 0; k < entries; ++k) ++map.inStart[map.outTarget[k] + 1];
  for (let i = 0; i < n; ++i) map.inStart[i + 1] += map.inStart[i];
  map.inSource = new Int32Array(entries);
  const fill = map.inStart.slice(0, n);
  for (let from = 0; from < n; ++from) {
    for (let k = map.outStart[from]; k < map.outStart[from + 1]; ++k) {
      map.inSource[fill[map.outTarget[k]]++] = from;
    }
  }
  classifyPaths(map);
  return map;
}

export function hasPath(map, from, to) {
  for (let k = map.outStart[from]; k < map.outStart[from + 1]; ++k) {
    if (map.outTarget[k] === to) return true;
  }
  return false;
}

// The distinct paths as they are drawn: a pair joined both ways is one
// line (lineA < lineB), a path without its reverse an arrow, a path to its
// own waypoint a loop; repeated entries once.
function classifyPaths(map) {
  const lineA = [];
  const lineB = [];
  const arrowFrom = [];
  const arrowTo = [];
  const loops = [];
  // seen[to] is from + 1 once from's list has named `to`.
  const seen = new Int32Array(map.n);
  for (let from = 0; from < map.n; ++from) {
    for (let k = map.outStart[from]; k < map.outStart[from + 1]; ++k) {
      const to = map.outTarget[k];
      if (seen[to] === from + 1) continue;
      seen[to] = from + 1;
      if (to === from) {
        loops.push(from);
      } else if (hasPath(map, to, from)) {
        if (from < to) {
          lineA.push(from);
          lineB.push(to);
        }
      } else {
        arrowFrom.push(from);
        arrowTo.push(to);
      }
    }
  }
  map.lineA = Int32Array.from(lineA);
  map.lineB = Int32Array.from(lineB);
  map.arrowFrom = Int32Array.from(arrowFrom);
  map.arrowTo = Int32Array.from(arrowTo);
  map.loops = Int32Array.from(loops);
}

// The distinct targets of a waypoint's paths, in file order, and the
// distinct sources of the paths into it, ascending.
export function pathsOut(map, v) {
  return [...new Set(map.outTarget.subarray(map.outStart[v], map.outStart[v + 1]))];
}

export function pathsIn(map, v) {
  return [...new Set(map.inSource.subarray(map.inStart[v], map.inStart[v + 1]))];
}
