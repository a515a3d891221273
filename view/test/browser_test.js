// The page of tessivar-view in headless Chromium: it loads from a file://
// address with no console error and no request; every fixed hook shows
// what the tools and this test's own reading of the files say; the address
// opens and follows the selection; search, the islands list, clicks, keys
// and the height filter change what is shown; a hostile map name runs
// nothing; the layout fits a phone.
//
//   node view/test/browser_test.js TESSIVAR_VIEW TESSIVAR_ISLANDS TESSIVAR WPTGEN WORKDIR
//
// Exits 77 (CTest's skip code here) when Chromium or puppeteer-core (npm
// ci) is not installed, unless TESSIVAR_REQUIRE_BROWSER=1.
import assert from "node:assert/strict";
import { execFileSync, spawnSync } from "node:child_process";
import { mkdirSync, rmSync } from "node:fs";
import { join, resolve } from "node:path";
import { after, before, describe, test } from "node:test";

import { findChromium, loadPuppeteer, openPage, startBrowser } from "./browser.js";
import { distancesFrom, length, readWaypointFile, writeWaypointFile } from "./wpt.js";

const [viewTool, islandsTool, reportTool, wptgen, workArgument] = process.argv.slice(2);
if (!workArgument) {
  console.error("usage: browser_test.js TESSIVAR_VIEW TESSIVAR_ISLANDS TESSIVAR WPTGEN WORKDIR");
  process.exit(2);
}
const chromium = findChromium();
const missing = !chromium ? "Chromium is not installed" : !(await loadPuppeteer()) ? "puppeteer-core is not installed (npm ci)" : "";
if (missing) {
  if (process.env.TESSIVAR_REQUIRE_BROWSER === "1") {
    console.error(missing);
    process.exit(1);
  }
  console.log("SKIP: " + missing);
  process.exit(77);
}

const work = resolve(workArgument);
const source = resolve(import.meta.dirname, "../..");
const HOSTILE = "</script><img src=x onerror=alert(1)>";

// %g with six significant digits, for the lengths this test meets.
function general(value) {
  return String(Number(value.toPrecision(6)));
}

// A page and what the tools say about its map.
function prepare(name, wpt) {
  const html = join(work, name + ".html");
  execFileSync(viewTool, [wpt, html]);
  const json = execFileSync(islandsTool, ["--json", wpt]).toString();
  const islands = JSON.parse(json);
  // The low corners of the boxes as written, number by number.
  islands.lowCorners = [...json.matchAll(/"box": \[\[([^\]]*)\]/g)].map((m) => m[1].split(", "));
  const report = spawnSync(reportTool, [wpt]).stdout.toString().replace(/\r/g, "\n");
  return { name, wpt, html, map: readWaypointFile(wpt), islands, report };
}

let browser;
const maps = {};

before(async () => {
  rmSync(work, { recursive: true, force: true });
  mkdirSync(work, { recursive: true });
  const generated = (kind, ...args) => {
    const path = join(work, kind + "_" + args.join("_") + ".wpt");
    execFileSync(wptgen, [kind, ...args.map(String), path]);
    return path;
  };
  maps.rooms = prepare("rooms", join(source, "examples/rooms_600.wpt"));
  maps.islands = prepare("islands", join(source, "examples/islands_200.wpt"));
  maps.realistic = prepare("realistic", generated("realistic", 300, 4));
  // Every waypoint an orphan, at positions whose text is hard to get right:
  // each one's island box is its position as tessivar-islands writes it.
  const awkward = [[0.1, -0, 1e20], [1e-5, 123456789, -2.5e-7], [3.4e38, 1 / 3, 1e9], [16777216, 0.001, -1e-45],
    [1200000, 1e5, 7.25]];
  const floats = join(work, "floats.wpt");
  writeWaypointFile(floats, "floats", awkward, []);
  maps.floats = prepare("floats", floats);
  const hostile = join(work, "hostile.wpt");
  writeWaypointFile(hostile, HOSTILE.slice(0, 32), [[0, 0, 0], [100, 0, 0], [100, 100, 0], [0, 100, 0], [50, 50, 200],
    [150, 50, 200]], [[1], [2], [3], [0, 4], [5], [4]]);
  maps.hostile = prepare("hostile", hostile);
  maps.big = prepare("big", generated("grid", 50, 41));
  browser = await startBrowser(chromium);
});

after(async () => {
  if (browser) await browser.close();
});

async function open(key, options = {}) {
  const opened = await openPage(browser.browser, maps[key].html, options);
  opened.page.on("dialog", (dialog) => {
    opened.problems.errors.push("dialog: " + dialog.message());
    dialog.dismiss();
  });
  return opened;
}

async function close({ page, problems }) {
  await page.close();
  assert.deepEqual(problems.errors, [], "console errors");
  assert.deepEqual(problems.requests, [], "requests");
}

const text = (page, selector) => page.$eval(selector, (node) => node.textContent);
const hash = (page) => page.evaluate(() => location.hash);

// What the canvas shows: how many pixels are not white, how many colours,
// and a digest to tell two drawings apart.
function canvasPicture(page) {
  return page.evaluate(() => {
    const canvas = document.getElementById("map");
    const pixels = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height).data;
    let inked = 0;
    let digest = 0;
    const colours = new Set();
    for (let i = 0; i < pixels.length; i += 4) {
      const rgb = (pixels[i] << 16) | (pixels[i + 1] << 8) | pixels[i + 2];
      if (rgb !== 0xffffff) ++inked;
      if (colours.size < 1000) colours.add(rgb);
      digest = (Math.imul(digest, 31) + rgb) | 0;
    }
    return { inked: inked / (pixels.length / 4), colours: colours.size, digest };
  });
}

// Sets the page's address and waits until `done(argument)` holds in it.
async function goTo(page, address, done, argument) {
  await page.evaluate((to) => {
    location.hash = to;
  }, address);
  await page.waitForFunction(done, {}, argument);
}

// Waits for the drawing that follows a change.
async function settle(page) {
  await page.evaluate(() => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done))));
}

describe("the page", () => {
  test("the summary holds the report's figures as the report prints them", async () => {
    for (const key of ["rooms", "islands", "realistic"]) {
      const opened = await open(key);
      const { page } = opened;
      const { map, report, islands } = maps[key];
      assert.equal(await text(page, "#figure-waypoints"), String(map.n));
      assert.match(report, new RegExp("^Read " + map.entries + " edges", "m"));
      assert.equal(await text(page, "#figure-paths"), String(map.entries));
      const orphans = (report.match(/is an orphan/g) || []).length;
      const traps = (report.match(/is a trap waypoint/g) || []).length;
      assert.equal(await text(page, "#figure-orphans"), String(orphans), key);
      assert.equal(await text(page, "#figure-traps"), String(traps), key);
      const [, reachable, cells] = /^(\d+) out of (\d+) node pairs are reachable$/m.exec(report);
      assert.equal(await text(page, "#figure-reachable"), reachable + " of " + cells);
      assert.equal(await text(page, "#figure-main"), islands.main.size + " waypoints (lowest " + islands.main.lowest + ")");
      const kinds = (kind) => islands.islands.filter((island) => island.kind === kind).length;
      assert.match(await text(page, "#figure-islands"), new RegExp("^" + kinds("trap region") + " trap region"));
      assert.match(await text(page, "#figure-islands"), new RegExp(kinds("detached") + " detached"));
      const [, routeLength] = /^Shortest path from node 0 to node 5 is (\S+) units long$/m.exec(report);
      const routeLine = report.trim().split("\n").at(-1);
      const shown = await text(page, "#figure-route");
      // (An unreachable 5 has the length 1e+07 and the line "0->5".)
      if (routeLength !== "1e+07") {
        assert.ok(shown.startsWith(routeLength + " units"), shown);
        assert.ok(shown.endsWith(routeLine), shown + " / " + routeLine);
      } else {
        assert.equal(shown, "no route (" + routeLength + ")");
      }
      assert.ok((await text(page, "#summary")).includes(String(map.n)));
      const picture = await canvasPicture(page);
      assert.ok(picture.inked > 0.01 && picture.colours > 10, JSON.stringify(picture));
      await close(opened);
    }
  });

  test("#waypoint=K selects the waypoint and shows its position as tessivar-islands writes it", async () => {
    const { map, islands } = maps.floats;
    assert.equal(islands.islands.length + 1, map.n, "each waypoint but the main one an island");
    // The page opens in the state its address names, and follows a new one.
    let opened = null;
    for (const island of islands.islands) {
      const v = island.waypoints[0];
      if (!opened) {
        opened = await open("floats", { hash: "#waypoint=" + v });
      } else {
        await goTo(opened.page, "#waypoint=" + v, (want) => window.tessivarView.state.selected?.v === want, v);
      }
      const details = await text(opened.page, "#details");
      const [x, y, z] = islands.lowCorners[islands.islands.indexOf(island)];
      assert.ok(details.includes("Waypoint " + v), details);
      assert.ok(details.includes("x " + x + ", y " + y + ", z " + z), details + " / " + [x, y, z]);
      assert.equal(await opened.page.evaluate(() => window.tessivarView.renderer.overlay.waypoint), v);
    }
    await close(opened);
  });

  test("#island=K shows island K as tessivar-islands numbers it, zoomed to its box", async () => {
    const { islands } = maps.islands;
    const opened = await open("islands");
    const { page } = opened;
    const whole = await canvasPicture(page);
    for (let k = 1; k <= islands.islands.length; ++k) {
      const island = islands.islands[k - 1];
      await goTo(page, "#island=" + k, (want) => window.tessivarView.state.selected?.k === want, k - 1);
      const details = await text(page, "#details");
      const size = island.waypoints.length;
      assert.ok(details.includes("Island " + k + " of " + islands.islands.length + ": " + island.kind), details);
      assert.ok(details.includes(size + (size === 1 ? " waypoint" : " waypoints")), details);
      // The view holds the island's box.
      const inView = await page.evaluate((waypoints) => {
        const { renderer } = window.tessivarView;
        return waypoints.every((v) => {
          const [x, y] = renderer.toScreen(v);
          return x >= 0 && y >= 0 && x <= renderer.width && y <= renderer.height;
        });
      }, island.waypoints);
      assert.ok(inView, "island " + k + " in view");
    }
    await settle(page);
    assert.notEqual((await canvasPicture(page)).digest, whole.digest);
    await close(opened);
  });

  test("#route=A-B shows the shortest route's length and waypoints, or no route", async () => {
    for (const key of ["rooms", "realistic", "hostile"]) {
      const { map } = maps[key];
      const pairs = [[0, 5], [5, 0], [1, map.n - 1], [3, 3]];
      for (let k = 0; k < 6; ++k) pairs.push([(k * 97 + 11) % map.n, (k * 53 + 29) % map.n]);
      const opened = await open(key);
      const { page } = opened;
      for (const [from, to] of pairs) {
        await goTo(page, "#route=" + from + "-" + to, (ends) => {
          const s = window.tessivarView.state.selected;
          return s && s.kind === "route" && s.from === ends[0] && s.to === ends[1];
        }, [from, to]);
        const details = await text(page, "#details");
        const distance = distancesFrom(map, from)[to];
        if (distance === Infinity) {
          assert.ok(details.includes("no route"), details);
          continue;
        }
        assert.ok(details.includes("length " + general(distance)), key + " " + from + "->" + to + ": " + details);
        const [chain] = details.match(/\d+(->\d+)*$/) || [""];
        const waypoints = chain.split("->").map(Number);
        assert.equal(waypoints[0], from);
        assert.equal(waypoints.at(-1), to);
        let sum = 0;
        for (let i = 1; i < waypoints.length; ++i) {
          assert.ok(map.paths[waypoints[i - 1]].includes(waypoints[i]), chain);
          sum = Math.fround(sum + length(map, waypoints[i - 1], waypoints[i]));
        }
        assert.equal(sum, distance, chain);
        assert.equal(await hash(page), "#route=" + from + "-" + to);
      }
      await close(opened);
    }
  });

  test("an address that names nothing says so", async () => {
    const opened = await open("rooms", { hash: "#waypoint=600" });
    assert.ok((await text(opened.page, "#details")).includes("No waypoint 600 in this map (0 to 599)"));
    for (const [address, message] of [["#island=99", "No island 99"], ["#route=1-9999", "No route 1-9999"],
      ["#nothing", "names nothing"]]) {
      await goTo(opened.page, address, (want) => document.getElementById("details").textContent.includes(want), message);
    }
    await close(opened);
  });

  test("search takes the view to the waypoint and the address follows", async () => {
    const opened = await open("rooms");
    const { page } = opened;
    const before = await canvasPicture(page);
    await page.focus("#search");
    await page.keyboard.type("417");
    await settle(page);
    assert.ok((await text(page, "#details")).includes("Waypoint 417"));
    assert.equal(await hash(page), "#waypoint=417");
    const centred = await page.evaluate(() => {
      const { renderer } = window.tessivarView;
      const [x, y] = renderer.toScreen(417);
      return Math.abs(x - renderer.width / 2) < 1 && Math.abs(y - renderer.height / 2) < 1;
    });
    assert.ok(centred, "417 in the middle of the view");
    assert.notEqual((await canvasPicture(page)).digest, before.digest);
    await page.$eval("#search", (input) => (input.value = ""));
    await page.type("#search", "6000");
    assert.ok((await text(page, "#search-message")).includes("No waypoint 6000"));
    await close(opened);
  });

  test("clicking an island in the list shows it; its waypoints are buttons", async () => {
    const opened = await open("islands");
    const { page } = opened;
    const before = await canvasPicture(page);
    const island = maps.islands.islands.islands[5];
    await page.click('#islands button[data-island="5"]');
    await settle(page);
    assert.equal(await hash(page), "#island=6");
    const details = await text(page, "#details");
    assert.ok(details.includes("Island 6 of " + maps.islands.islands.islands.length + ": " + island.kind));
    const after = await canvasPicture(page);
    assert.ok(after.inked > 0.01 && after.colours > 10);
    assert.notEqual(after.digest, before.digest);
    // A waypoint of the island, chosen in the details, is selected.
    await page.click("#details .waypoints button");
    assert.equal(await hash(page), "#waypoint=" + island.waypoints[0]);
    await close(opened);
  });

  test("clicking a waypoint selects it, a shift-click draws the route to another", async () => {
    const opened = await open("rooms");
    const { page } = opened;
    const box = await page.$eval("#map", (canvas) => {
      const rect = canvas.getBoundingClientRect();
      return { left: rect.left, top: rect.top };
    });
    const where = (v) => page.evaluate((w) => window.tessivarView.renderer.toScreen(w), v);
    const [x0, y0] = await where(0);
    await page.mouse.click(box.left + x0, box.top + y0);
    assert.equal(await hash(page), "#waypoint=0");
    const [x5, y5] = await where(5);
    await page.keyboard.down("Shift");
    await page.mouse.click(box.left + x5, box.top + y5);
    await page.keyboard.up("Shift");
    assert.equal(await hash(page), "#route=0-5");
    const details = await text(page, "#details");
    assert.ok(details.includes("length " + general(distancesFrom(maps.rooms.map, 0)[5])), details);
    // Back goes to the waypoint.
    await page.goBack();
    await page.waitForFunction(() => window.tessivarView.state.selected?.kind === "waypoint");
    assert.ok((await text(page, "#details")).includes("Waypoint 0"));
    await close(opened);
  });

  test("the height filter hides what lies outside it; the storeys are buttons", async () => {
    const opened = await open("rooms");
    const { page } = opened;
    const { map } = maps.rooms;
    const whole = await canvasPicture(page);
    const buttons = await page.$$eval("#storeys button", (all) => all.map((b) => b.textContent));
    assert.deepEqual(buttons, ["All heights", "Storey 1: z 0 to 8", "Storey 2: z 160 to 168", "Storey 3: z 320 to 328"]);
    await page.click("#storeys button:nth-child(2)");
    await settle(page);
    const visible = await page.evaluate(() => Array.from(window.tessivarView.renderer.visible));
    const expected = Array.from(map.z, (z) => (z >= 0 && z <= 8 ? 1 : 0));
    assert.deepEqual(visible, expected);
    const count = expected.reduce((a, b) => a + b, 0);
    assert.equal(await text(page, "#heights-status"), count + " waypoints of 600 shown, z 0 to 8");
    const floor = await canvasPicture(page);
    assert.ok(floor.inked > 0.005 && floor.inked < whole.inked, JSON.stringify([floor, whole]));
    // Typed limits.
    await page.$eval("#z-low", (input) => (input.value = "100"));
    await page.$eval("#z-high", (input) => {
      input.value = "400";
      input.dispatchEvent(new Event("change"));
    });
    const upper = await page.evaluate(() => Array.from(window.tessivarView.renderer.visible));
    assert.deepEqual(upper, Array.from(map.z, (z) => (z >= 100 && z <= 400 ? 1 : 0)));
    // A waypoint outside the filter, searched for, brings its storey back.
    const low = expected.indexOf(1);
    await page.type("#search", String(low));
    assert.equal(await page.evaluate((v) => window.tessivarView.renderer.visible[v], low), 1);
    await close(opened);
  });

  test("the side view stacks the storeys", async () => {
    const opened = await open("rooms");
    const { page } = opened;
    const top = await canvasPicture(page);
    await page.select("#projection", "xz");
    await settle(page);
    const side = await canvasPicture(page);
    assert.notEqual(side.digest, top.digest);
    // Up the screen is up the map: waypoint heights order their screen rows.
    const rows = await page.evaluate(() => {
      const { renderer, map } = window.tessivarView;
      let lowest = 0;
      let highest = 0;
      for (let i = 0; i < map.n; ++i) {
        if (map.z[i] < map.z[lowest]) lowest = i;
        if (map.z[i] > map.z[highest]) highest = i;
      }
      return [renderer.toScreen(lowest)[1], renderer.toScreen(highest)[1]];
    });
    assert.ok(rows[0] > rows[1], JSON.stringify(rows));
    await close(opened);
  });

  test("the keyboard reaches the controls and moves the view", async () => {
    const opened = await open("islands");
    const { page } = opened;
    const reached = new Set();
    for (let k = 0; k < 40; ++k) {
      await page.keyboard.press("Tab");
      reached.add(await page.evaluate(() => document.activeElement.id || document.activeElement.dataset.island || ""));
    }
    for (const id of ["search", "map", "zoom-in", "fit", "projection", "z-low"]) assert.ok(reached.has(id), id);
    assert.ok(reached.has("0"), "the first island in the list");
    await page.focus("#map");
    const view = () => page.evaluate(() => {
      const { cx, cy, scale } = window.tessivarView.renderer;
      return { cx, cy, scale };
    });
    const start = await view();
    await page.keyboard.press("ArrowRight");
    assert.ok((await view()).cx > start.cx);
    await page.keyboard.press("+");
    assert.ok((await view()).scale > start.scale);
    await page.keyboard.press("-");
    await page.keyboard.press("-");
    assert.ok((await view()).scale < start.scale);
    await page.keyboard.press("0");
    assert.equal((await view()).scale, start.scale);
    await close(opened);
  });

  test("the wheel zooms about the pointer and a drag pans", async () => {
    const opened = await open("rooms");
    const { page } = opened;
    const box = await page.$eval("#map", (canvas) => {
      const rect = canvas.getBoundingClientRect();
      return { x: rect.left + rect.width / 2, y: rect.top + rect.height / 2 };
    });
    const scale = () => page.evaluate(() => window.tessivarView.renderer.scale);
    const before = await scale();
    await page.mouse.move(box.x, box.y);
    await page.mouse.wheel({ deltaY: -300 });
    await page.waitForFunction((s) => window.tessivarView.renderer.scale > s, {}, before);
    const cx = await page.evaluate(() => window.tessivarView.renderer.cx);
    await page.mouse.down();
    await page.mouse.move(box.x - 100, box.y, { steps: 5 });
    await page.mouse.up();
    assert.ok((await page.evaluate(() => window.tessivarView.renderer.cx)) > cx);
    // A drag selects nothing.
    assert.equal(await hash(page), "");
    await close(opened);
  });

  test("a hostile map name shows as its characters and runs nothing", async () => {
    const opened = await open("hostile");
    const { page } = opened;
    const name = HOSTILE.slice(0, 32);
    assert.equal(await text(page, "#title"), name);
    assert.equal(await page.title(), name + " \u2013 Tessivar view");
    assert.equal(await page.$$eval("img", (all) => all.length), 0);
    assert.equal(await page.evaluate(() => document.scripts.length), 2);
    await close(opened);
  });

  test("a map too big for the report's N x N phases says what was left out", async () => {
    const opened = await open("big");
    const { page } = opened;
    assert.equal(await text(page, "#figure-reachable"), "left out");
    const note = await page.$eval("#left-out", (node) => (node.hidden ? "" : node.textContent));
    assert.ok(note.includes("2050 waypoints") && note.includes("up to 2048") && note.includes("tessivar grid_50_41.wpt"), note);
    assert.equal(await text(page, "#figure-islands"), "0 trap regions, 0 unreachable regions, 0 detached (0 orphans)");
    await close(opened);
  });

  test("on a phone the page fits the screen and the map is large enough", async () => {
    const opened = await open("rooms", { width: 390, height: 844, mobile: true });
    const { page } = opened;
    const layout = await page.evaluate(() => ({
      overflow: document.scrollingElement.scrollWidth - window.innerWidth,
      map: document.getElementById("map").getBoundingClientRect().height,
    }));
    assert.ok(layout.overflow <= 0, JSON.stringify(layout));
    assert.ok(layout.map >= 300, JSON.stringify(layout));
    const picture = await canvasPicture(page);
    assert.ok(picture.inked > 0.01, JSON.stringify(picture));
    await close(opened);
  });
});
