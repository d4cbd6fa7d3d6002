// The page around the show: downloads the program and the show's data with a
// loading bar, starts the show on a click (browsers start sound only after one),
// keeps the canvas at 4:3 in the window, puts up the end screen, and says on the
// page whatever goes wrong.
//
//   index.html?t=SECONDS      the show frozen at that moment, at once, for comparing
//                             with the offline renderer (&offset=S: the timer's lead)
//   index.html?start=SECONDS  the soundtrack starts there (the program's --start);
//                             ?mute and ?loop are its --mute and --loop
"use strict";

const query = new URLSearchParams(location.search);
const stage = document.getElementById("stage");
const startScreen = document.getElementById("start");
const endScreen = document.getElementById("end");
const playButton = document.getElementById("play");

// What tests and benchmarks read: the state, frames drawn (and when the first was,
// in ms since navigation), messages, a frozen frame.
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
// the viewport, like the desktop window's, is the real size.
function fitCanvas() {
  const canvas = document.getElementById("canvas");
  const width = Math.min(window.innerWidth, (window.innerHeight * 4) / 3);
  const height = (width * 3) / 4;
  canvas.style.width = `${width}px`;
  canvas.style.height = `${height}px`;
  canvas.width = Math.max(1, Math.round(width * devicePixelRatio));
  canvas.height = Math.max(1, Math.round(height * devicePixelRatio));
}
window.addEventListener("resize", fitCanvas);
fitCanvas();

function toggleFullScreen() {
  if (document.fullscreenElement) document.exitFullscreen();
  else if (document.documentElement.requestFullscreen) document.documentElement.requestFullscreen().catch(() => {});
}
window.addEventListener("keydown", (event) => {
  if ((event.key === "f" || event.key === "F") && !event.ctrlKey && !event.altKey && !event.metaKey) toggleFullScreen();
});
stage.addEventListener("dblclick", toggleFullScreen);

// Downloads the files in one loading bar; resolves to their bytes.
async function download(names) {
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
  const width = gl.drawingBufferWidth;
  const height = gl.drawingBufferHeight;
  const pixels = new Uint8Array(width * height * 4);
  gl.readPixels(0, 0, width, height, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
  heartcube.frame = { width, height, pixels };
  setState("frozen");
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
  said.length = 0;
  let status = 0;
  try {
    status = module.callMain(programOptions());
  } catch (error) {
    if (error !== "unwind") fail(`The show stopped on an internal error: ${error}`);
  }
  // A refusal (a ?start= past the end, say) is the program's last line before it ends.
  if (status) fail(`The show cannot start: ${(said.at(-1) || `status ${status}`).replace(/^heartcube: /, "")}.`);
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
  playButton.addEventListener("click", () => {
    audio = newAudio();
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
