// The page's server under rough handling, run as ./scripts/run --web runs it, from
// a source tree whose folder's name holds a space and '%': a link out of the site,
// a file it may not read, a pipe, and downloads closed part-way. As root it runs
// as nobody, so that an unreadable file is one.
import assert from "node:assert/strict";
import { spawn, execFileSync } from "node:child_process";
import { chmodSync, copyFileSync, mkdirSync, mkdtempSync, readdirSync, rmSync, symlinkSync, writeFileSync } from "node:fs";
import { request } from "node:http";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { after, before, test } from "node:test";
import { fileURLToPath } from "node:url";

const SERVE = fileURLToPath(new URL("../../web/serve.mjs", import.meta.url));
const NOBODY = 65534;

let scratch, site, server, address;
before(async () => {
  scratch = mkdtempSync(join(tmpdir(), "heartcube-serve-"));
  chmodSync(scratch, 0o755);
  const tree = join(scratch, "heartcube 100% mine");
  site = join(tree, "build-web", "site");
  mkdirSync(site, { recursive: true });
  copyFileSync(SERVE, join(tree, "serve.mjs"));
  mkdirSync(join(scratch, "outside"));
  writeFileSync(join(scratch, "outside", "secret.txt"), "not for the web\n");
  writeFileSync(join(site, "index.html"), "<!DOCTYPE html><title>heartcube</title>\n");
  writeFileSync(join(site, "big.data"), Buffer.alloc(16 << 20, 7));
  writeFileSync(join(site, "locked.js"), "secret\n", { mode: 0o000 });
  symlinkSync(join(scratch, "outside"), join(site, "elsewhere"));
  execFileSync("mkfifo", [join(site, "pipe.data")]);

  const asNobody = process.getuid() === 0 ? { uid: NOBODY, gid: NOBODY } : {};
  server = spawn(process.execPath, [join(tree, "serve.mjs"), site], { stdio: ["ignore", "pipe", "inherit"], ...asNobody });
  address = await new Promise((done, failed) => {
    server.stdout.once("data", (line) => done(String(line).match(/http:\/\/[0-9.:]+\//)?.[0]));
    server.once("exit", (status) => failed(new Error(`the server ended with status ${status}, saying nothing`)));
  });
  assert.ok(address, "no address on the first line");
});
after(() => {
  server?.kill();
  if (scratch) rmSync(scratch, { recursive: true, force: true });
});

// One request: its status, headers and the bytes of the whole answer on the wire.
function get(path, headers = {}) {
  return new Promise((done, failed) => {
    const asked = request(`${address}${path.replace(/^\//, "")}`, { headers, agent: false }, (response) => {
      let body = 0;
      response.on("data", (chunk) => (body += chunk.length));
      response.on("end", () => {
        const head = response.rawHeaders.join(": ").length + 20;
        done({ status: response.statusCode, headers: response.headers, bytes: head + body });
      });
    });
    asked.setTimeout(10000, () => asked.destroy(new Error(`${path}: no answer within 10 s`)));
    asked.on("error", failed);
    asked.end();
  });
}

const openFiles = () => readdirSync(`/proc/${server.pid}/fd`).length;

test("a second visit costs a few hundred bytes: validators and 304", async () => {
  const first = await get("/");
  assert.equal(first.status, 200);
  assert.ok(first.headers.etag && first.headers["last-modified"], "no ETag or Last-Modified");
  const again = await get("/big.data", { "If-None-Match": (await get("/big.data")).headers.etag });
  assert.equal(again.status, 304);
  assert.ok(again.bytes < 400, `the second visit took ${again.bytes} bytes`);
});

test("what cannot be served is answered, and the server goes on", async () => {
  assert.equal((await get("/locked.js")).status, 403, "an unreadable file");
  assert.equal((await get("/elsewhere/secret.txt")).status, 403, "a link out of the site");
  assert.equal((await get("/pipe.data")).status, 404, "a pipe");
  assert.equal((await get("/%E0%A4%A")).status, 400, "a broken escape");
  assert.equal((await get("/")).status, 200);
});

test("downloads closed part-way leave no file open", async () => {
  const before = openFiles();
  await Promise.all(
    Array.from({ length: 200 }, () => new Promise((done) => {
      const asked = request(`${address}big.data`, { agent: false }, (response) => {
        response.once("data", () => asked.destroy());
      });
      asked.on("error", () => {});
      asked.on("close", done);
      asked.end();
    }))
  );
  // The server hears of each close a moment later.
  for (let i = 0; i < 50 && openFiles() > before + 2; i++) await new Promise((r) => setTimeout(r, 100));
  assert.ok(openFiles() <= before + 2, `${openFiles() - before} descriptors more than before`);
  assert.equal((await get("/")).status, 200);
});
