// Debian's Chromium, headless, through Playwright, and the page's server on
// 127.0.0.1: shared by the web tests and the web benchmark.
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { chromium } from "playwright-core";
import { serve } from "../../web/serve.mjs";

export const CHROMIUM = process.env.CHROMIUM || "/usr/bin/chromium";

// The machine has no network: nothing of Chromium's own may try to reach out.
// WebGL comes from SwiftShader without any flag (a --use-gl flag would turn it off).
const QUIET = [
  "--no-sandbox",
  "--disable-background-networking",
  "--disable-component-update",
  "--disable-sync",
  "--no-first-run",
  "--disable-quic",
  "--disable-default-apps",
  "--mute-audio",
];

// Starts the server on the site folder and the browser; close() stops both,
// stopServer() the server alone. A desktop profile by default (640 x 480, no
// touch, service workers blocked so that page.route sees every request); `device`
// gives Playwright's viewport, deviceScaleFactor, hasTouch, isMobile and
// serviceWorkers instead.
export async function start(site, { extraArgs = [], env = {}, device = {} } = {}) {
  const server = await serve(site);
  const profile = mkdtempSync(join(tmpdir(), "heartcube-chromium-"));
  let context;
  try {
    context = await chromium.launchPersistentContext(profile, {
      executablePath: CHROMIUM,
      headless: true,
      args: [...QUIET, ...extraArgs],
      env: { ...process.env, ...env },
      viewport: { width: 640, height: 480 },
      deviceScaleFactor: 1,
      serviceWorkers: "block",
      ...device,
    });
  } catch (error) {
    server.close();
    rmSync(profile, { recursive: true, force: true });
    throw error;
  }
  return {
    context,
    server,
    url: `http://127.0.0.1:${server.address().port}/`,
    stopServer() {
      server.closeAllConnections();
      server.close();
    },
    async close() {
      await context.close().catch(() => {});
      this.stopServer();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}
