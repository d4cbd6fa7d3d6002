// A static server for the page's folder on 127.0.0.1 only, on a free port (or the
// one given): what ./scripts/run --web and the tests use. It prints the address on
// its first line of output and serves until it is stopped. Only GET and HEAD of
// files inside the folder are served.
//   node web/serve.mjs SITE_DIR [PORT]
import { createServer } from "node:http";
import { createReadStream, statSync } from "node:fs";
import { extname, join, resolve, sep } from "node:path";

const TYPES = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript; charset=utf-8",
  ".mjs": "text/javascript; charset=utf-8",
  ".css": "text/css; charset=utf-8",
  ".wasm": "application/wasm",
  ".data": "application/octet-stream",
  ".png": "image/png",
};

export function serve(root, port = 0) {
  root = resolve(root);
  const server = createServer((request, response) => {
    let path;
    try {
      path = decodeURIComponent(new URL(request.url, "http://localhost").pathname);
    } catch {
      path = "";
    }
    const file = resolve(join(root, path.endsWith("/") ? path + "index.html" : path));
    let info = null;
    if (file === root || file.startsWith(root + sep)) {
      try {
        info = statSync(file);
      } catch {}
    }
    if (!["GET", "HEAD"].includes(request.method) || !info || !info.isFile()) {
      response.writeHead(info ? 405 : 404, { "Content-Type": "text/plain" });
      response.end(info ? "Method not allowed\n" : "Not found\n");
      return;
    }
    response.writeHead(200, {
      "Content-Type": TYPES[extname(file)] || "application/octet-stream",
      "Content-Length": info.size,
      "Cache-Control": "no-cache",
    });
    if (request.method === "HEAD") response.end();
    else createReadStream(file).pipe(response);
  });
  return new Promise((done, failed) => {
    server.once("error", failed);
    server.listen(port, "127.0.0.1", () => done(server));
  });
}

if (import.meta.url === `file://${process.argv[1]}`) {
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
