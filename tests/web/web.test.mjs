// The web page in Debian's Chromium, headless, one browser for the whole suite,
// against our server on 127.0.0.1. Environment: SITE (the built page's folder),
// RENDER (heartcube-render) and SHOW (the show folder the page packages).
import assert from "node:assert/strict";
import { existsSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { after, before, test } from "node:test";
import { start } from "./browser.mjs";
import { compareFrames, pageFrame, readPng, renderedFrame } from "./frames.mjs";

const { SITE, RENDER, SHOW } = process.env;
// Generous: the machine may be busy with other builds.
const LONG = { timeout: 240000 };

let browser;
let scratch;
before(async () => {
  assert.ok(SITE && RENDER && SHOW, "SITE, RENDER and SHOW must be set");
  assert.ok(existsSync(join(SITE, "index.html")), `${SITE} holds no page: build it first with scripts/build web`);
  scratch = mkdtempSync(join(tmpdir(), "heartcube-web-"));
  browser = await start(SITE);
});
after(async () => {
  await browser?.close();
  if (scratch) rmSync(scratch, { recursive: true, force: true });
});

// Emscripten's legacy OpenGL emulation announces itself on the console as errors
// (3.1.69, Debian 13's): these lines, word for word, are the library's, not faults.
const EMSCRIPTEN_NOTICES = new Set([
  "WARNING: using emscripten GL emulation. This is a collection of limited workarounds, do not expect it to work.",
  "WARNING: using emscripten GL emulation unsafe opts. If weirdness happens, try -sGL_UNSAFE_OPTS=0",
  "WARNING: using emscripten GL immediate mode emulation. This is very limited in what it supports",
]);

// A new tab on the page, recording what reaches the console.
async function open(query, { setUp } = {}) {
  const page = await browser.context.newPage();
  const log = { lines: [], errors: [] };
  page.on("console", (message) => {
    log.lines.push(message.text());
    if (message.type() === "error" && !EMSCRIPTEN_NOTICES.has(message.text())) log.errors.push(message.text());
  });
  page.on("pageerror", (error) => log.errors.push(error.message));
  if (setUp) await setUp(page);
  await page.goto(`${browser.url}index.html${query}`);
  return { page, log };
}

const state = (page) => page.evaluate(() => window.heartcube.state);
const untilState = (page, states, timeout = 30000) =>
  page.waitForFunction((wanted) => wanted.includes(window.heartcube.state), states, { timeout });
const messages = (page) => page.evaluate(() => window.heartcube.messages.map((m) => `${m.kind}: ${m.text}`));
const musicPosition = (page) => page.evaluate(() => window.heartcube.module.heartcubeSound.streams[0].lastMs);

async function play(page) {
  await untilState(page, ["ready"]);
  await page.click("#play");
  await page.waitForFunction(() => window.heartcube.frames > 10, null, { timeout: 30000 });
}

// Two software renderers (SwiftShader in Chromium, llvmpipe for heartcube-render)
// round differently: over the moments below the worst 80 x 80 region differs by
// 0.38 levels on average and no pixel by more than 48. A missing blend pass, fog
// switched off or quads garbled by the emulation put some region 34 to 140 levels
// off on average, with over half its pixels far off.
const MOST_MEAN_DIFFERENCE = 2.0;
const MOST_FAR_SHARE = 0.005;

function assertLooksLike(webFrame, seconds, what) {
  const reference = renderedFrame(RENDER, SHOW, seconds, webFrame.width, webFrame.height, join(scratch, `${seconds}.png`));
  const { mean, far } = compareFrames(webFrame, reference);
  assert.ok(mean.value <= MOST_MEAN_DIFFERENCE && far.value <= MOST_FAR_SHARE,
    `${what} at ${seconds} s differs from heartcube-render: region (${mean.column}, ${mean.row}) by ` +
    `${mean.value.toFixed(2)} levels on average, region (${far.column}, ${far.row}) with ` +
    `${(far.value * 100).toFixed(1)}% of its pixels far off`);
}

test("?t= frames match heartcube-render in every scene and a credit, with no OpenGL error", LONG, async (t) => {
  const moments = [[4, "title"], [12, "creators"], [24, "rotozoomer"], [42, "tunnel"], [52, "heart cube"],
    [53.5, "credit"], [80, "pink"], [93, "drifting panels"], [106, "end"]];
  for (const [seconds, scene] of moments) {
    await t.test(scene, async () => {
      const { page, log } = await open(`?t=${seconds}`);
      await untilState(page, ["frozen", "failed"]);
      assert.equal(await page.isVisible("#start"), false, "no overlay covers a frozen moment");
      // As base64: a plain array of 1.2 million numbers takes seconds to pass.
      const frame = await page.evaluate(() => {
        const { width, height, pixels } = window.heartcube.frame;
        let text = "";
        for (let i = 0; i < pixels.length; i += 0x8000)
          text += String.fromCharCode.apply(null, pixels.subarray(i, i + 0x8000));
        return { width, height, base64: btoa(text) };
      });
      assert.deepEqual([frame.width, frame.height], [640, 480]);
      const pixels = new Uint8Array(Buffer.from(frame.base64, "base64"));
      assertLooksLike(pageFrame({ ...frame, pixels }), seconds, scene);
      assert.deepEqual(log.errors, []);
      await page.close();
    });
  }
});

test("a click plays the show: progress lines, no console error, a music clock in real time, Escape ends it",
  LONG, async () => {
    const { page, log } = await open("");
    await play(page);
    for (const line of ["GLFW Init", "Music Loaded", "Textures Loaded"]) assert.ok(log.lines.includes(line), line);
    assert.match(await page.title(), /^Yeah! \(\d+\.\d FPS\)$/);

    // No sound card here: the browser's audio clock runs all the same, once the
    // soundtrack is decoded.
    await page.waitForFunction(() => window.heartcube.module.heartcubeSound.streams[0].lastMs > 0);
    const from = { ms: await musicPosition(page), at: Date.now() };
    await page.waitForTimeout(2000);
    const rate = (await musicPosition(page) - from.ms) / (Date.now() - from.at);
    assert.ok(rate > 0.5 && rate < 1.5, `the music clock ran at ${rate.toFixed(2)} x real time`);

    // Held for a moment: the frame loop reads keys once a frame.
    await page.keyboard.down("Escape");
    await page.waitForTimeout(300);
    await page.keyboard.up("Escape");
    await untilState(page, ["ended"], 10000);
    assert.ok(await page.isVisible("#again"));
    assert.deepEqual(log.errors, []);
    assert.deepEqual(await messages(page), []);
    await page.close();
  });

test("?start= near the end: the end picture, then the show ends by itself with the end screen", LONG, async () => {
  const { page } = await open("?start=106");
  await play(page);
  // The title shows until the browser has decoded the soundtrack and it plays.
  await page.waitForFunction(() => window.heartcube.module.heartcubeSound.streams[0].lastMs >= 106000, null,
    { timeout: 20000 });
  await page.waitForFunction((n) => window.heartcube.frames > n, (await page.evaluate(() => window.heartcube.frames)) + 2);
  const clip = await page.locator("#canvas").boundingBox();
  const path = join(scratch, "live.png");
  writeFileSync(path, await page.screenshot({ clip, type: "png" }));
  // The end picture does not move, so any moment of it will do.
  assertLooksLike(readPng(path, clip.width, clip.height), 106, "the live end picture");
  await untilState(page, ["ended"], 20000);
  assert.ok(await musicPosition(page) >= 111000, "the show ends at 111 s of music");
  assert.ok(await page.isVisible("#again"));
  await page.close();
});

test("failures are said on the page: no data, an undecodable soundtrack, no WebGL, refused options", LONG, async (t) => {
  await t.test("heartcube.data missing", async () => {
    const { page } = await open("", { setUp: (p) => p.route("**/heartcube.data", (r) => r.fulfill({ status: 404 })) });
    await untilState(page, ["failed"]);
    assert.match((await messages(page)).join("\n"), /error: .*heartcube\.data could not be downloaded \(404/);
    assert.ok(await page.isVisible("#messages"));
    await page.close();
  });

  await t.test("soundtrack not decodable", async () => {
    const loader = readFileSync(join(SITE, "heartcube.js"), "utf8");
    // The packager's table of files: quoted keys from emscripten 3.1.6, bare from 3.1.69.
    const [, begin, end] = loader.match(/"?filename"?:\s*"\/Dezira\.mp3",\s*"?start"?:\s*(\d+),\s*"?end"?:\s*(\d+)/);
    const spoilt = readFileSync(join(SITE, "heartcube.data"));
    spoilt.fill(0x5a, Number(begin), Number(end));
    const { page } = await open("", {
      setUp: (p) => p.route("**/heartcube.data", (r) => r.fulfill({ body: spoilt, contentType: "application/octet-stream" })),
    });
    await play(page);
    await page.waitForFunction(() => window.heartcube.messages.length > 0, null, { timeout: 20000 });
    assert.match((await messages(page)).join("\n"), /notice: music: Dezira\.mp3: this browser cannot decode it/);
    assert.equal(await musicPosition(page), 0, "the clock stays at 0");
    assert.equal(await state(page), "playing", "the show goes on, on its title");
    await page.close();
  });

  await t.test("an option the program refuses, and a moment far past the end", async () => {
    const { page } = await open("?start=111");
    await untilState(page, ["ready"]);
    await page.click("#play");
    await untilState(page, ["failed"]);
    assert.match((await messages(page)).join("\n"), /error: The show cannot start: --start: "111" is not within the show/);
    assert.ok(await page.isVisible("#messages"));
    await page.close();

    const far = await open("?t=1e300");
    await untilState(far.page, ["ended"]);
    assert.match((await messages(far.page)).join("\n"), /notice: At 1e\+300 s the show is already over/);
    await far.page.close();
  });

  await t.test("no WebGL", async () => {
    const { page } = await open("", {
      setUp: (p) => p.addInitScript(() => {
        const getContext = HTMLCanvasElement.prototype.getContext;
        HTMLCanvasElement.prototype.getContext = function (kind, ...rest) {
          return /webgl/.test(kind) ? null : getContext.call(this, kind, ...rest);
        };
      }),
    });
    await untilState(page, ["ready"]);
    await page.click("#play");
    await untilState(page, ["failed"]);
    assert.match((await messages(page)).join("\n"), /error: window: this browser gives no WebGL/);
    await page.close();
  });
});
