// ESLint for the page of tessivar-view (view/page) and its tests: the
// recommended rules, plus the few that keep the page's script sound once
// its modules are joined into one (view/embed_page.cmake).
import js from "@eslint/js";
import globals from "globals";

export default [
  { ignores: ["node_modules/**", "build*/**"] },
  js.configs.recommended,
  {
    files: ["view/page/**/*.js"],
    languageOptions: {
      ecmaVersion: 2022,
      sourceType: "module",
      globals: { ...globals.browser },
    },
    rules: {
      "no-var": "error",
      "prefer-const": "error",
      eqeqeq: "error",
      "no-shadow": "error",
      "no-implicit-globals": "error",
      "no-restricted-syntax": [
        "error",
        {
          selector: "ExportDefaultDeclaration",
          message: "The page joins its modules: export declarations by name only.",
        },
        {
          selector: "ExportNamedDeclaration[source]",
          message: "The page joins its modules: no re-exports.",
        },
      ],
    },
  },
  {
    // Node scripts, some of whose functions run in the page (puppeteer's
    // evaluate): both sets of globals.
    files: ["view/test/**/*.js", "bench/**/*.js", "eslint.config.js"],
    languageOptions: {
      ecmaVersion: 2022,
      sourceType: "module",
      globals: { ...globals.node, ...globals.browser },
    },
    rules: {
      "no-var": "error",
      "prefer-const": "error",
      eqeqeq: "error",
    },
  },
];
