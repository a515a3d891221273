// The shortest route between two waypoints along the map's paths
// (Dijkstra's algorithm with a binary heap). Lengths are summed as the
// report sums them, in single precision, rounded after each path.
// Waypoints are settled in order of distance, then number, and a route of
// equal length found later never replaces one found first, so the same
// route comes back every time.
import { pathLength } from "./map_data.js";

// Returns null when `to` can't be reached from `from`, else the length and
// the waypoints from `from` to `to`.
export function shortestRoute(map, from, to) {
  const n = map.n;
  const distance = new Float64Array(n).fill(Infinity);
  const previous = new Int32Array(n).fill(-1);
  const done = new Uint8Array(n);
  const heap = new MinHeap(distance);
  distance[from] = 0;
  heap.push(from);
  while (heap.size > 0) {
    const v = heap.pop();
    if (done[v]) continue;
    done[v] = 1;
    if (v === to) break;
    for (let k = map.outStart[v]; k < map.outStart[v + 1]; ++k) {
      const w = map.outTarget[k];
      if (done[w]) continue;
      const sum = Math.fround(distance[v] + pathLength(map, v, w));
      if (sum < distance[w]) {
        distance[w] = sum;
        previous[w] = v;
        heap.push(w);
      }
    }
  }
  if (!done[to]) return null;
  const waypoints = [to];
  for (let v = to; v !== from; v = previous[v]) waypoints.push(previous[v]);
  waypoints.reverse();
  return { length: distance[to], waypoints };
}

// A heap of waypoint numbers ordered by their distance, then their number.
// A waypoint may be in it more than once; the caller skips the stale ones.
class MinHeap {
  constructor(distance) {
    this.distance = distance;
    this.items = [];
    this.keys = [];
  }

  get size() {
    return this.items.length;
  }

  before(i, j) {
    return this.keys[i] < this.keys[j] ||
      (this.keys[i] === this.keys[j] && this.items[i] < this.items[j]);
  }

  swap(i, j) {
    [this.items[i], this.items[j]] = [this.items[j], this.items[i]];
    [this.keys[i], this.keys[j]] = [this.keys[j], this.keys[i]];
  }

  push(v) {
    this.items.push(v);
    this.keys.push(this.distance[v]);
    let i = this.items.length - 1;
    while (i > 0) {
      const parent = (i - 1) >> 1;
      if (!this.before(i, parent)) break;
      this.swap(i, parent);
      i = parent;
    }
  }

  pop() {
    const top = this.items[0];
    const lastItem = this.items.pop();
    const lastKey = this.keys.pop();
    if (this.items.length > 0) {
      this.items[0] = lastItem;
      this.keys[0] = lastKey;
      let i = 0;
      for (;;) {
        const left = 2 * i + 1;
        const right = left + 1;
        let best = i;
        if (left < this.items.length && this.before(left, best)) best = left;
        if (right < this.items.length && this.before(right, best)) best = right;
        if (best === i) break;
        this.swap(i, best);
        i = best;
      }
    }
    return top;
  }
}
