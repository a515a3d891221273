// The page: reads the map's data, fills the summary, the lists and the
// details, and wires the view to the mouse, touch, keyboard and address.
// Everything from the file reaches the page as text (textContent), never as
// markup.
import { COLOURS, KIND_COLOURS, rampColour } from "./colours.js";
import { formatBytes, formatFloat32, formatGeneral, plural } from "./format.js";
import { decodeMapData, pathLength, pathsIn, pathsOut } from "./map_data.js";
import { MapRenderer } from "./render.js";
import { shortestRoute } from "./route.js";

const ISLANDS_AT_ONCE = 200;
const BUTTONS_AT_MOST = 400;

const scriptStart = performance.now();
const data = JSON.parse(document.getElementById("map-data").textContent);
const map = decodeMapData(data);
const decoded = performance.now();
const reportRoute = data.report && data.report.route;
const findings = {
  islands: data.islands,
  orphans: data.orphans,
  traps: data.traps,
  reportRoute: reportRoute && reportRoute.waypoints.length > 0 ? reportRoute : null,
};
const islandOf = new Int32Array(map.n).fill(-1);
data.islands.forEach((island, k) => {
  for (const v of island.waypoints) islandOf[v] = k;
});

const $ = (id) => document.getElementById(id);
const canvas = $("map");
const renderer = new MapRenderer(canvas, map, findings);
const state = { selected: null, routeStart: -1 };

// --- building blocks

function element(tag, text, className) {
  const node = document.createElement(tag);
  if (text !== undefined) node.textContent = text;
  if (className) node.className = className;
  return node;
}

function button(text, action, title) {
  const node = element("button", text);
  node.type = "button";
  node.addEventListener("click", action);
  if (title) node.title = title;
  return node;
}

function waypointButton(v) {
  return button(String(v), () => selectWaypoint(v, true), "Waypoint " + v);
}

function position(v) {
  return "x " + formatFloat32(map.x[v]) + ", y " + formatFloat32(map.y[v]) + ", z " + formatFloat32(map.z[v]);
}

function range(low, high) {
  return formatFloat32(low) + " to " + formatFloat32(high);
}

// A list of waypoint buttons, `separator` between them; past
// BUTTONS_AT_MOST the rest as plain numbers.
function waypointList(numbers, separator) {
  const line = element("p", undefined, "waypoints");
  numbers.forEach((v, k) => {
    if (k > 0) line.append(separator);
    line.append(k < BUTTONS_AT_MOST ? waypointButton(v) : String(v));
  });
  return line;
}

function heading(text) {
  return element("h2", text);
}

// --- the summary

function fillSummary() {
  document.title = data.map + " \u2013 Tessivar view";
  $("title").textContent = data.map === "" ? "(no map name)" : data.map;
  $("file").textContent = data.file;
  const summary = $("summary");
  const item = (name, value, id) => {
    const row = element("div");
    row.append(element("dt", name));
    const figure = element("dd", value);
    if (id) figure.id = id;
    row.append(figure);
    summary.append(row);
  };
  item("Waypoints", String(data.waypoints), "figure-waypoints");
  item("Path entries", String(data.pathEntries), "figure-paths");
  item("Orphans", String(data.orphans.length), "figure-orphans");
  item("Traps", String(data.traps.length), "figure-traps");
  const cells = (BigInt(data.waypoints) * BigInt(data.waypoints)).toString();
  if (data.report) {
    item("Reachable pairs", data.report.reachable + " of " + cells, "figure-reachable");
  } else {
    item("Reachable pairs", "left out", "figure-reachable");
  }
  item("Main network", data.main ? plural(data.main.size, "waypoint") + " (lowest " + data.main.lowest + ")" : "none",
    "figure-main");
  const count = (kind) => data.islands.filter((island) => island.kind === kind).length;
  const orphans = data.islands.filter((island) => island.kind === "detached" && island.waypoints.length === 1).length;
  item("Islands",
    plural(count("trap region"), "trap region") + ", " + plural(count("unreachable region"), "unreachable region") +
    ", " + count("detached") + " detached (" + plural(orphans, "orphan") + ")", "figure-islands");
  const route = element("dd");
  route.id = "figure-route";
  if (!data.report) {
    route.textContent = "left out";
  } else if (!reportRoute) {
    route.textContent = "the map has only " + plural(data.waypoints, "waypoint");
  } else if (reportRoute.waypoints.length === 0) {
    route.textContent = "no route (" + formatGeneral(reportRoute.length) + ")";
  } else {
    // The length, then the waypoints folded away: a route may be long.
    const list = element("details");
    list.append(element("summary", formatGeneral(reportRoute.length) + " units"),
      element("span", reportRoute.waypoints.join("->"), "route-list"));
    route.append(list);
  }
  const row = element("div");
  row.append(element("dt", "Route 0 -> 5"), route);
  summary.append(row);
  if (data.leftOut) {
    const note = $("left-out");
    let why;
    if (data.leftOut.reason === "waypoints") {
      why = "the map has " + data.waypoints + " waypoints, and tessivar-view runs the report's N \u00d7 N phases " +
        "on maps of up to " + data.leftOut.limit + " (their time grows as N\u00b3)";
    } else {
      why = "the report's N \u00d7 N phases would need " + formatBytes(data.leftOut.needBytes) +
        ", more than this computer could give when the page was written";
    }
    note.textContent = "Left out: the reachable pairs and the route 0 -> 5, because " + why +
      ". The map, its orphans, traps and islands are all here. For the left-out figures run: tessivar " + data.file;
    note.hidden = false;
  }
}

// --- the details of what is selected

function showDetails(nodes) {
  const details = $("details");
  details.replaceChildren(...nodes);
}

function waypointDetails(v) {
  const nodes = [heading("Waypoint " + v), element("p", position(v), "position")];
  const notes = [];
  if (data.orphans.includes(v)) notes.push("orphan: no path in or out");
  if (data.traps.includes(v)) notes.push("trap: paths in, none out");
  if (notes.length > 0) nodes.push(element("p", notes.join("; "), "warning"));
  const k = islandOf[v];
  if (k >= 0) {
    const line = element("p", "In ");
    line.append(button("island " + (k + 1), () => selectIsland(k, true)), ": " + data.islands[k].kind);
    nodes.push(line);
  } else if (data.main) {
    nodes.push(element("p", "In the main network"));
  }
  const out = pathsOut(map, v);
  const into = pathsIn(map, v);
  nodes.push(pathList("Paths out", out, (w) => [v, w]));
  nodes.push(pathList("Paths in", into, (w) => [w, v]));
  const actions = element("p", undefined, "actions");
  actions.append(button("Route from here", () => startRoute(v), "Then pick the end: click, shift-click or search"));
  if (state.routeStart >= 0 && state.routeStart !== v) {
    const from = state.routeStart;
    actions.append(button("Route from " + from + " to here", () => showRoute(from, v, true)));
  }
  nodes.push(actions);
  return nodes;
}

function pathList(title, others, ends) {
  const block = element("div", undefined, "paths");
  block.append(element("h3", others.length > 0 ? title + " (" + others.length + ")" : title + ": none"));
  if (others.length === 0) return block;
  const list = element("ul");
  others.forEach((w, k) => {
    const [a, b] = ends(w);
    const entry = element("li");
    if (k < BUTTONS_AT_MOST) {
      entry.append(waypointButton(w));
    } else {
      entry.append(String(w));
    }
    entry.append(" " + a + "->" + b + ", length " + formatGeneral(pathLength(map, a, b)));
    list.append(entry);
  });
  block.append(list);
  return block;
}

function islandTitle(k) {
  const island = data.islands[k];
  const size = island.waypoints.length;
  return "Island " + (k + 1) + " of " + data.islands.length + ": " + island.kind + ", " +
    plural(size, "waypoint") + (island.kind === "detached" && size === 1 ? " (orphan)" : "");
}

function islandDetails(k) {
  const island = data.islands[k];
  const [low, high] = island.box;
  const nodes = [heading(islandTitle(k))];
  nodes.push(element("p", "box: x " + range(low[0], high[0]) + ", y " + range(low[1], high[1]) +
    ", z " + range(low[2], high[2]), "position"));
  const pairs = (title, list) => {
    const block = element("div", undefined, "paths");
    block.append(element("h3", list.length > 0 ? title + " (" + list.length + ")" : title + ": none"));
    if (list.length > 0) {
      const line = element("p");
      list.forEach(([a, b], i) => {
        if (i > 0) line.append(", ");
        if (i < BUTTONS_AT_MOST) {
          line.append(waypointButton(a), "->", waypointButton(b));
        } else {
          line.append(a + "->" + b);
        }
      });
      block.append(line);
    }
    return block;
  };
  nodes.push(pairs("Paths in", island.pathsIn), pairs("Paths out", island.pathsOut));
  island.suggested.forEach((path, i) => {
    const way = island.kind === "trap region" || (island.kind === "detached" && i === 1) ? "out" : "in";
    const line = element("p", "Suggested path " + way + ": ", path.walkable ? "walkable" : "warning");
    line.append(waypointButton(path.from), "->", waypointButton(path.to),
      ", length " + formatGeneral(path.length) + ", rise " + formatGeneral(path.rise) + ", " +
      (path.walkable ? "walkable" : "NOT WALKABLE (rises more than " + formatGeneral(data.maxRise) + ")"));
    nodes.push(line);
  });
  nodes.push(element("h3", "Waypoints"), waypointList(island.waypoints, " "));
  return nodes;
}

function routeDetails(from, to, route) {
  const nodes = [heading("Route " + from + " -> " + to)];
  if (!route) {
    nodes.push(element("p", "no route: waypoint " + to + " can't be reached from waypoint " + from +
      " along the map's paths", "warning"));
    return nodes;
  }
  nodes.push(element("p", "length " + formatGeneral(route.length) + ", " +
    plural(route.waypoints.length, "waypoint"), "length"));
  nodes.push(waypointList(route.waypoints, "->"));
  return nodes;
}

// --- selecting

function setAddress(text) {
  const hash = text ? "#" + text : "";
  if (location.hash === hash) return;
  history.pushState(null, "", hash || location.pathname + location.search);
}

// Makes a waypoint visible under the height filter, taking in its storey.
function reveal(v) {
  if (renderer.visible[v]) return;
  const storey = data.storeys.find((s) => map.z[v] >= s.low && map.z[v] <= s.high);
  if (storey) {
    setHeights(Math.min(storey.low, readHeight("z-low", storey.low)), Math.max(storey.high, readHeight("z-high", storey.high)));
  } else {
    setHeights(renderer.zLow, renderer.zHigh);
  }
}

function selectWaypoint(v, focus, routeEnd = true) {
  if (routeEnd && state.routeStart >= 0 && state.routeStart !== v) {
    showRoute(state.routeStart, v, focus);
    return;
  }
  state.selected = { kind: "waypoint", v };
  renderer.overlay.waypoint = v;
  renderer.overlay.island = -1;
  renderer.overlay.route = null;
  reveal(v);
  if (focus) renderer.focus(v);
  showDetails(waypointDetails(v));
  setAddress("waypoint=" + v);
  renderer.requestDraw();
}

function selectIsland(k, focus) {
  const island = data.islands[k];
  state.selected = { kind: "island", k };
  renderer.overlay.island = k;
  renderer.overlay.waypoint = -1;
  renderer.overlay.route = null;
  if (island.waypoints.some((v) => !renderer.visible[v])) setHeights(renderer.zLow, renderer.zHigh);
  if (focus) zoomToIsland(island);
  showDetails(islandDetails(k));
  markIsland(k);
  setAddress("island=" + (k + 1));
  renderer.requestDraw();
}

// Marks island k in the list as the one chosen.
function markIsland(k) {
  for (const item of $("islands").querySelectorAll("button[aria-current]")) item.removeAttribute("aria-current");
  const item = $("islands").querySelector('button[data-island="' + k + '"]');
  if (item) item.setAttribute("aria-current", "true");
}

// The island's box and its suggested paths' other ends, in the projection.
function zoomToIsland(island) {
  const points = [...island.waypoints];
  for (const path of island.suggested) points.push(path.from, path.to);
  let left = Infinity;
  let right = -Infinity;
  let bottom = Infinity;
  let top = -Infinity;
  for (const v of points) {
    left = Math.min(left, renderer.u[v]);
    right = Math.max(right, renderer.u[v]);
    bottom = Math.min(bottom, renderer.w[v]);
    top = Math.max(top, renderer.w[v]);
  }
  const pad = renderer.gap * 2;
  renderer.showBox(left - pad, right + pad, bottom - pad, top + pad, 0.08);
}

function startRoute(v) {
  state.routeStart = v;
  renderer.overlay.routeStart = v;
  $("route-status").textContent = "Route from " + v + ": pick the end (click, shift-click, search or a path). Esc cancels.";
  $("route-status").hidden = false;
  renderer.requestDraw();
}

function cancelRoute() {
  state.routeStart = -1;
  renderer.overlay.routeStart = -1;
  $("route-status").hidden = true;
  renderer.requestDraw();
}

function showRoute(from, to, focus) {
  const route = shortestRoute(map, from, to);
  cancelRoute();
  state.selected = { kind: "route", from, to };
  renderer.overlay.route = route ? route.waypoints : null;
  renderer.overlay.waypoint = to;
  renderer.overlay.island = -1;
  renderer.overlay.routeStart = from;
  if (route) route.waypoints.forEach(reveal);
  if (focus && route) {
    let left = Infinity;
    let right = -Infinity;
    let bottom = Infinity;
    let top = -Infinity;
    for (const v of route.waypoints) {
      left = Math.min(left, renderer.u[v]);
      right = Math.max(right, renderer.u[v]);
      bottom = Math.min(bottom, renderer.w[v]);
      top = Math.max(top, renderer.w[v]);
    }
    const pad = renderer.gap * 2;
    renderer.showBox(left - pad, right + pad, bottom - pad, top + pad, 0.08);
  }
  showDetails(routeDetails(from, to, route));
  setAddress("route=" + from + "-" + to);
  renderer.requestDraw();
}

function clearSelection() {
  state.selected = null;
  renderer.overlay.waypoint = -1;
  renderer.overlay.island = -1;
  renderer.overlay.route = null;
  renderer.overlay.routeStart = -1;
  showDetails([element("p", "Nothing selected: click a waypoint, search for one or pick an island.", "hint")]);
  setAddress("");
  renderer.requestDraw();
}

// The state the address names: #waypoint=K, #island=K (numbered from 1,
// as tessivar-islands numbers them) or #route=A-B.
function applyAddress() {
  const text = decodeURIComponent(location.hash.replace(/^#/, ""));
  const number = (s) => (/^\d+$/.test(s) ? Number(s) : NaN);
  const inMap = (v) => Number.isInteger(v) && v < map.n;
  let m;
  if (text === "") {
    if (state.selected) clearSelection();
  } else if ((m = /^waypoint=(.*)$/.exec(text))) {
    const v = number(m[1]);
    if (!inMap(v)) return addressMessage("No waypoint " + m[1] + " in this map (0 to " + (map.n - 1) + ")");
    if (!(state.selected && state.selected.kind === "waypoint" && state.selected.v === v)) selectWaypoint(v, true, false);
  } else if ((m = /^island=(.*)$/.exec(text))) {
    const k = number(m[1]);
    if (!(k >= 1 && k <= data.islands.length)) {
      return addressMessage("No island " + m[1] + " in this map (" + (data.islands.length === 0 ? "it has none" : "1 to " + data.islands.length) + ")");
    }
    if (!(state.selected && state.selected.kind === "island" && state.selected.k === k - 1)) selectIsland(k - 1, true);
  } else if ((m = /^route=([^-]*)-(.*)$/.exec(text))) {
    const a = number(m[1]);
    const b = number(m[2]);
    if (!inMap(a) || !inMap(b)) return addressMessage("No route " + m[1] + "-" + m[2] + ": waypoints are numbered 0 to " + (map.n - 1));
    const s = state.selected;
    if (!(s && s.kind === "route" && s.from === a && s.to === b)) showRoute(a, b, true);
  } else {
    addressMessage("The address names nothing this page shows: #" + text);
  }
}

function addressMessage(text) {
  showDetails([element("p", text, "warning")]);
}

// --- search

function search(focus) {
  const text = $("search").value.trim();
  const message = $("search-message");
  if (text === "") {
    message.textContent = "";
    return;
  }
  if (!/^\d+$/.test(text) || Number(text) >= map.n) {
    message.textContent = map.n === 0 ? "This map has no waypoints" : "No waypoint " + text + ": 0 to " + (map.n - 1);
    return;
  }
  message.textContent = "";
  selectWaypoint(Number(text), focus);
}

// --- heights

function readHeight(id, otherwise) {
  const value = Number($(id).value);
  return $(id).value.trim() !== "" && Number.isFinite(value) ? value : otherwise;
}

function setHeights(low, high) {
  $("z-low").value = formatFloat32(low);
  $("z-high").value = formatFloat32(high);
  applyHeights();
}

function applyHeights() {
  const low = readHeight("z-low", -Infinity);
  const high = readHeight("z-high", Infinity);
  renderer.setHeightFilter(low, high);
  let shown = 0;
  for (let i = 0; i < map.n; ++i) shown += renderer.visible[i];
  $("heights-status").textContent = shown === map.n ? "All " + plural(map.n, "waypoint") + " shown"
    : plural(shown, "waypoint") + " of " + map.n + " shown, z " + formatGeneral(low) + " to " + formatGeneral(high);
  for (const item of $("storeys").querySelectorAll("button")) {
    const pressed = Number(item.dataset.low) === low && Number(item.dataset.high) === high;
    item.setAttribute("aria-pressed", pressed ? "true" : "false");
  }
  renderer.requestDraw();
}

function fillStoreys() {
  const holder = $("storeys");
  const all = button("All heights", () => setHeights(renderer.zLow, renderer.zHigh));
  all.dataset.low = String(renderer.zLow);
  all.dataset.high = String(renderer.zHigh);
  holder.append(all);
  if (data.storeys.length > 1) {
    data.storeys.forEach((storey, k) => {
      const item = button("Storey " + (k + 1) + ": z " + range(storey.low, storey.high),
        () => setHeights(storey.low, storey.high), plural(storey.waypoints, "waypoint"));
      item.dataset.low = String(storey.low);
      item.dataset.high = String(storey.high);
      holder.append(item);
    });
  }
  $("z-low").value = formatFloat32(renderer.zLow);
  $("z-high").value = formatFloat32(renderer.zHigh);
}

// --- the islands list

function fillIslands(upTo) {
  const list = $("islands");
  const first = list.children.length;
  const end = Math.min(upTo, data.islands.length);
  const items = [];
  for (let k = first; k < end; ++k) {
    const island = data.islands[k];
    const [low, high] = island.box;
    const item = element("li");
    const choose = button("", () => selectIsland(k, true));
    choose.dataset.island = String(k);
    const swatch = element("span", undefined, "swatch");
    swatch.style.background = KIND_COLOURS[island.kind];
    const size = island.waypoints.length;
    choose.append(swatch, element("span", (k + 1) + ". " + island.kind + ", " + plural(size, "waypoint"), "what"),
      element("span", "x " + range(low[0], high[0]) + ", y " + range(low[1], high[1]) + ", z " + range(low[2], high[2]), "where"));
    item.append(choose);
    items.push(item);
  }
  list.append(...items);
  const more = $("more-islands");
  more.hidden = end >= data.islands.length;
  more.textContent = "Show more islands (" + (data.islands.length - end) + " left)";
  $("islands-empty").hidden = data.islands.length > 0;
}

// --- the legend

function fillLegend() {
  $("ramp").style.background = "linear-gradient(to right, " +
    [0, 0.25, 0.5, 0.75, 1].map(rampColour).join(", ") + ")";
  $("ramp-low").textContent = formatFloat32(renderer.zLow);
  $("ramp-high").textContent = formatFloat32(renderer.zHigh);
  const marks = [
    ["line", COLOURS.twoWay, "two-way path"],
    ["arrow", COLOURS.oneWay, "one-way path"],
    ["ring dashed", COLOURS.orphan, "orphan"],
    ["ring", COLOURS.trap, "trap"],
    ["disc", COLOURS.trapRegion, "trap region"],
    ["disc", COLOURS.unreachableRegion, "unreachable region"],
    ["disc", COLOURS.detached, "detached island"],
    ["line dashed", COLOURS.walkable, "suggested path, walkable"],
    ["line dashed", COLOURS.notWalkable, "suggested path, not walkable"],
    ["line thick", COLOURS.route, "the report's route 0 -> 5"],
    ["line thick", COLOURS.userRoute, "your route"],
  ];
  const list = $("marks");
  for (const [shape, colour, text] of marks) {
    const item = element("li");
    const sample = element("span", undefined, "mark " + shape);
    sample.style.setProperty("--mark", colour);
    item.append(sample, text);
    list.append(item);
  }
}

// --- the view: mouse, touch, keys

function wireView() {
  const pointers = new Map();
  let press = null;
  let pinch = null;
  canvas.addEventListener("pointerdown", (event) => {
    canvas.setPointerCapture(event.pointerId);
    pointers.set(event.pointerId, { x: event.offsetX, y: event.offsetY });
    press = pointers.size === 1 ? { x: event.offsetX, y: event.offsetY, moved: false, shift: event.shiftKey } : null;
    pinch = null;
  });
  canvas.addEventListener("pointermove", (event) => {
    const last = pointers.get(event.pointerId);
    if (!last) return;
    const now = { x: event.offsetX, y: event.offsetY };
    if (pointers.size === 1) {
      if (press && Math.hypot(now.x - press.x, now.y - press.y) > 4) press.moved = true;
      if (!press || press.moved) {
        renderer.panBy(now.x - last.x, now.y - last.y);
        renderer.requestFrame();
      }
    } else if (pointers.size === 2) {
      const [a, b] = [...pointers.values()];
      const before = Math.hypot(a.x - b.x, a.y - b.y);
      pointers.set(event.pointerId, now);
      const [c, d] = [...pointers.values()];
      const after = Math.hypot(c.x - d.x, c.y - d.y);
      const mid = { x: (c.x + d.x) / 2, y: (c.y + d.y) / 2 };
      if (pinch) renderer.panBy(mid.x - pinch.x, mid.y - pinch.y);
      if (before > 0 && after > 0) renderer.zoomAt(after / before, mid.x, mid.y);
      pinch = mid;
      renderer.requestFrame();
    }
    pointers.set(event.pointerId, now);
  });
  const release = (event) => {
    if (!pointers.has(event.pointerId)) return;
    pointers.delete(event.pointerId);
    if (press && !press.moved && event.type === "pointerup") {
      const v = renderer.waypointAt(event.offsetX, event.offsetY, Math.max(10, renderer.dotRadius() + 4));
      if (v >= 0) {
        const s = state.selected;
        if (press.shift && s && s.kind === "waypoint" && s.v !== v) {
          showRoute(s.v, v, false);
        } else {
          selectWaypoint(v, false);
        }
      }
    }
    press = null;
    pinch = null;
  };
  canvas.addEventListener("pointerup", release);
  canvas.addEventListener("pointercancel", release);
  canvas.addEventListener("wheel", (event) => {
    event.preventDefault();
    const delta = event.deltaMode === 1 ? event.deltaY * 16 : event.deltaY;
    renderer.zoomAt(Math.exp(-delta * 0.0015), event.offsetX, event.offsetY);
    renderer.requestFrame();
  }, { passive: false });
  canvas.addEventListener("keydown", (event) => {
    const step = 80;
    const keys = {
      ArrowLeft: () => renderer.panBy(step, 0),
      ArrowRight: () => renderer.panBy(-step, 0),
      ArrowUp: () => renderer.panBy(0, step),
      ArrowDown: () => renderer.panBy(0, -step),
      "+": () => renderer.zoomAt(1.25, renderer.width / 2, renderer.height / 2),
      "=": () => renderer.zoomAt(1.25, renderer.width / 2, renderer.height / 2),
      "-": () => renderer.zoomAt(0.8, renderer.width / 2, renderer.height / 2),
      _: () => renderer.zoomAt(0.8, renderer.width / 2, renderer.height / 2),
      0: () => renderer.fit(),
      f: () => renderer.fit(),
    };
    const action = keys[event.key];
    if (!action || event.ctrlKey || event.metaKey || event.altKey) return;
    event.preventDefault();
    action();
    renderer.requestFrame();
  });
  document.addEventListener("keydown", (event) => {
    if (event.key === "Escape" && state.routeStart >= 0) cancelRoute();
  });
  $("zoom-in").addEventListener("click", () => {
    renderer.zoomAt(1.5, renderer.width / 2, renderer.height / 2);
    renderer.requestDraw();
  });
  $("zoom-out").addEventListener("click", () => {
    renderer.zoomAt(1 / 1.5, renderer.width / 2, renderer.height / 2);
    renderer.requestDraw();
  });
  $("fit").addEventListener("click", () => {
    renderer.fit();
    renderer.requestDraw();
  });
  $("projection").addEventListener("change", () => {
    renderer.setProjection($("projection").value);
    renderer.fit();
    renderer.requestDraw();
  });
  $("show-route").addEventListener("change", () => {
    renderer.overlay.reportRoute = $("show-route").checked;
    renderer.requestDraw();
  });
  new ResizeObserver(() => {
    const { cx, cy, scale } = renderer;
    const first = renderer.width <= 1;
    renderer.resize();
    if (first) {
      renderer.fit();
    } else {
      Object.assign(renderer, { cx, cy, scale });
    }
    renderer.draw();
  }).observe(canvas);
}

// --- start

function start() {
  fillSummary();
  fillStoreys();
  $("more-islands").addEventListener("click", () => fillIslands($("islands").children.length + ISLANDS_AT_ONCE));
  $("search").addEventListener("input", () => search(true));
  $("search").addEventListener("keydown", (event) => {
    if (event.key === "Enter") search(true);
  });
  $("z-low").addEventListener("change", applyHeights);
  $("z-high").addEventListener("change", applyHeights);
  $("show-route").disabled = !findings.reportRoute;
  $("show-route").checked = Boolean(findings.reportRoute);
  renderer.overlay.reportRoute = Boolean(findings.reportRoute);
  wireView();
  renderer.resize();
  renderer.fit();
  clearSelectionQuietly();
  applyAddress();
  const filled = performance.now();
  renderer.draw();
  // What the tests and the benchmark read: when the first drawing was done,
  // and when the script started, had decoded the data and was ready to draw
  // (summary, storeys and the address's state in place), in milliseconds
  // from the start of navigation.
  document.body.dataset.firstDrawMs = performance.now().toFixed(1);
  document.body.dataset.startMs = [scriptStart, decoded, filled].map((t) => t.toFixed(1)).join(" ");
  // The islands list and the legend once the map is on the screen; the
  // list marks the island the address chose.
  fillIslands(ISLANDS_AT_ONCE);
  fillLegend();
  if (state.selected && state.selected.kind === "island") markIsland(state.selected.k);
  document.body.dataset.ready = "true";
  window.addEventListener("popstate", applyAddress);
  window.addEventListener("hashchange", applyAddress);
}

function clearSelectionQuietly() {
  showDetails([element("p", "Nothing selected: click a waypoint, search for one or pick an island.", "hint")]);
}

// The benchmark's and the tests' window on the view.
window.tessivarView = { renderer, map, state, selectWaypoint, selectIsland, showRoute };

start();
