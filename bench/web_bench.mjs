// The web page against the native program, in one run on this machine:
// - page load to the first frame (navigation to the show's first frame at ?t=,
//   which starts without a click), and to the play button being ready;
// - each scene's frame rate in headless Chromium (frame rate not held to the
//   display's) next to heartcube-bench-scenes under Xvfb, both at 640x480, each
//   next to its empty frame. Chromium draws WebGL with its own SwiftShader; where
//   Mesa's Vulkan driver is installed it also draws on lavapipe, whose rasteriser
//   is the llvmpipe the native program uses: the same software renderer;
// - the page's download, raw and gzip, next to the show's own files; the bytes
//   the server sends on a first visit (the service worker keeping the site) and a
//   second (served by the worker);
// - the single file heartcube.html: its size, and opening it from disk to the
//   play button, next to the served page's;
// - each scene's frame rate in a phone's profile (390x844 at 3 device pixels to
//   a CSS pixel, touch) next to the desktop's 640x480, on SwiftShader.
//
//   node bench/web_bench.mjs [--seconds S] [--loads N]
// from the source folder after ./scripts/test (or scripts/build release and
// scripts/build web). The native side runs on the X display in DISPLAY, or
// under xvfb-run. SITE, SHOW and NATIVE may name other builds.
import { execFileSync } from "node:child_process";
import { existsSync, readdirSync, readFileSync, statSync } from "node:fs";
import { join, resolve } from "node:path";
import { pathToFileURL } from "node:url";
import { parseArgs } from "node:util";
import { gzipSync } from "node:zlib";
import { start } from "../tests/web/browser.mjs";

const SITE = process.env.SITE || "build-web/site";
const SINGLE_FILE = join(SITE, "..", "heartcube.html");
const PHONE = { viewport: { width: 390, height: 844 }, deviceScaleFactor: 3, hasTouch: true, isMobile: true };
const SHOW = process.env.SHOW || "build/show";
const NATIVE = process.env.NATIVE || "build/bench/heartcube-bench-scenes";
const { values: options } = parseArgs({ options: { seconds: { type: "string", default: "3" },
  loads: { type: "string", default: "5" } } });
const seconds = Number(options.seconds);
const loads = Math.max(1, Number(options.loads));

// The native program's scenes, in heartcube-bench-scenes' names, at moments of the show.
const SCENES = [["title", 4], ["creators", 12], ["rotozoomer", 24], ["tunnel", 42], ["heart cube", 52],
  ["heart cube + credits", 53.5], ["pink", 80], ["drifting panels", 93], ["end", 106]];

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

function files(dir) {
  return readdirSync(dir, { withFileTypes: true }).flatMap((entry) =>
    entry.isDirectory() ? files(join(dir, entry.name)) : [join(dir, entry.name)]);
}

function sizes(paths) {
  let raw = 0, gzip = 0;
  for (const path of paths) {
    const bytes = readFileSync(path);
    raw += bytes.length;
    gzip += gzipSync(bytes, { level: 9 }).length;
  }
  return { raw, gzip };
}

const kb = (bytes) => `${(bytes / 1024).toFixed(0).padStart(6)} KB`;

function downloads() {
  console.log("Download, raw and gzip -9:");
  const site = files(SITE);
  const code = site.filter((path) => /\.(js|wasm)$/.test(path) && !path.endsWith("page.js"));
  const rows = [
    ["program (heartcube.js + .wasm)", sizes(code)],
    ["page (html, css, page.js)", sizes(site.filter((path) => /(index\.html|page\.css|page\.js)$/.test(path)))],
    ["pictures (storyboard.png, icon.png)", sizes(site.filter((path) => path.endsWith(".png")))],
    ["show package (heartcube.data)", sizes(site.filter((path) => path.endsWith(".data")))],
    ["the whole folder", sizes(site)],
    ["the show's own files (build/show)", sizes(files(SHOW))],
  ];
  for (const [name, { raw, gzip }] of rows) console.log(`  ${name.padEnd(36)} ${kb(raw)} ${kb(gzip)}`);
  return rows[0][1].gzip;
}

// Navigation to the play button ready, in ms: the median of `loads` visits.
async function untilReady(browser, address) {
  const times = [];
  for (let i = 0; i < loads; i++) {
    const page = await browser.context.newPage();
    await page.goto(address);
    await page.waitForFunction(() => window.heartcube.state === "ready", null, { timeout: 60000 });
    times.push(await page.evaluate(() => performance.now()));
    await page.close();
  }
  return median(times);
}

function singleFile() {
  const { raw, gzip } = sizes([SINGLE_FILE]);
  console.log(`Single file heartcube.html: ${kb(raw)} (${kb(gzip)} gzip -9; the show inside is gzipped already)`);
}

// What the server sends: a function giving the bytes written so far on every connection.
function sent(server) {
  const sockets = new Set();
  server.on("connection", (socket) => sockets.add(socket));
  return () => [...sockets].reduce((sum, socket) => sum + socket.bytesWritten, 0);
}

async function visits() {
  const browser = await start(SITE, { device: { serviceWorkers: "allow" } });
  try {
    const bytes = sent(browser.server);
    const first = await browser.context.newPage();
    await first.goto(`${browser.url}index.html`);
    await first.waitForFunction(() => window.heartcube.offline === true, null, { timeout: 120000 });
    const firstVisit = bytes();
    await first.close();
    const second = await browser.context.newPage();
    await second.goto(`${browser.url}index.html`);
    await second.waitForFunction(() => window.heartcube.state === "ready", null, { timeout: 60000 });
    await second.waitForTimeout(500);
    console.log(`Sent by the server: first visit ${kb(firstVisit)} (the page, then the service worker keeping ` +
      `the site), second visit ${bytes() - firstVisit} bytes (served by the worker)`);
    await second.close();
  } finally {
    await browser.close();
  }
}

async function loadTimes(browser) {
  const firstFrame = [];
  for (let i = 0; i < loads; i++) {
    const page = await browser.context.newPage();
    await page.goto(`${browser.url}index.html?t=4`);
    await page.waitForFunction(() => window.heartcube.firstFrameAt > 0, null, { timeout: 60000 });
    firstFrame.push(await page.evaluate(() => window.heartcube.firstFrameAt));
    await page.close();
  }
  console.log(`  navigation to the first frame (?t=4): ${median(firstFrame).toFixed(0)} ms ` +
    `(median of ${loads}; ${Math.min(...firstFrame).toFixed(0)}..${Math.max(...firstFrame).toFixed(0)})`);
  const ready = await untilReady(browser, `${browser.url}index.html`);
  console.log(`  navigation to the play button ready:  ${ready.toFixed(0)} ms (median of ${loads})`);
  const single = await untilReady(browser, pathToFileURL(resolve(SINGLE_FILE)).href);
  console.log(`  the single file from disk to the play button: ${single.toFixed(0)} ms (median of ${loads})`);
}

// The browser's own frame cost: a 640x480 WebGL canvas cleared every frame.
async function emptyWebRate(browser) {
  const page = await browser.context.newPage();
  await page.setContent(`<body style="margin:0;background:#000"><canvas width="640" height="480"></canvas><script>
    const gl = document.querySelector("canvas").getContext("webgl", { alpha: false, antialias: false, depth: false });
    window.frames = 0;
    (function frame() { gl.clearColor(0, 0, 0, 0); gl.clear(gl.COLOR_BUFFER_BIT); window.frames++; requestAnimationFrame(frame); })();
  </script></body>`);
  await page.waitForFunction(() => window.frames > 10);
  const from = await page.evaluate(() => [window.frames, performance.now()]);
  await page.waitForTimeout(seconds * 1000);
  const to = await page.evaluate(() => [window.frames, performance.now()]);
  await page.close();
  return ((to[0] - from[0]) * 1000) / (to[1] - from[1]);
}

// Without a display to wait for, the browser could run frames ahead of the
// drawing; reading one pixel back after each frame waits for it to be drawn, as
// the native program's swap on Xvfb does.
function waitForEachFrame() {
  const getContext = HTMLCanvasElement.prototype.getContext;
  let gl = null;
  HTMLCanvasElement.prototype.getContext = function (...args) {
    const context = getContext.apply(this, args);
    if (/webgl/.test(args[0]) && context) gl = context;
    return context;
  };
  const pixel = new Uint8Array(4);
  const request = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = (callback) => request((time) => {
    callback(time);
    if (gl) gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
  });
}

async function webRates(browser) {
  await browser.context.addInitScript(waitForEachFrame);
  const rates = new Map([["empty frame", await emptyWebRate(browser)]]);
  for (const [name, moment] of SCENES) {
    const page = await browser.context.newPage();
    await page.goto(`${browser.url}index.html?t=${moment}`);
    await page.waitForFunction(() => window.heartcube.frames > 10, null, { timeout: 60000 });
    const from = await page.evaluate(() => [window.heartcube.frames, performance.now()]);
    await page.waitForTimeout(seconds * 1000);
    const to = await page.evaluate(() => [window.heartcube.frames, performance.now()]);
    rates.set(name, ((to[0] - from[0]) * 1000) / (to[1] - from[1]));
    await page.close();
  }
  return rates;
}

function nativeRates() {
  const command = [NATIVE, SHOW, String(seconds)];
  if (!process.env.DISPLAY) command.unshift("xvfb-run", "-a", "-s", "-screen 0 640x480x24");
  const output = execFileSync(command[0], command.slice(1), { encoding: "utf8" });
  const rates = new Map();
  for (const line of output.split("\n")) {
    const match = line.match(/^\s+(.+?)\s+([\d.]+) fps/);
    if (match) rates.set(match[1], Number(match[2]));
  }
  return rates;
}

for (const path of [SITE, SINGLE_FILE, SHOW, NATIVE]) statSync(path);
const codeGzip = downloads();
console.log(`  program gzip against the 400 KB goal: ${(codeGzip / 1024 / 400).toFixed(2)}x`);
singleFile();
await visits();

// Frame rates are not held to the display's, so that both sides draw as fast as they can.
const UNCAPPED = ["--disable-frame-rate-limit", "--disable-gpu-vsync"];
const LAVAPIPE = "/usr/share/vulkan/icd.d/lvp_icd.x86_64.json";
const renderers = [["SwiftShader", { extraArgs: UNCAPPED }]];
if (existsSync(LAVAPIPE))
  renderers.push(["llvmpipe", { extraArgs: [...UNCAPPED, "--use-angle=vulkan", "--use-vulkan=native",
    "--ignore-gpu-blocklist", "--enable-features=Vulkan"], env: { VK_ICD_FILENAMES: LAVAPIPE } }]);

const web = new Map();
for (const [renderer, options] of renderers) {
  const browser = await start(SITE, options);
  try {
    console.log(`Chromium on ${renderer}:`);
    await loadTimes(browser);
    web.set(renderer, await webRates(browser));
  } finally {
    await browser.close();
  }
}
const phone = await start(SITE, { ...renderers[0][1], device: PHONE });
let phoneRates;
try {
  phoneRates = await webRates(phone);
} finally {
  await phone.close();
}
const native = nativeRates();

console.log(`Frames per second at 640x480, ${seconds} s a scene (the machine's load moves these), and against`);
console.log("the native program (llvmpipe). The empty frame is each side's cost of a frame with nothing drawn.");
const names = [...web.keys()];
console.log(`  ${"scene".padEnd(22)} ${"native".padStart(8)}` + names.map((n) => ` ${n.padStart(12)}  ratio`).join(""));
for (const name of ["empty frame", ...SCENES.map(([scene]) => scene)]) {
  const n = native.get(name);
  console.log(`  ${name.padEnd(22)} ${n.toFixed(1).padStart(8)}` +
    names.map((r) => ` ${web.get(r).get(name).toFixed(1).padStart(12)}  ${(web.get(r).get(name) / n).toFixed(2)} `).join(""));
}

console.log(`A phone's profile against the desktop's, both in Chromium on ${renderers[0][0]}: the phone draws`);
console.log("1170x878 device pixels (390x844 at 3 to a CSS pixel, portrait), the desktop 640x480.");
console.log(`  ${"scene".padEnd(22)} ${"desktop".padStart(8)} ${"phone".padStart(8)}  ratio`);
for (const name of ["empty frame", ...SCENES.map(([scene]) => scene)]) {
  const desktop = web.get(renderers[0][0]).get(name), small = phoneRates.get(name);
  console.log(`  ${name.padEnd(22)} ${desktop.toFixed(1).padStart(8)} ${small.toFixed(1).padStart(8)}  ${(small / desktop).toFixed(2)}`);
}
