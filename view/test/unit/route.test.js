// Routes over small maps built here, against routes worked out by hand and
// against every route a brute-force search finds.
import assert from "node:assert/strict";
import { test } from "node:test";

import { pathLength } from "../../page/map_data.js";
import { shortestRoute } from "../../page/route.js";

// A map as decodeMapData leaves it, from positions and path lists.
function mapOf(points, lists) {
  const n = points.length;
  const map = {
    n,
    x: Float32Array.from(points.map((p) => p[0])),
    y: Float32Array.from(points.map((p) => p[1])),
    z: Float32Array.from(points.map((p) => p[2] || 0)),
    outStart: new Uint32Array(n + 1),
  };
  lists.forEach((list, i) => (map.outStart[i + 1] = map.outStart[i] + list.length));
  map.outTarget = Int32Array.from(lists.flat());
  return map;
}

test("the six-waypoint example's route 0 -> 5", () => {
  // Paths 0->2, 0->4, 2->3, 3->1, 4->1, 1->5 (examples/six_waypoints.wpt).
  const map = mapOf(
    [[0, 0], [10, 0], [0, 5], [5, 5], [6, -8], [10, 5]],
    [[2, 4], [5], [3], [1], [1], []],
  );
  const route = shortestRoute(map, 0, 5);
  assert.deepEqual(route.waypoints, [0, 2, 3, 1, 5]);
  const sum = [[0, 2], [2, 3], [3, 1], [1, 5]].reduce(
    (total, [a, b]) => Math.fround(total + pathLength(map, a, b)), 0);
  assert.equal(route.length, sum);
  assert.equal(shortestRoute(map, 5, 0), null, "5 has no path out");
  assert.deepEqual(shortestRoute(map, 3, 3), { length: 0, waypoints: [3] });
});

test("path lengths are the loader's: float differences, a double root, a float", () => {
  const map = mapOf([[0.1, 0.2, 0.3], [1e7, -3, 0.7]], [[1], []]);
  const dx = Math.fround(map.x[0] - map.x[1]);
  const dy = Math.fround(map.y[0] - map.y[1]);
  const dz = Math.fround(map.z[0] - map.z[1]);
  assert.equal(pathLength(map, 0, 1), Math.fround(Math.sqrt(dx * dx + dy * dy + dz * dz)));
  assert.equal(pathLength(map, 0, 1), Math.fround(10000000));
});

test("random maps: every route is a chain of paths as short as any", () => {
  let seed = 7;
  const random = () => {
    seed = (Math.imul(seed, 1103515245) + 12345) >>> 0;
    return seed / 4294967296;
  };
  for (let trial = 0; trial < 40; ++trial) {
    const n = 3 + Math.floor(random() * 12);
    const points = [];
    const lists = [];
    for (let i = 0; i < n; ++i) {
      points.push([Math.floor(random() * 50), Math.floor(random() * 50), 0]);
      const list = [];
      const count = Math.floor(random() * 3);
      for (let k = 0; k < count; ++k) list.push(Math.floor(random() * n));
      lists.push(list);
    }
    const map = mapOf(points, lists);
    // Bellman-Ford in doubles: the shortest distances to compare with.
    for (let from = 0; from < n; ++from) {
      const best = new Array(n).fill(Infinity);
      best[from] = 0;
      for (let pass = 0; pass < n; ++pass) {
        lists.forEach((list, a) => {
          for (const b of list) best[b] = Math.min(best[b], best[a] + pathLength(map, a, b));
        });
      }
      for (let to = 0; to < n; ++to) {
        const route = shortestRoute(map, from, to);
        if (best[to] === Infinity) {
          assert.equal(route, null);
          continue;
        }
        assert.equal(route.waypoints[0], from);
        assert.equal(route.waypoints.at(-1), to);
        let length = 0;
        for (let k = 1; k < route.waypoints.length; ++k) {
          const [a, b] = [route.waypoints[k - 1], route.waypoints[k]];
          assert.ok(lists[a].includes(b), a + "->" + b + " is a path");
          length = Math.fround(length + pathLength(map, a, b));
        }
        assert.equal(route.length, length);
        assert.ok(Math.abs(route.length - best[to]) <= 1e-4 * Math.max(1, best[to]));
      }
    }
  }
});
