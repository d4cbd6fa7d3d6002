// A static server for the page's folder on 127.0.0.1 only, on a free port (or the
// one given): what ./scripts/run --web and the tests use. It prints the address on
// its first line of output and serves until it is stopped. Only GET and HEAD of
// regular files inside the folder are served (symbolic links are followed, but not
// out of it); whatever goes wrong with one request is answered (403, 404, 500) and
// the server goes on. Every file carries validators, so that a second visit costs
// a few hundred bytes of "not modified" answers.
//   node web/serve.mjs SITE_DIR [PORT]
import { createServer } from "node:http";
import { constants, realpathSync, statSync } from "node:fs";
import { open, realpath } from "node:fs/promises";
import { extname, join, resolve, sep } from "node:path";
import { pipeline } from "node:stream";
import { fileURLToPath } from "node:url";

const TYPES = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript; charset=utf-8",
  ".mjs": "text/javascript; charset=utf-8",
  ".css": "text/css; charset=utf-8",
  ".wasm": "application/wasm",
  ".data": "application/octet-stream",
  ".png": "image/png",
  ".webmanifest": "application/manifest+json",
};

// What a failed look-up or open says to the browser.
const STATUS = { ENOENT: 404, ENOTDIR: 404, ELOOP: 404, ENAMETOOLONG: 404, EACCES: 403, EPERM: 403 };
const REASON = { 400: "Bad request", 403: "Forbidden", 404: "Not found", 405: "Method not allowed", 500: "Server error" };

function refuse(response, status) {
  if (response.headersSent) {
    response.destroy();
    return;
  }
  response.writeHead(status, { "Content-Type": "text/plain; charset=utf-8" });
  response.end(`${REASON[status]}\n`);
}

// Whether the browser's copy is this version of the file: its ETag, or else its date.
function unchanged(request, tag, modified) {
  const tags = request.headers["if-none-match"];
  if (tags !== undefined) return tags.split(",").some((t) => t.trim().replace(/^W\//, "") === tag || t.trim() === "*");
  const since = Date.parse(request.headers["if-modified-since"] ?? "");
  return Number.isFinite(since) && Math.floor(modified / 1000) * 1000 <= since;
}

async function answer(root, request, response) {
  if (!["GET", "HEAD"].includes(request.method)) return refuse(response, 405);
  let path;
  try {
    path = decodeURIComponent(new URL(request.url, "http://localhost").pathname);
  } catch {
    return refuse(response, 400);
  }
  if (path.includes("\0")) return refuse(response, 400);

  // Where the name leads once every link is followed; it must still be in the site.
  let file;
  try {
    file = await realpath(join(root, path.endsWith("/") ? path + "index.html" : path));
  } catch (error) {
    return refuse(response, STATUS[error.code] ?? 500);
  }
  if (!file.startsWith(root + sep)) return refuse(response, 403);

  // Opened without waiting on a pipe, and checked to be a file through the same handle.
  let handle;
  try {
    handle = await open(file, constants.O_RDONLY | constants.O_NONBLOCK);
  } catch (error) {
    return refuse(response, STATUS[error.code] ?? 500);
  }
  let info;
  try {
    info = await handle.stat();
  } catch {
    info = null;
  }
  if (!info || !info.isFile()) {
    await handle.close().catch(() => {});
    return refuse(response, info ? 404 : 500);
  }

  const tag = `"${info.size.toString(16)}-${Math.floor(info.mtimeMs).toString(16)}"`;
  const headers = { ETag: tag, "Last-Modified": info.mtime.toUTCString(), "Cache-Control": "no-cache" };
  if (unchanged(request, tag, info.mtimeMs)) {
    await handle.close().catch(() => {});
    response.writeHead(304, headers);
    response.end();
    return;
  }
  response.writeHead(200, {
    ...headers,
    "Content-Type": TYPES[extname(file)] || "application/octet-stream",
    "Content-Length": info.size,
  });
  if (request.method === "HEAD") {
    await handle.close().catch(() => {});
    response.end();
    return;
  }
  // A download closed part-way, or a read that fails, closes the file too.
  pipeline(handle.createReadStream(), response, () => {});
}

export function serve(root, port = 0) {
  root = realpathSync(resolve(root));
  const server = createServer((request, response) => {
    answer(root, request, response).catch(() => refuse(response, 500));
  });
  return new Promise((done, failed) => {
    server.once("error", failed);
    server.listen(port, "127.0.0.1", () => done(server));
  });
}

// Run as a program (from any folder, whatever its name holds), not imported.
function runAsProgram() {
  try {
    return realpathSync(fileURLToPath(import.meta.url)) === realpathSync(process.argv[1]);
  } catch {
    return false;
  }
}

if (runAsProgram()) {
  const [root, port] = process.argv.slice(2);
  if (!root) {
    console.error("usage: node web/serve.mjs SITE_DIR [PORT]");
    process.exit(2);
  }
  try {
    statSync(join(root, "index.html"));
  } catch {
    console.error(`serve: ${root} has no index.html`);
    process.exit(1);
  }
  serve(root, Number(port || 0)).then(
    (server) => console.log(`heartcube: the show is at http://127.0.0.1:${server.address().port}/ (Ctrl+C stops the server)`),
    (error) => {
      console.error(`serve: ${error.message}`);
      process.exit(1);
    }
  );
}
