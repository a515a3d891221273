// The README's screenshot of the map page: the page in headless Chromium
// at 1280 x 860, opened in the state the address names, saved as a PNG.
//
//   node view/test/screenshot.js PAGE.html OUT.png [#ADDRESS]
//
// The README's picture is examples/islands_200.wpt with island 6 chosen:
//   build/view/tessivar-view examples/islands_200.wpt /tmp/islands_200.html
//   node view/test/screenshot.js /tmp/islands_200.html docs/view_islands_200.png '#island=6'
import { findChromium, openPage, startBrowser } from "./browser.js";

const [file, output, hash = ""] = process.argv.slice(2);
if (!file || !output || (hash && !hash.startsWith("#"))) {
  console.error("usage: screenshot.js PAGE.html OUT.png [#ADDRESS]");
  process.exit(2);
}
const chromium = findChromium();
if (!chromium) {
  console.error("screenshot.js: Chromium is not installed");
  process.exit(1);
}

const browser = await startBrowser(chromium);
try {
  const { page, problems } = await openPage(browser.browser, file, { hash });
  // The drawing that follows the address's state is done in the next frame.
  await page.evaluate(() => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done))));
  await page.screenshot({ path: output });
  if (problems.errors.length + problems.requests.length > 0) {
    console.error("screenshot.js: the page reported", problems);
    process.exitCode = 1;
  }
} finally {
  await browser.close();
}
