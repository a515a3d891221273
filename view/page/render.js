// Draws the map on a canvas: top down (x to the right, y up) or from the
// side (x or y to the right, z up), panned and zoomed, with only what lies
// in view and inside the height filter. A full drawing is kept as a
// picture; while the view moves, frames that a full drawing would slow
// down show that picture moved and scaled, and the full drawing follows
// once the view rests.
import { COLOURS, HEIGHT_BANDS, KIND_COLOURS, rampColour } from "./colours.js";
import { formatGeneral } from "./format.js";
import { PixelCanvas, pixelColour } from "./pixels.js";

const PROJECTIONS = {
  top: ["x", "y"],
  xz: ["x", "z"],
  yz: ["y", "z"],
};

// A full drawing slower than this is not repeated for every frame of a
// moving view (a frame at 60 per second has 16 ms).
const SLOW_DRAW_MS = 12;
const REST_MS = 140;
// A view with more paths or waypoints than this in it is drawn pixel by
// pixel (pixels.js): quicker, without anti-aliasing or arrowheads, which
// are too small to see there anyway.
const DENSE_PATHS = 1500;
const DENSE_WAYPOINTS = 2500;

export class MapRenderer {
  constructor(canvas, map, findings) {
    this.canvas = canvas;
    this.context = canvas.getContext("2d");
    this.map = map;
    this.findings = findings;
    this.projection = "top";
    this.visible = new Uint8Array(map.n).fill(1);
    this.u = new Float64Array(map.n);
    this.w = new Float64Array(map.n);
    this.sx = new Float32Array(map.n);
    this.sy = new Float32Array(map.n);
    this.cx = 0;
    this.cy = 0;
    this.scale = 1;
    this.width = 0;
    this.height = 0;
    this.ratio = 1;
    this.overlay = { waypoint: -1, island: -1, route: null, routeStart: -1, reportRoute: true };
    this.cache = document.createElement("canvas");
    this.cacheView = null;
    this.lastDrawMs = 0;
    this.drawCount = 0;
    this.frameRequested = false;
    this.fullPending = false;
    this.restTimer = 0;
    this.onDraw = null;
    // Every frame drawn in full, never the moved picture (the benchmark
    // measures both).
    this.fullFrames = false;
    this.setHeightBands();
    this.setProjection("top");
  }

  // The colour band of each waypoint by height.
  setHeightBands() {
    const z = this.map.z;
    let low = Infinity;
    let high = -Infinity;
    for (let i = 0; i < this.map.n; ++i) {
      low = Math.min(low, z[i]);
      high = Math.max(high, z[i]);
    }
    if (this.map.n === 0) low = high = 0;
    this.zLow = low;
    this.zHigh = high;
    this.band = new Uint8Array(this.map.n);
    this.bandColours = [];
    for (let b = 0; b < HEIGHT_BANDS; ++b) this.bandColours.push(rampColour(b / (HEIGHT_BANDS - 1)));
    const span = high - low;
    for (let i = 0; i < this.map.n; ++i) {
      const t = span > 0 ? (z[i] - low) / span : 0.5;
      this.band[i] = Math.round(t * (HEIGHT_BANDS - 1));
    }
    // The waypoints grouped by band, so each band is one fill.
    this.bandStart = new Uint32Array(HEIGHT_BANDS + 1);
    for (let i = 0; i < this.map.n; ++i) ++this.bandStart[this.band[i] + 1];
    for (let b = 0; b < HEIGHT_BANDS; ++b) this.bandStart[b + 1] += this.bandStart[b];
    this.byBand = new Int32Array(this.map.n);
    const fill = this.bandStart.slice(0, HEIGHT_BANDS);
    for (let i = 0; i < this.map.n; ++i) this.byBand[fill[this.band[i]]++] = i;
  }

  setProjection(name) {
    const [across, up] = PROJECTIONS[name];
    this.projection = name;
    const a = this.map[across];
    const b = this.map[up];
    for (let i = 0; i < this.map.n; ++i) {
      this.u[i] = a[i];
      this.w[i] = b[i];
    }
    this.gap = this.typicalGap();
  }

  // The median length of the drawn paths between distinct waypoints, as
  // projected: how far apart neighbours usually are.
  typicalGap() {
    const { lineA, lineB, arrowFrom, arrowTo } = this.map;
    const lengths = [];
    const step = Math.max(1, Math.floor((lineA.length + arrowFrom.length) / 20000));
    for (let k = 0; k < lineA.length; k += step) this.pushLength(lengths, lineA[k], lineB[k]);
    for (let k = 0; k < arrowFrom.length; k += step) this.pushLength(lengths, arrowFrom[k], arrowTo[k]);
    if (lengths.length > 0) {
      lengths.sort((p, q) => p - q);
      return lengths[lengths.length >> 1];
    }
    const box = this.bounds(false);
    const area = Math.max(box.right - box.left, 1) * Math.max(box.top - box.bottom, 1);
    return Math.sqrt(area / Math.max(this.map.n, 1)) * 0.5;
  }

  pushLength(lengths, a, b) {
    const length = Math.hypot(this.u[b] - this.u[a], this.w[b] - this.w[a]);
    if (length > 0) lengths.push(length);
  }

  setHeightFilter(low, high) {
    const z = this.map.z;
    for (let i = 0; i < this.map.n; ++i) this.visible[i] = z[i] >= low && z[i] <= high ? 1 : 0;
  }

  // The box of the waypoints (the visible ones only, if asked) in the
  // projection's units.
  bounds(visibleOnly) {
    let left = Infinity;
    let right = -Infinity;
    let bottom = Infinity;
    let top = -Infinity;
    for (let i = 0; i < this.map.n; ++i) {
      if (visibleOnly && !this.visible[i]) continue;
      left = Math.min(left, this.u[i]);
      right = Math.max(right, this.u[i]);
      bottom = Math.min(bottom, this.w[i]);
      top = Math.max(top, this.w[i]);
    }
    if (left > right) return { left: -1, right: 1, bottom: -1, top: 1 };
    return { left, right, bottom, top };
  }

  resize() {
    const rect = this.canvas.getBoundingClientRect();
    this.ratio = window.devicePixelRatio || 1;
    this.width = Math.max(1, rect.width);
    this.height = Math.max(1, rect.height);
    this.canvas.width = Math.round(this.width * this.ratio);
    this.canvas.height = Math.round(this.height * this.ratio);
    this.cacheView = null;
  }

  // Shows a box of the projection's plane whole, with a margin.
  showBox(left, right, bottom, top, margin = 0.06) {
    const spanU = Math.max(right - left, 0);
    const spanW = Math.max(top - bottom, 0);
    this.cx = (left + right) / 2;
    this.cy = (bottom + top) / 2;
    const usable = 1 - 2 * margin;
    const byU = spanU > 0 ? (this.width * usable) / spanU : Infinity;
    const byW = spanW > 0 ? (this.height * usable) / spanW : Infinity;
    let scale = Math.min(byU, byW);
    if (!Number.isFinite(scale)) scale = Math.min(this.width, this.height) / (4 * Math.max(this.gap, 1));
    this.scale = clampScale(scale);
  }

  fit() {
    const box = this.bounds(true);
    this.showBox(box.left, box.right, box.bottom, box.top);
  }

  // Centres a waypoint with its neighbourhood in view.
  focus(v) {
    this.cx = this.u[v];
    this.cy = this.w[v];
    const wanted = Math.min(this.width, this.height) / (12 * Math.max(this.gap, 1e-3));
    this.scale = clampScale(Math.max(this.scale, wanted));
  }

  panBy(dx, dy) {
    this.cx -= dx / this.scale;
    this.cy += dy / this.scale;
  }

  // Zooms by `factor` keeping the map point under screen point (px, py).
  zoomAt(factor, px, py) {
    const u = this.cx + (px - this.width / 2) / this.scale;
    const w = this.cy - (py - this.height / 2) / this.scale;
    this.scale = clampScale(this.scale * factor);
    this.cx = u - (px - this.width / 2) / this.scale;
    this.cy = w + (py - this.height / 2) / this.scale;
  }

  toScreen(i) {
    return [(this.u[i] - this.cx) * this.scale + this.width / 2,
      this.height / 2 - (this.w[i] - this.cy) * this.scale];
  }

  // The visible waypoint nearest to a screen point within `reach` pixels.
  waypointAt(px, py, reach) {
    let best = -1;
    let bestDistance = reach * reach;
    for (let i = 0; i < this.map.n; ++i) {
      if (!this.visible[i]) continue;
      const [x, y] = this.toScreen(i);
      const d = (x - px) * (x - px) + (y - py) * (y - py);
      if (d <= bestDistance) {
        bestDistance = d;
        best = i;
      }
    }
    return best;
  }

  // A frame while the view moves: a full drawing when that is quick,
  // else the last one moved, and a full one once the view rests.
  requestFrame() {
    this.schedule(false);
  }

  // A full drawing on the next frame: what is shown has changed.
  requestDraw() {
    this.schedule(true);
  }

  schedule(full) {
    if (full) this.fullPending = true;
    if (this.frameRequested) return;
    this.frameRequested = true;
    requestAnimationFrame(() => {
      this.frameRequested = false;
      clearTimeout(this.restTimer);
      if (this.fullPending || this.fullFrames || this.lastDrawMs <= SLOW_DRAW_MS || !this.cacheView) {
        this.fullPending = false;
        this.draw();
        return;
      }
      this.drawMoved();
      this.restTimer = setTimeout(() => this.schedule(true), REST_MS);
    });
  }

  drawMoved() {
    const g = this.context;
    const view = this.cacheView;
    if (!view.copied) {
      if (this.cache.width !== this.canvas.width || this.cache.height !== this.canvas.height) {
        this.cache.width = this.canvas.width;
        this.cache.height = this.canvas.height;
      }
      const cacheContext = this.cache.getContext("2d");
      cacheContext.clearRect(0, 0, this.cache.width, this.cache.height);
      cacheContext.drawImage(this.canvas, 0, 0);
      view.copied = true;
    }
    const factor = this.scale / view.scale;
    g.setTransform(1, 0, 0, 1, 0, 0);
    g.fillStyle = "#ffffff";
    g.fillRect(0, 0, this.canvas.width, this.canvas.height);
    // The cached picture's centre lands where its map point now is.
    const x = ((view.cx - this.cx) * this.scale + this.width / 2) * this.ratio;
    const y = (this.height / 2 - (view.cy - this.cy) * this.scale) * this.ratio;
    const w = this.cache.width * factor;
    const h = this.cache.height * factor;
    g.drawImage(this.cache, x - w / 2, y - h / 2, w, h);
    if (this.onDraw) this.onDraw(false);
  }

  draw() {
    const started = performance.now();
    const g = this.context;
    g.setTransform(this.ratio, 0, 0, this.ratio, 0, 0);
    g.fillStyle = "#ffffff";
    g.fillRect(0, 0, this.width, this.height);
    this.projectAll();
    const dot = this.dotRadius();
    this.dense = this.isDense();
    if (this.dense) {
      this.drawDensePixels(dot);
      this.suggestedLabels = [];
    } else {
      this.drawIslandDiscs(g, dot);
      this.drawPaths(g, dot);
      this.drawSuggested(g, dot);
    }
    if (this.overlay.reportRoute && this.findings.reportRoute) {
      this.drawRoute(g, this.findings.reportRoute.waypoints, COLOURS.route, dot, true);
    }
    if (this.overlay.route) this.drawRoute(g, this.overlay.route, COLOURS.userRoute, dot, false);
    if (!this.dense) this.drawDots(g, dot);
    this.drawRings(g, dot);
    this.drawSelection(g, dot);
    this.drawLabels(g, dot);
    // The drawing is kept for the frames of a moving view: copied when the
    // first such frame comes (the canvas holds it until then).
    this.cacheView = { cx: this.cx, cy: this.cy, scale: this.scale, copied: false };
    this.lastDrawMs = performance.now() - started;
    ++this.drawCount;
    if (this.onDraw) this.onDraw(true);
  }

  projectAll() {
    const { sx, sy, u, w } = this;
    const halfW = this.width / 2;
    const halfH = this.height / 2;
    for (let i = 0; i < this.map.n; ++i) {
      sx[i] = (u[i] - this.cx) * this.scale + halfW;
      sy[i] = halfH - (w[i] - this.cy) * this.scale;
    }
  }

  // Whether the view holds more than the canvas's paths draw quickly.
  isDense() {
    const { visible } = this;
    const { lineA, lineB, arrowFrom, arrowTo } = this.map;
    let waypoints = 0;
    for (let i = 0; i < this.map.n; ++i) {
      if (visible[i] && this.inView(i, 0) && ++waypoints > DENSE_WAYPOINTS) return true;
    }
    let paths = 0;
    for (let k = 0; k < lineA.length; ++k) {
      if (visible[lineA[k]] && visible[lineB[k]] && this.segmentInView(lineA[k], lineB[k]) && ++paths > DENSE_PATHS) return true;
    }
    for (let k = 0; k < arrowFrom.length; ++k) {
      if (visible[arrowFrom[k]] && visible[arrowTo[k]] && this.segmentInView(arrowFrom[k], arrowTo[k]) &&
          ++paths > DENSE_PATHS) return true;
    }
    return false;
  }

  // The island discs, the paths and the dots of a dense view, pixel by
  // pixel, in the canvas's own pixels.
  drawDensePixels(dot) {
    const width = this.canvas.width;
    const height = this.canvas.height;
    if (!this.pixelCanvas || this.pixelCanvas.width !== width || this.pixelCanvas.height !== height) {
      this.pixelCanvas = new PixelCanvas(width, height);
      this.pixelColours = {
        white: pixelColour("#ffffff"),
        twoWay: pixelColour(COLOURS.twoWay),
        oneWay: pixelColour(COLOURS.oneWay),
        walkable: pixelColour(COLOURS.walkable),
        notWalkable: pixelColour(COLOURS.notWalkable),
        bands: this.bandColours.map(pixelColour),
        kinds: Object.fromEntries(Object.entries(KIND_COLOURS).map(([kind, colour]) => [kind, pixelColour(colour)])),
      };
    }
    const out = this.pixelCanvas;
    const colours = this.pixelColours;
    const { sx, sy, visible, ratio } = this;
    const { lineA, lineB, arrowFrom, arrowTo } = this.map;
    out.clear(colours.white);
    const discRadius = dot * 1.9 * ratio;
    for (const island of this.findings.islands) {
      const colour = colours.kinds[island.kind];
      for (const v of island.waypoints) {
        if (visible[v] && this.inView(v, dot * 2)) out.disc(sx[v] * ratio, sy[v] * ratio, discRadius, colour);
      }
    }
    for (let k = 0; k < lineA.length; ++k) {
      const a = lineA[k];
      const b = lineB[k];
      if (!visible[a] || !visible[b] || !this.segmentInView(a, b)) continue;
      out.line(sx[a] * ratio, sy[a] * ratio, sx[b] * ratio, sy[b] * ratio, colours.twoWay);
    }
    for (let k = 0; k < arrowFrom.length; ++k) {
      const a = arrowFrom[k];
      const b = arrowTo[k];
      if (!visible[a] || !visible[b] || !this.segmentInView(a, b)) continue;
      out.line(sx[a] * ratio, sy[a] * ratio, sx[b] * ratio, sy[b] * ratio, colours.oneWay);
    }
    const radius = dot * ratio;
    for (let i = 0; i < this.map.n; ++i) {
      if (visible[i] && this.inView(i, dot)) out.disc(sx[i] * ratio, sy[i] * ratio, radius, colours.bands[this.band[i]]);
    }
    // The suggested paths, dashed, over the dots; their arrowheads and
    // labels come once the view is less crowded.
    for (const island of this.findings.islands) {
      for (const { from, to, walkable } of island.suggested) {
        if (!visible[from] || !visible[to] || !this.segmentInView(from, to)) continue;
        out.line(sx[from] * ratio, sy[from] * ratio, sx[to] * ratio, sy[to] * ratio,
          walkable ? colours.walkable : colours.notWalkable, true);
      }
    }
    this.context.putImageData(out.image, 0, 0);
  }

  dotRadius() {
    return Math.min(7, Math.max(1.2, this.gap * this.scale * 0.16));
  }

  inView(i, pad) {
    const x = this.sx[i];
    const y = this.sy[i];
    return x >= -pad && y >= -pad && x <= this.width + pad && y <= this.height + pad;
  }

  // Whether the segment between two waypoints may cross the view.
  segmentInView(a, b) {
    const { sx, sy } = this;
    return !((sx[a] < 0 && sx[b] < 0) || (sy[a] < 0 && sy[b] < 0) ||
      (sx[a] > this.width && sx[b] > this.width) || (sy[a] > this.height && sy[b] > this.height));
  }

  drawPaths(g, dot) {
    const { sx, sy, visible } = this;
    const { lineA, lineB, arrowFrom, arrowTo, loops } = this.map;
    g.lineWidth = Math.max(0.6, Math.min(1.6, dot * 0.3));
    g.strokeStyle = COLOURS.twoWay;
    g.beginPath();
    for (let k = 0; k < lineA.length; ++k) {
      const a = lineA[k];
      const b = lineB[k];
      if (!visible[a] || !visible[b] || !this.segmentInView(a, b)) continue;
      // Shorter than a pixel: hidden under the dots anyway.
      if (Math.abs(sx[a] - sx[b]) + Math.abs(sy[a] - sy[b]) < 1) continue;
      g.moveTo(sx[a], sy[a]);
      g.lineTo(sx[b], sy[b]);
    }
    g.stroke();
    g.strokeStyle = COLOURS.oneWay;
    g.fillStyle = COLOURS.oneWay;
    const heads = [];
    g.beginPath();
    for (let k = 0; k < arrowFrom.length; ++k) {
      const a = arrowFrom[k];
      const b = arrowTo[k];
      if (!visible[a] || !visible[b] || !this.segmentInView(a, b)) continue;
      const length = Math.hypot(sx[b] - sx[a], sy[b] - sy[a]);
      if (length < 1) continue;
      g.moveTo(sx[a], sy[a]);
      g.lineTo(sx[b], sy[b]);
      if (length > 4 * dot + 6) heads.push(a, b);
    }
    g.stroke();
    g.beginPath();
    for (let k = 0; k < heads.length; k += 2) this.arrowHead(g, heads[k], heads[k + 1], dot, 1);
    g.fill();
    if (dot >= 2.5) {
      g.beginPath();
      for (let k = 0; k < loops.length; ++k) {
        const v = loops[k];
        if (!visible[v] || !this.inView(v, 20)) continue;
        const r = dot * 1.1;
        g.moveTo(sx[v] + r * 0.8 + r, sy[v] - r * 0.8);
        g.arc(sx[v] + r * 0.8, sy[v] - r * 0.8, r, 0, 2 * Math.PI);
      }
      g.stroke();
    }
  }

  // The part of the segment between two waypoints inside the view and a
  // margin of `pad` pixels, as [x0, y0, x1, y1], or null (Liang-Barsky).
  clipToView(a, b, pad) {
    const x0 = this.sx[a];
    const y0 = this.sy[a];
    const dx = this.sx[b] - x0;
    const dy = this.sy[b] - y0;
    let t0 = 0;
    let t1 = 1;
    const limits = [[-dx, x0 + pad], [dx, this.width + pad - x0], [-dy, y0 + pad], [dy, this.height + pad - y0]];
    for (const [p, q] of limits) {
      if (p === 0) {
        if (q < 0) return null;
        continue;
      }
      const t = q / p;
      if (p < 0) {
        if (t > t1) return null;
        t0 = Math.max(t0, t);
      } else {
        if (t < t0) return null;
        t1 = Math.min(t1, t);
      }
    }
    return [x0 + dx * t0, y0 + dy * t0, x0 + dx * t1, y0 + dy * t1];
  }

  // A head at b of the arrow a->b, its tip at the edge of b's dot.
  arrowHead(g, a, b, dot, scale) {
    const dx = this.sx[b] - this.sx[a];
    const dy = this.sy[b] - this.sy[a];
    const length = Math.hypot(dx, dy);
    if (length === 0) return;
    const ux = dx / length;
    const uy = dy / length;
    const tipX = this.sx[b] - ux * (dot + 0.5);
    const tipY = this.sy[b] - uy * (dot + 0.5);
    const size = Math.max(5, dot * 2.2) * scale;
    g.moveTo(tipX, tipY);
    g.lineTo(tipX - ux * size - uy * size * 0.45, tipY - uy * size + ux * size * 0.45);
    g.lineTo(tipX - ux * size + uy * size * 0.45, tipY - uy * size - ux * size * 0.45);
    g.closePath();
  }

  drawIslandDiscs(g, dot) {
    const islands = this.findings.islands;
    const selected = this.overlay.island;
    for (let k = 0; k < islands.length; ++k) {
      const island = islands[k];
      g.fillStyle = KIND_COLOURS[island.kind];
      g.beginPath();
      const r = dot * (k === selected ? 2.6 : 1.9);
      for (const v of island.waypoints) {
        if (!this.visible[v] || !this.inView(v, r)) continue;
        g.moveTo(this.sx[v] + r, this.sy[v]);
        g.arc(this.sx[v], this.sy[v], r, 0, 2 * Math.PI);
      }
      g.fill();
    }
  }

  // The suggested paths, dashed, in one stroke and one fill of heads per
  // colour; the selected island's bolder.
  drawSuggested(g, dot) {
    const islands = this.findings.islands;
    const labels = [];
    const groups = new Map();
    for (let k = 0; k < islands.length; ++k) {
      const strong = k === this.overlay.island;
      for (const path of islands[k].suggested) {
        const { from, to } = path;
        if (!this.visible[from] || !this.visible[to] || !this.segmentInView(from, to)) continue;
        const key = (path.walkable ? "w" : "n") + (strong ? "!" : "");
        if (!groups.has(key)) groups.set(key, []);
        groups.get(key).push(path);
        const colour = path.walkable ? COLOURS.walkable : COLOURS.notWalkable;
        const text = formatGeneral(path.length) + (path.walkable ? "" : ", rise " + formatGeneral(path.rise));
        labels.push([(this.sx[from] + this.sx[to]) / 2, (this.sy[from] + this.sy[to]) / 2, text, colour]);
      }
    }
    g.save();
    for (const [key, paths] of groups) {
      const colour = key[0] === "w" ? COLOURS.walkable : COLOURS.notWalkable;
      const strong = key.length > 1;
      g.strokeStyle = colour;
      g.fillStyle = colour;
      g.lineWidth = strong ? 3 : 1.8;
      g.beginPath();
      for (const { from, to } of paths) {
        // Only the part in view, dashed here: the canvas's own dashes cost
        // tens of milliseconds a line where it draws without a GPU.
        const part = this.clipToView(from, to, 20);
        if (part) dashes(g, part, 6, 4);
      }
      g.stroke();
      g.beginPath();
      for (const { from, to } of paths) this.arrowHead(g, from, to, dot, strong ? 1.4 : 1.1);
      g.fill();
    }
    g.restore();
    this.suggestedLabels = labels;
  }

  drawRoute(g, waypoints, colour, dot, ends) {
    if (!waypoints || waypoints.length === 0) return;
    g.save();
    g.lineJoin = "round";
    g.lineCap = "round";
    const trace = () => {
      g.beginPath();
      g.moveTo(this.sx[waypoints[0]], this.sy[waypoints[0]]);
      for (let k = 1; k < waypoints.length; ++k) g.lineTo(this.sx[waypoints[k]], this.sy[waypoints[k]]);
    };
    const width = Math.max(2.5, Math.min(5, dot * 1.1));
    g.strokeStyle = "#ffffff";
    g.lineWidth = width + 3;
    trace();
    g.stroke();
    g.strokeStyle = colour;
    g.lineWidth = width;
    trace();
    g.stroke();
    if (ends) {
      g.strokeStyle = "#111111";
      g.lineWidth = 2;
      for (const v of [waypoints[0], waypoints[waypoints.length - 1]]) {
        const r = Math.max(6, dot * 2.4);
        g.beginPath();
        g.moveTo(this.sx[v], this.sy[v] - r);
        g.lineTo(this.sx[v] + r, this.sy[v]);
        g.lineTo(this.sx[v], this.sy[v] + r);
        g.lineTo(this.sx[v] - r, this.sy[v]);
        g.closePath();
        g.stroke();
      }
    }
    g.restore();
  }

  drawDots(g, dot) {
    const { sx, sy, visible, byBand, bandStart } = this;
    const round = dot >= 2;
    for (let b = 0; b < HEIGHT_BANDS; ++b) {
      if (bandStart[b] === bandStart[b + 1]) continue;
      g.fillStyle = this.bandColours[b];
      g.beginPath();
      for (let k = bandStart[b]; k < bandStart[b + 1]; ++k) {
        const i = byBand[k];
        if (!visible[i] || !this.inView(i, dot)) continue;
        if (round) {
          g.moveTo(sx[i] + dot, sy[i]);
          g.arc(sx[i], sy[i], dot, 0, 2 * Math.PI);
        } else {
          g.rect(sx[i] - dot, sy[i] - dot, 2 * dot, 2 * dot);
        }
      }
      g.fill();
      if (round && dot >= 3) {
        g.strokeStyle = "#1d1d1d";
        g.lineWidth = 0.6;
        g.stroke();
      }
    }
  }

  drawRings(g, dot) {
    const r = Math.max(4, dot * 2);
    g.save();
    g.lineWidth = 2;
    g.strokeStyle = COLOURS.orphan;
    g.setLineDash([4, 2]);
    g.beginPath();
    for (const v of this.findings.orphans) {
      if (!this.visible[v] || !this.inView(v, r)) continue;
      g.moveTo(this.sx[v] + r, this.sy[v]);
      g.arc(this.sx[v], this.sy[v], r, 0, 2 * Math.PI);
    }
    g.stroke();
    g.setLineDash([]);
    g.strokeStyle = COLOURS.trap;
    g.beginPath();
    for (const v of this.findings.traps) {
      if (!this.visible[v] || !this.inView(v, r)) continue;
      g.moveTo(this.sx[v] + r, this.sy[v]);
      g.arc(this.sx[v], this.sy[v], r, 0, 2 * Math.PI);
    }
    g.stroke();
    g.restore();
  }

  drawSelection(g, dot) {
    const ring = (v, r, colour, width) => {
      if (v < 0 || !this.visible[v]) return;
      g.beginPath();
      g.arc(this.sx[v], this.sy[v], r, 0, 2 * Math.PI);
      g.strokeStyle = "#ffffff";
      g.lineWidth = width + 2;
      g.stroke();
      g.strokeStyle = colour;
      g.lineWidth = width;
      g.stroke();
    };
    const island = this.findings.islands[this.overlay.island];
    if (island) {
      for (const v of island.waypoints) {
        if (this.visible[v] && this.inView(v, 10)) ring(v, Math.max(5, dot * 2.6), COLOURS.selection, 1.2);
      }
    }
    ring(this.overlay.routeStart, Math.max(9, dot * 3.2), COLOURS.userRoute, 2.5);
    ring(this.overlay.waypoint, Math.max(8, dot * 3), COLOURS.selection, 3);
  }

  // Numbers beside the orphans, traps, route ends and the selection, and
  // beside every waypoint once they stand far enough apart to read; a
  // label that would cover another is left out.
  drawLabels(g, dot) {
    const taken = new Set();
    const cell = (x, y) => Math.floor(x / 34) + ":" + Math.floor(y / 16);
    const place = (x, y, text, colour, bold) => {
      if (x < -40 || y < -20 || x > this.width + 40 || y > this.height + 20) return;
      const key = cell(x, y);
      if (taken.has(key)) return;
      taken.add(key);
      g.font = (bold ? "bold " : "") + "12px system-ui, sans-serif";
      g.lineWidth = 3;
      g.strokeStyle = "#ffffff";
      g.strokeText(text, x, y);
      g.fillStyle = colour;
      g.fillText(text, x, y);
    };
    g.save();
    g.lineJoin = "round";
    g.textBaseline = "middle";
    const off = Math.max(6, dot * 2.2) + 2;
    const label = (v, colour, bold) => {
      if (v >= 0 && v < this.map.n && this.visible[v]) place(this.sx[v] + off, this.sy[v] - off, String(v), colour, bold);
    };
    label(this.overlay.waypoint, COLOURS.selection, true);
    label(this.overlay.routeStart, COLOURS.userRoute, true);
    const route = this.findings.reportRoute;
    if (this.overlay.reportRoute && route && route.waypoints.length > 0) {
      label(route.waypoints[0], "#c05000", true);
      label(route.waypoints[route.waypoints.length - 1], "#c05000", true);
    }
    // A dense view is too crowded to read numbers in: the selection and
    // the route's ends only.
    let budget = this.dense ? 0 : 600;
    for (const v of this.findings.traps) {
      if (budget <= 0) break;
      if (this.inView(v, 0)) {
        label(v, COLOURS.trap, true);
        --budget;
      }
    }
    for (const v of this.findings.orphans) {
      if (budget <= 0) break;
      if (this.inView(v, 0)) {
        label(v, COLOURS.orphan, true);
        --budget;
      }
    }
    for (const [x, y, text, colour] of this.suggestedLabels || []) {
      if (budget-- <= 0) break;
      place(x, y, text, colour, false);
    }
    if (this.gap * this.scale >= 36) {
      for (let i = 0; i < this.map.n && budget > 0; ++i) {
        if (this.visible[i] && this.inView(i, 0)) {
          label(i, "#333333", false);
          --budget;
        }
      }
    }
    g.restore();
  }
}

// Appends the dashes of a segment [x0, y0, x1, y1] to the current path:
// `on` pixels drawn, `off` left out, from its start.
function dashes(g, [x0, y0, x1, y1], on, off) {
  const length = Math.hypot(x1 - x0, y1 - y0);
  if (length === 0) return;
  const ux = (x1 - x0) / length;
  const uy = (y1 - y0) / length;
  for (let at = 0; at < length; at += on + off) {
    const end = Math.min(at + on, length);
    g.moveTo(x0 + ux * at, y0 + uy * at);
    g.lineTo(x0 + ux * end, y0 + uy * end);
  }
}

function clampScale(scale) {
  return Math.min(1e6, Math.max(1e-6, scale));
}
