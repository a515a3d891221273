// The page of tessivar-view in headless Chromium, on a laptop-sized
// window (1366 x 768): how soon the first drawing is done (and when the
// script started, had decoded the data and was ready to draw), how long a full
// drawing takes at three zoom levels, and the frames per second while the
// view pans and zooms, as a user's drag and wheel move it (the moved
// picture between full drawings) and with every frame drawn in full.
//
//   node bench/view_bench.js PAGE.html [SECONDS]
//
// Prints one line of JSON. scripts/benchmark.sh view runs it on generated
// maps; BENCHMARKS.md has the results.
import { findChromium, openPage, startBrowser } from "../view/test/browser.js";

const [file, secondsArgument] = process.argv.slice(2);
if (!file) {
  console.error("usage: view_bench.js PAGE.html [SECONDS]");
  process.exit(2);
}
const seconds = Number(secondsArgument || 3);
const chromium = findChromium();
if (!chromium) {
  console.error("view_bench.js: Chromium is not installed");
  process.exit(1);
}

const browser = await startBrowser(chromium);
try {
  // The first drawing of a fresh tab, best of three: the page's own
  // time from the start of navigation to the end of its first drawing.
  // With it, when the script started (the HTML read and parsed), had
  // decoded the data and was ready to draw.
  let best = null;
  let opened;
  for (let k = 0; k < 3; ++k) {
    if (opened) await opened.page.close();
    opened = await openPage(browser.browser, file, { width: 1366, height: 768 });
    const times = await opened.page.evaluate(() =>
      [...document.body.dataset.startMs.split(" "), document.body.dataset.firstDrawMs].map(Number));
    if (!best || times[3] < best[3]) best = times;
  }
  const { page, problems } = opened;
  const result = await page.evaluate(async (duration) => {
    const { renderer, map } = window.tessivarView;
    const median = (values) => [...values].sort((a, b) => a - b)[values.length >> 1];
    const fullDraws = (factor) => {
      renderer.fit();
      renderer.zoomAt(factor, renderer.width / 2, renderer.height / 2);
      const times = [];
      for (let k = 0; k < 5; ++k) {
        const start = performance.now();
        renderer.draw();
        times.push(performance.now() - start);
      }
      return median(times);
    };
    const draws = { fit: fullDraws(1), zoom4: fullDraws(4), zoom16: fullDraws(16) };

    // Moves the view a step every frame for `duration` seconds and counts
    // the frames that showed a new picture.
    const moving = (step, full) => new Promise((done) => {
      renderer.fit();
      renderer.draw();
      renderer.fullFrames = full;
      let shown = 0;
      let longest = 0;
      let last = 0;
      renderer.onDraw = () => {
        const now = performance.now();
        if (last > 0) longest = Math.max(longest, now - last);
        last = now;
        ++shown;
      };
      const start = performance.now();
      let k = 0;
      const tick = () => {
        if (performance.now() - start >= duration * 1000) {
          renderer.onDraw = null;
          renderer.fullFrames = false;
          done({ fps: shown / ((performance.now() - start) / 1000), longestFrameMs: longest });
          return;
        }
        step(k++);
        renderer.requestFrame();
        requestAnimationFrame(tick);
      };
      requestAnimationFrame(tick);
    });
    const pan = (k) => renderer.panBy(Math.cos(k / 30) * 12, Math.sin(k / 45) * 9);
    const zoom = (k) => renderer.zoomAt(Math.floor(k / 60) % 2 === 0 ? 1.03 : 1 / 1.03,
      renderer.width * 0.4, renderer.height * 0.6);
    const panning = await moving(pan, false);
    const zooming = await moving(zoom, false);
    const panningFull = await moving(pan, true);
    const zoomingFull = await moving(zoom, true);
    return {
      waypoints: map.n,
      paths: map.outTarget.length,
      drawnLines: map.lineA.length + map.arrowFrom.length,
      draws,
      panning,
      zooming,
      panningFull,
      zoomingFull,
    };
  }, seconds);
  [result.scriptStartMs, result.decodedMs, result.filledMs, result.firstDrawMs] = best;
  result.problems = problems.errors.length + problems.requests.length;
  await page.close();
  console.log(JSON.stringify(result));
} finally {
  await browser.close();
}
