// SPDX-License-Identifier: Apache-2.0
// Unit tests of the pure modules of the application (npm test); they live in
// tests/web/unit beside the browser tests.
import { defineConfig } from "vitest/config";

export default defineConfig({
  test: {
    root: "..",
    include: ["tests/web/unit/**/*.test.ts"],
    globals: true,
    environment: "node",
  },
});
