// Waypoint files for the page's tests, read and written here on their own
// (the format of waypoint/loader.h), so the tests check the page against
// the file itself and not against the page's own decoding.
import { readFileSync, writeFileSync } from "node:fs";

export function readWaypointFile(path) {
  const bytes = readFileSync(path);
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const n = view.getInt32(16, true);
  const nameBytes = bytes.subarray(20, 52);
  const end = nameBytes.indexOf(0);
  const name = nameBytes.subarray(0, end < 0 ? 32 : end).toString("utf8");
  const x = new Float32Array(n);
  const y = new Float32Array(n);
  const z = new Float32Array(n);
  for (let i = 0; i < n; ++i) {
    x[i] = view.getFloat32(52 + 16 * i + 4, true);
    y[i] = view.getFloat32(52 + 16 * i + 8, true);
    z[i] = view.getFloat32(52 + 16 * i + 12, true);
  }
  const paths = [];
  let at = 52 + 16 * n;
  let entries = 0;
  for (let i = 0; i < n; ++i) {
    const count = view.getInt16(at, true);
    at += 2;
    const list = [];
    for (let k = 0; k < count; ++k, at += 2) list.push(view.getInt16(at, true));
    entries += count;
    paths.push(list);
  }
  return { n, name, x, y, z, paths, entries };
}

// points: [[x, y, z], ...]; paths: a list of targets for each waypoint;
// name: a Buffer or text of at most 32 bytes.
export function writeWaypointFile(path, name, points, paths) {
  const n = points.length;
  let size = 52 + 16 * n;
  for (let i = 0; i < n; ++i) size += 2 + 2 * (paths[i] || []).length;
  const bytes = Buffer.alloc(size);
  bytes.write("HPB_bot", 0, "latin1");
  bytes.writeInt32LE(n, 16);
  Buffer.from(name).copy(bytes, 20, 0, 32);
  points.forEach(([px, py, pz], i) => {
    bytes.writeFloatLE(px, 52 + 16 * i + 4);
    bytes.writeFloatLE(py, 52 + 16 * i + 8);
    bytes.writeFloatLE(pz, 52 + 16 * i + 12);
  });
  let at = 52 + 16 * n;
  for (let i = 0; i < n; ++i) {
    const list = paths[i] || [];
    bytes.writeInt16LE(list.length, at);
    at += 2;
    for (const target of list) {
      bytes.writeInt16LE(target, at);
      at += 2;
    }
  }
  writeFileSync(path, bytes);
}

// The loader's path length: float differences, a double root, a float.
export function length(map, a, b) {
  const dx = Math.fround(map.x[a] - map.x[b]);
  const dy = Math.fround(map.y[a] - map.y[b]);
  const dz = Math.fround(map.z[a] - map.z[b]);
  return Math.fround(Math.sqrt(dx * dx + dy * dy + dz * dz));
}

// Shortest distances from `from` along the paths, in single-precision
// sums, by the plain O(N^2) form of Dijkstra's algorithm.
export function distancesFrom(map, from) {
  const distance = new Array(map.n).fill(Infinity);
  const done = new Array(map.n).fill(false);
  distance[from] = 0;
  for (;;) {
    let v = -1;
    for (let i = 0; i < map.n; ++i) {
      if (!done[i] && distance[i] < Infinity && (v < 0 || distance[i] < distance[v])) v = i;
    }
    if (v < 0) return distance;
    done[v] = true;
    for (const w of map.paths[v]) {
      const sum = Math.fround(distance[v] + length(map, v, w));
      if (sum < distance[w]) distance[w] = sum;
    }
  }
}
