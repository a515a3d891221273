// The map's data from the page's JSON element (view/page_data.h says what
// it holds): positions and path lists decoded into typed arrays, the paths
// into a reverse index and sorted by how they are drawn.

function bytesOf(base64) {
  const text = atob(base64);
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
  return new DataView(bytes.buffer);
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
  const positions = bytesOf(data.positions);
  if (positions.byteLength !== n * 12) throw new Error("the positions do not match the waypoint count");
  for (let i = 0; i < n; ++i) {
    map.x[i] = positions.getFloat32(i * 12, true);
    map.y[i] = positions.getFloat32(i * 12 + 4, true);
    map.z[i] = positions.getFloat32(i * 12 + 8, true);
  }
  const counts = bytesOf(data.pathCounts);
  const targets = bytesOf(data.pathTargets);
  if (counts.byteLength !== n * 4) throw new Error("the path counts do not match the waypoint count");
  const entries = targets.byteLength / 4;
  // Out lists in file order: outStart[i] to outStart[i + 1].
  map.outStart = new Uint32Array(n + 1);
  map.outTarget = new Int32Array(entries);
  for (let i = 0; i < n; ++i) map.outStart[i + 1] = map.outStart[i] + counts.getInt32(i * 4, true);
  if (map.outStart[n] !== entries) throw new Error("the path counts do not match the path entries");
  for (let k = 0; k < entries; ++k) {
    const target = targets.getInt32(k * 4, true);
    if (!(target >= 0 && target < n)) throw new Error("a path leads outside the map");
    map.outTarget[k] = target;
  }
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
  const seen = new Set();
  for (let from = 0; from < map.n; ++from) {
    seen.clear();
    for (let k = map.outStart[from]; k < map.outStart[from + 1]; ++k) {
      const to = map.outTarget[k];
      if (seen.has(to)) continue;
      seen.add(to);
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
