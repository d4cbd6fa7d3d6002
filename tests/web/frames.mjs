// Frames as RGB bytes, top row first, and how far two of them differ region by
// region: a missing blend pass, wrong fog or a garbled quad changes some region a
// lot, while two software renderers' rounding moves every pixel a little.
import { execFileSync } from "node:child_process";

export const GRID = { columns: 8, rows: 6 }; // 80 x 80 regions of a 640 x 480 frame

// A PNG of that size, decoded by ImageMagick.
export function readPng(path, width, height) {
  const rgb = execFileSync("convert", [path, "-depth", "8", "rgb:-"], { maxBuffer: 64 << 20 });
  if (rgb.length !== width * height * 3) throw new Error(`${path} is not ${width}x${height}`);
  return { width, height, rgb };
}

// heartcube-render's frame at show time `seconds`, its timer `offset` seconds ahead.
export function renderedFrame(render, show, seconds, width, height, pngPath, offset = 0) {
  execFileSync(render, ["--show", show, "--time", String(seconds), "--timer-offset", String(offset),
    "--size", `${width}x${height}`, "-o", pngPath]);
  return readPng(pngPath, width, height);
}

// The page's frame as read back from WebGL: RGBA, bottom row first.
export function pageFrame({ width, height, pixels }) {
  const rgb = Buffer.alloc(width * height * 3);
  for (let y = 0; y < height; y++)
    for (let x = 0; x < width; x++) {
      const from = ((height - 1 - y) * width + x) * 4;
      rgb.set(pixels.subarray(from, from + 3), (y * width + x) * 3);
    }
  return { width, height, rgb };
}

// For each region: the mean absolute difference of its channels (0..255) and the
// share of its pixels where some channel is more than `far` levels off. Returns
// the worst region of each measure.
export function compareFrames(a, b, far = 48) {
  if (a.width !== b.width || a.height !== b.height) throw new Error("frames of different sizes");
  const { columns, rows } = GRID;
  let worstMean = { value: 0 }, worstFar = { value: 0 };
  for (let r = 0; r < rows; r++)
    for (let c = 0; c < columns; c++) {
      const x0 = Math.floor((c * a.width) / columns), x1 = Math.floor(((c + 1) * a.width) / columns);
      const y0 = Math.floor((r * a.height) / rows), y1 = Math.floor(((r + 1) * a.height) / rows);
      let sum = 0, farCount = 0;
      for (let y = y0; y < y1; y++)
        for (let x = x0; x < x1; x++) {
          const i = (y * a.width + x) * 3;
          let worst = 0;
          for (let k = 0; k < 3; k++) {
            const d = Math.abs(a.rgb[i + k] - b.rgb[i + k]);
            sum += d;
            worst = Math.max(worst, d);
          }
          if (worst > far) farCount++;
        }
      const pixels = (x1 - x0) * (y1 - y0);
      const mean = sum / (pixels * 3), share = farCount / pixels;
      if (mean > worstMean.value) worstMean = { value: mean, column: c, row: r };
      if (share > worstFar.value) worstFar = { value: share, column: c, row: r };
    }
  return { mean: worstMean, far: worstFar };
}
