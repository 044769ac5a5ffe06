// SPDX-License-Identifier: Apache-2.0
// Unit tests of the pure modules of the application (npm test); they live in
// tests/web/unit beside the browser tests.
import { defineConfig } from "vitest/config";

export default defineConfig({
  // Beside the application's packages, not in the source tree's root.
  cacheDir: "web/node_modules/.vite",
  test: {
    root: "..",
    include: ["tests/web/unit/**/*.test.ts"],
    globals: true,
    environment: "node",
  },
});
