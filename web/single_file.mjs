// Makes heartcube.html: the page of a built site with everything it loads inside
// it (the style, the scripts, the pictures as data addresses, the program and the
// show gzipped in base64), so that it plays opened from disk, with no server.
//   node web/single_file.mjs SITE_DIR OUTPUT
import { readFileSync, renameSync, writeFileSync } from "node:fs";
import { join } from "node:path";
import { gzipSync } from "node:zlib";

const [site, output] = process.argv.slice(2);
if (!site || !output) {
  console.error("usage: node web/single_file.mjs SITE_DIR OUTPUT");
  process.exit(2);
}
const read = (name) => readFileSync(join(site, name));
const dataAddress = (name, type) => `data:${type};base64,${read(name).toString("base64")}`;
// Text inside a <script> element must not close it.
const scriptText = (text) => text.replaceAll("</script", "<\\/script").replaceAll("<!--", "<\\!--");

// Swaps one piece of the page for another, and fails loudly where the page changed.
let page = read("index.html").toString();
function swap(from, to) {
  if (!page.includes(from)) throw new Error(`index.html has no ${from}`);
  page = page.replace(from, () => to);
}

const packed = ["heartcube.wasm", "heartcube.data"].map((name) => `"${name}":"${gzipSync(read(name), { level: 9 }).toString("base64")}"`);
swap('<link rel="icon" href="icon.png">', `<link rel="icon" href="${dataAddress("icon.png", "image/png")}">`);
swap('<link rel="manifest" href="heartcube.webmanifest">\n', "");
swap('<link rel="stylesheet" href="page.css">', `<style>\n${read("page.css")}</style>`);
swap('src="storyboard.png"', `src="${dataAddress("storyboard.png", "image/png")}"`);
swap('<p class="hint" id="offline" hidden>', '<p class="hint" id="offline">');
swap("Kept on this device: the show plays offline too.", "This one file holds the whole show: it plays without the network.");
swap(
  '<script src="page.js"></script>',
  `<script>window.heartcubeFiles = {${packed.join(",")}};</script>\n` +
    `<script>\n${scriptText(read("heartcube.js").toString())}</script>\n` +
    `<script>\n${scriptText(read("page.js").toString())}</script>`
);

// Whole or not at all under its name.
const unfinished = `${output}.unfinished`;
writeFileSync(unfinished, page);
renameSync(unfinished, output);
