// ESLint over the page's scripts and their tests (eslint.config.js), run
// from the repository's root:
//   node view/test/lint.js
// Exits 77 (CTest's skip code here) when ESLint is not installed (npm ci),
// unless TESSIVAR_REQUIRE_BROWSER=1.
import { resolve } from "node:path";

let ESLint;
try {
  ({ ESLint } = await import("eslint"));
} catch {
  if (process.env.TESSIVAR_REQUIRE_BROWSER === "1") {
    console.error("ESLint is not installed (npm ci)");
    process.exit(1);
  }
  console.log("SKIP: ESLint is not installed (npm ci)");
  process.exit(77);
}

const root = resolve(import.meta.dirname, "../..");
const eslint = new ESLint({ cwd: root });
const results = await eslint.lintFiles(["view", "bench", "eslint.config.js"]);
const formatter = await eslint.loadFormatter("stylish");
const report = await formatter.format(results);
if (report) console.log(report);
const problems = results.reduce((sum, result) => sum + result.errorCount + result.warningCount, 0);
const files = results.length;
console.log(problems === 0 ? "ESLint: " + files + " files, no problems" : "ESLint: " + problems + " problems");
process.exit(problems === 0 && files > 0 ? 0 : 1);
