// The page around the show: downloads the program and the show's data with a
// loading bar (or, in the single file, unpacks its own copies), starts the show on
// a click or a tap (browsers start sound only after one), keeps the canvas at 4:3
// in the screen's safe area, gives the timeline (pause, seek, the scenes as
// chapters, full screen, the end), puts up the end screen, keeps the site for
// offline visits, and says on the page whatever goes wrong.
//
//   index.html?t=SECONDS      the show frozen at that moment, at once, for comparing
//                             with the offline renderer (&offset=S: the timer's lead)
//   index.html?start=SECONDS  the soundtrack starts there (the program's --start);
//                             ?mute and ?loop are its --mute and --loop. While the
//                             show plays, ?start= follows the scene shown.
"use strict";

const query = new URLSearchParams(location.search);
const stage = document.getElementById("stage");
const startScreen = document.getElementById("start");
const endScreen = document.getElementById("end");
const playButton = document.getElementById("play");
const controls = document.getElementById("controls");
// The single file carries the program and the show, gzipped, in base64.
const embedded = window.heartcubeFiles || null;

// What tests and benchmarks read: the state, frames drawn (and when the first was,
// in ms since navigation), messages, a frozen frame (or, with grabFrame set, the
// next frame drawn and its clocks), the chapters, and whether the site is kept
// for offline visits.
const heartcube = (window.heartcube = { state: "loading", frames: 0, messages: [], frame: null, module: null });

function setState(state) {
  heartcube.state = state;
  document.body.dataset.state = state;
}

function say(kind, text) {
  heartcube.messages.push({ kind, text });
  const line = document.createElement("p");
  line.className = kind;
  line.textContent = text;
  document.getElementById("messages").append(line);
}

function fail(text) {
  say("error", text);
  console.error(text);
  startScreen.hidden = true;
  controls.hidden = true;
  setState("failed");
}

// A number of seconds from the query, or null; anything else is a failure.
function seconds(name) {
  if (!query.has(name)) return null;
  const value = Number(query.get(name));
  if (query.get(name) === "" || !Number.isFinite(value) || value < 0) {
    fail(`${name}=${query.get(name)}: give a number of seconds from 0 on`);
    return NaN;
  }
  return value;
}

const fixedTime = seconds("t");
const startTime = seconds("start");
const timerOffset = seconds("offset");

// The canvas's drawing buffer follows its size on screen, in device pixels, so that
// the viewport, like the desktop window's, is the real size. It fills the stage's
// safe area at 4:3, whichever way the screen is turned.
function fitCanvas() {
  const canvas = document.getElementById("canvas");
  const style = getComputedStyle(stage);
  const across = stage.clientWidth - parseFloat(style.paddingLeft) - parseFloat(style.paddingRight);
  const down = stage.clientHeight - parseFloat(style.paddingTop) - parseFloat(style.paddingBottom);
  const width = Math.max(1, Math.min(across, (down * 4) / 3));
  const height = (width * 3) / 4;
  canvas.style.width = `${width}px`;
  canvas.style.height = `${height}px`;
  canvas.width = Math.max(1, Math.round(width * devicePixelRatio));
  canvas.height = Math.max(1, Math.round(height * devicePixelRatio));
}
window.addEventListener("resize", fitCanvas);
fitCanvas();

// Full screen where the browser has it (a phone's browser may offer it only to an
// installed page, which opens full screen by itself).
const root = document.documentElement;
const requestFullScreen = root.requestFullscreen || root.webkitRequestFullscreen;
const fullScreenElement = () => document.fullscreenElement || document.webkitFullscreenElement;
function toggleFullScreen() {
  if (fullScreenElement()) (document.exitFullscreen || document.webkitExitFullscreen).call(document);
  else if (requestFullScreen) Promise.resolve(requestFullScreen.call(root, { navigationUI: "hide" })).catch(() => {});
}
if (!requestFullScreen) document.getElementById("fullscreen").hidden = true;

// The single file's own copy of a file: base64 of its gzip.
async function unpack(name) {
  if (typeof DecompressionStream === "undefined") throw new Error("this browser cannot unpack the show it carries");
  const packed = await fetch(`data:application/octet-stream;base64,${embedded[name]}`);
  return new Response(packed.body.pipeThrough(new DecompressionStream("gzip"))).arrayBuffer();
}

// Downloads the files in one loading bar; resolves to their bytes.
async function download(names) {
  if (embedded) return Promise.all(names.map(unpack));
  const bar = document.getElementById("loading-bar");
  const text = document.getElementById("loading-text");
  const responses = await Promise.all(
    names.map(async (name) => {
      let response;
      try {
        response = await fetch(name);
      } catch (error) {
        throw new Error(`${name} could not be downloaded (${error.message})`);
      }
      if (!response.ok) throw new Error(`${name} could not be downloaded (${response.status} ${response.statusText})`);
      return response;
    })
  );
  const total = responses.reduce((sum, r) => sum + Number(r.headers.get("Content-Length") || 0), 0);
  let done = 0;
  return Promise.all(
    responses.map(async (response, i) => {
      const reader = response.body.getReader();
      const chunks = [];
      let size = 0;
      for (;;) {
        const { done: finished, value } = await reader.read();
        if (finished) break;
        chunks.push(value);
        size += value.length;
        done += value.length;
        if (total > 0) bar.style.width = `${Math.min(100, (100 * done) / total)}%`;
        text.textContent = `Loading… ${(done / 1048576).toFixed(1)} MB`;
      }
      const bytes = new Uint8Array(size);
      let at = 0;
      for (const chunk of chunks) {
        bytes.set(chunk, at);
        at += chunk.length;
      }
      if (size === 0) throw new Error(`${names[i]} is empty`);
      return bytes.buffer;
    })
  );
}

function loadScript(name) {
  if (typeof createHeartcube === "function") return Promise.resolve(); // the single file's own
  return new Promise((resolve, reject) => {
    const script = document.createElement("script");
    script.src = name;
    script.onload = resolve;
    script.onerror = () => reject(new Error(`${name} could not be loaded`));
    document.head.append(script);
  });
}

let wasm = null;
let data = null;
let audio = null;
// What the program has said on its standard error since it last started.
const said = [];

// A fresh program on a fresh canvas, its files already downloaded: each show
// starts from the state the desktop program starts from.
async function makeShow() {
  const old = document.getElementById("canvas");
  const canvas = document.createElement("canvas");
  canvas.id = "canvas";
  old.replaceWith(canvas);
  fitCanvas();
  canvas.addEventListener("webglcontextlost", (event) => {
    event.preventDefault();
    fail("The browser took WebGL away from the show (the graphics driver may have been reset). Reload the page.");
  });

  const page = {
    fixedTime: fixedTime ?? undefined,
    timerOffset: timerOffset ?? 0,
    // Read when the program starts its sound, in the click that made the context.
    get audioContext() {
      return audio;
    },
    say(kind, text) {
      say(kind, text);
      if (kind === "error") setState("failed");
    },
    ended() {
      if (heartcube.state === "failed") return;
      setState("ended");
      controls.hidden = true;
      document.title = "heartcube";
      if (audio) audio.close().catch(() => {});
      audio = null;
      if (fixedTime === null) endScreen.hidden = false;
      else say("notice", `At ${fixedTime} s the show is already over.`);
    },
    frameDrawn(kind, text, frames) {
      heartcube.frames = frames;
      if (frames === 1) heartcube.firstFrameAt = performance.now();
      if (fixedTime !== null) lookAtFrame(frames);
      else followShow();
      if (heartcube.grabFrame) keepFrame();
    },
  };
  const module = await createHeartcube({
    canvas,
    heartcube: page,
    // The program's standard error reaches the console, and is kept for the page
    // in case the program refuses what the address asked for.
    printErr(text) {
      console.warn(text);
      said.push(text);
    },
    wasmBinary: wasm,
    getPreloadedPackage: () => data.slice(0),
    // The pictures and the soundtrack are the program's to read, not the browser's.
    noAudioDecoding: true,
    noImageDecoding: true,
    onAbort: (what) => fail(`The show stopped on an internal error: ${what}`),
  });
  heartcube.module = module;
  listChapters(module);
  return module;
}

// In a frozen moment the frame before and the moment's own frame are checked for
// OpenGL errors (later ones repeat them; asking stalls the drawing), and the
// moment's frame is kept for comparison.
function lookAtFrame(frames) {
  const gl = heartcube.module && heartcube.module.ctx;
  if (!gl || frames > 2) return;
  for (let error = gl.getError(); error !== gl.NO_ERROR; error = gl.getError())
    console.error(`OpenGL error 0x${error.toString(16)} in frame ${frames}`);
  if (frames !== 2) return;
  keepFrame();
  setState("frozen");
}

// The frame just drawn, as read back before the browser shows it (and with it the
// clocks it was drawn at, where the show plays): what the tests compare.
function keepFrame() {
  const module = heartcube.module;
  const gl = module.ctx;
  const width = gl.drawingBufferWidth;
  const height = gl.drawingBufferHeight;
  const pixels = new Uint8Array(width * height * 4);
  gl.readPixels(0, 0, width, height, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
  heartcube.frame = { width, height, pixels };
  if (fixedTime === null) Object.assign(heartcube.frame, { music: module._WebShowPosition(), timer: module._WebShowTimer() });
  heartcube.grabFrame = false;
}

// The program's own options, from the address: ?start=S, ?mute, ?loop.
function programOptions() {
  const options = [];
  if (startTime !== null) options.push("--start", String(startTime));
  if (query.has("mute")) options.push("--mute");
  if (query.has("loop")) options.push("--loop");
  return options;
}

function run(module) {
  setState("playing");
  startScreen.hidden = true;
  endScreen.hidden = true;
  shownAt = shownChapter = -1;
  said.length = 0;
  let status = 0;
  try {
    status = module.callMain(programOptions());
  } catch (error) {
    if (error !== "unwind") fail(`The show stopped on an internal error: ${error}`);
  }
  // A refusal (a ?start= past the end, say) is the program's last line before it ends.
  if (status) fail(`The show cannot start: ${(said.at(-1) || `status ${status}`).replace(/^heartcube: /, "")}.`);
  else if (fixedTime === null && heartcube.state === "playing") {
    labelPause(false);
    controls.hidden = false;
    wake();
  }
}

// The timeline: the program's pause and position, the scenes as chapters from the
// show's own schedule, and the viewer's ways to them (buttons, the bar, taps, keys).
const pauseButton = document.getElementById("pause");
const position = document.getElementById("position");
const clock = document.getElementById("clock");
const chapterList = document.getElementById("chapters");
const chapters = []; // { name, second } of each scene, in order
const SEEK_STEP_MS = 5000; // the arrows' step, as on the desktop with --controls
let shownAt = -1; // the position the timeline shows, in ms
let shownChapter = -1;
let dragging = false;

const minutes = (seconds) => `${Math.floor(seconds / 60)}:${String(Math.floor(seconds % 60)).padStart(2, "0")}`;
const live = () => (heartcube.state === "playing" && fixedTime === null ? heartcube.module : null);

function listChapters(module) {
  if (chapters.length) return;
  position.max = String(module._WebShowEndSecond());
  for (let i = 0; i < module._WebSceneCount(); i++) {
    const chapter = { name: module.UTF8ToString(module._WebSceneName(i)), second: module._WebSceneStartSecond(i) };
    chapters.push(chapter);
    chapterList.add(new Option(`${i + 1} ${chapter.name} ${minutes(chapter.second)}`, String(i)));
  }
  heartcube.chapters = chapters;
}

// The scene the music clock asks for: the last that starts at or before its second.
const chapterAt = (ms) => chapters.reduce((at, chapter, i) => (chapter.second * 1000 <= ms ? i : at), 0);

// Each frame: the bar, the clock, the scene and the address follow the music. The
// address remembers the scene, so a reload or a shared link starts there.
function followShow() {
  const module = live();
  if (!module) return;
  const ms = module._WebShowPosition();
  if (ms === shownAt) return;
  shownAt = ms;
  if (!dragging) position.value = String(ms / 1000);
  clock.textContent = minutes(ms / 1000);
  const chapter = chapterAt(ms);
  if (chapter === shownChapter || ms === 0) return;
  shownChapter = chapter;
  chapterList.value = String(chapter);
  const address = new URL(location.href);
  if (chapter > 0) address.searchParams.set("start", String(chapters[chapter].second));
  else address.searchParams.delete("start");
  history.replaceState(null, "", address);
}

function seek(ms) {
  const module = live();
  if (!module) return;
  module._WebSeekShow(Math.max(0, Math.round(ms)));
  wake();
}

function setPaused(paused) {
  const module = live();
  if (!module) return;
  module._WebPauseShow(paused ? 1 : 0);
  labelPause(paused);
  wake();
}

function labelPause(paused) {
  pauseButton.textContent = paused ? "▶" : "❚❚";
  pauseButton.setAttribute("aria-label", paused ? "Play" : "Pause");
}
const paused = () => !!live()?._WebShowPaused();

// The end, as Escape: the program ends the show at its next frame.
function endShow() {
  live()?._WebEndShow();
  if (fullScreenElement()) toggleFullScreen();
}

// The timeline fades after a few seconds of play without a pointer or a tap.
let idleTimer = 0;
function wake() {
  controls.classList.remove("idle");
  document.body.classList.remove("idle");
  clearTimeout(idleTimer);
  idleTimer = setTimeout(() => {
    if (!live() || paused() || dragging || controls.matches(":hover")) return;
    controls.classList.add("idle");
    document.body.classList.add("idle");
  }, 3000);
}

pauseButton.addEventListener("click", () => setPaused(!paused()));
position.addEventListener("pointerdown", () => (dragging = true));
window.addEventListener("pointerup", () => (dragging = false));
position.addEventListener("input", () => seek(position.valueAsNumber * 1000));
chapterList.addEventListener("change", () => seek(chapters[Number(chapterList.value)].second * 1000));
document.getElementById("fullscreen").addEventListener("click", toggleFullScreen);
document.getElementById("stop").addEventListener("click", endShow);
window.addEventListener("pointermove", (event) => event.pointerType === "mouse" && wake());

// A tap shows the timeline; two taps in quick succession toggle full screen (and the
// double click a touch may also make does not toggle it back).
let lastTap = null;
let tapToggledAt = -Infinity;
stage.addEventListener("pointerup", (event) => {
  if (event.pointerType !== "touch") return;
  wake();
  const near = lastTap && event.timeStamp - lastTap.at < 400 && Math.hypot(event.clientX - lastTap.x, event.clientY - lastTap.y) < 40;
  lastTap = near ? null : { at: event.timeStamp, x: event.clientX, y: event.clientY };
  if (!near) return;
  tapToggledAt = event.timeStamp;
  toggleFullScreen();
});
stage.addEventListener("dblclick", (event) => event.timeStamp - tapToggledAt > 600 && toggleFullScreen());

// F: full screen. While the show plays: Space pauses and plays, the arrows go 5 s
// back and on, 1 to 8 go to a scene (Escape is the program's own).
window.addEventListener("keydown", (event) => {
  if (event.ctrlKey || event.altKey || event.metaKey) return;
  if (event.key === "f" || event.key === "F") {
    toggleFullScreen();
    return;
  }
  const module = live();
  if (!module) return;
  const chapter = Number(event.key) - 1;
  if (event.key === " ") setPaused(!paused());
  else if (event.key === "ArrowLeft") seek(module._WebShowPosition() - SEEK_STEP_MS);
  else if (event.key === "ArrowRight") seek(module._WebShowPosition() + SEEK_STEP_MS);
  else if (/^[1-9]$/.test(event.key) && chapter < chapters.length) seek(chapters[chapter].second * 1000);
  else return;
  event.preventDefault();
});

// Served over HTTP, the site keeps its files for visits without the network. Asked
// once the show has downloaded, so the worker's copies come from the browser's
// cache rather than the network a second time.
function keepForOffline() {
  if (embedded || !("serviceWorker" in navigator) || !/^https?:$/.test(location.protocol)) return;
  navigator.serviceWorker.register("sw.js").catch(() => {});
  navigator.serviceWorker.ready.then(() => {
    heartcube.offline = true;
    document.getElementById("offline").hidden = false;
  });
}

// Sound starts only in a click's handler: the audio context is made right here.
function newAudio() {
  if (typeof AudioContext === "undefined") return null;
  try {
    const context = new AudioContext();
    context.resume().catch(() => {});
    return context;
  } catch (error) {
    return null;
  }
}

async function main() {
  if (Number.isNaN(fixedTime) || Number.isNaN(startTime) || Number.isNaN(timerOffset)) return;
  try {
    [wasm, data] = await download(["heartcube.wasm", "heartcube.data"]);
    await loadScript("heartcube.js");
  } catch (error) {
    fail(`The show cannot start: ${error.message}.`);
    return;
  }
  keepForOffline();
  let module;
  try {
    module = await makeShow();
  } catch (error) {
    fail(`The show cannot start: ${error.message || error}.`);
    return;
  }
  if (fixedTime !== null) {
    run(module);
    return;
  }
  setState("ready");
  document.getElementById("loading-text").textContent = "Ready.";
  playButton.disabled = false;
  playButton.focus();
  // A tap on a phone or a tablet also fills the screen with the show.
  playButton.addEventListener("click", (event) => {
    audio = newAudio();
    if (event.pointerType === "touch" && !fullScreenElement()) toggleFullScreen();
    run(module);
  }, { once: true });
  document.getElementById("again").addEventListener("click", async () => {
    audio = newAudio();
    endScreen.hidden = true;
    try {
      run(await makeShow());
    } catch (error) {
      fail(`The show cannot start again: ${error.message || error}.`);
    }
  });
}

if (fixedTime !== null) startScreen.hidden = true;
main();
