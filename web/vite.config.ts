// SPDX-License-Identifier: Apache-2.0
// The browser application of pylora-web: built into dist/, which the server
// serves at "/" (index.html) and "/assets/...".
import { defineConfig } from "vite";

export default defineConfig({
  base: "./",
  build: {
    outDir: "dist",
    assetsDir: "assets",
    emptyOutDir: true,
    sourcemap: false,
    chunkSizeWarningLimit: 1500,
    // No inline scripts or data: modules: the server's policy allows only
    // scripts of its own origin.
    assetsInlineLimit: 0,
    modulePreload: { polyfill: false },
  },
});
