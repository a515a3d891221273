// Headless Chromium for the page's tests, its benchmark and the README's
// screenshot: Debian's chromium driven by puppeteer-core, with nothing
// reaching the network and a fresh profile each time.
import { existsSync, mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { pathToFileURL } from "node:url";

const CANDIDATES = ["/usr/bin/chromium", "/usr/bin/chromium-browser", "/usr/bin/google-chrome"];

export function findChromium() {
  if (process.env.CHROMIUM) return process.env.CHROMIUM;
  return CANDIDATES.find((path) => existsSync(path)) || null;
}

// puppeteer-core, or null where `npm ci` has not installed it.
export async function loadPuppeteer() {
  try {
    return (await import("puppeteer-core")).default;
  } catch {
    return null;
  }
}

// Starts the browser; `close` ends it and removes its profile.
export async function startBrowser(executablePath) {
  const puppeteer = await loadPuppeteer();
  const profile = mkdtempSync(join(tmpdir(), "tessivar-view-profile-"));
  const browser = await puppeteer.launch({
    executablePath,
    headless: true,
    args: [
      "--no-sandbox",
      "--disable-gpu",
      "--disable-background-networking",
      "--disable-component-update",
      "--disable-sync",
      "--no-first-run",
      "--user-data-dir=" + profile,
    ],
  });
  return {
    browser,
    async close() {
      await browser.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

// Opens a page file in a new tab of `width` x `height` CSS pixels and
// waits until its first drawing is done. Collects the console's errors,
// the page's uncaught exceptions and every request other than the file
// itself.
export async function openPage(browser, file, { width = 1280, height = 860, hash = "", mobile = false } = {}) {
  const page = await browser.newPage();
  await page.setViewport({ width, height, deviceScaleFactor: 1, isMobile: mobile, hasTouch: mobile });
  const url = pathToFileURL(file).href;
  const problems = { errors: [], requests: [] };
  page.on("console", (message) => {
    if (message.type() === "error" || message.type() === "warning") problems.errors.push(message.text());
  });
  page.on("pageerror", (error) => problems.errors.push(String(error)));
  page.on("request", (request) => {
    if (request.url() !== url && request.url() !== url + hash) problems.requests.push(request.url());
  });
  await page.goto(url + hash, { waitUntil: "load" });
  await page.waitForFunction(() => document.body.dataset.ready === "true", { timeout: 20000 });
  return { page, problems, url };
}
