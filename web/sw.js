// The site's service worker: keeps the program and the show under a name made of
// their digest, so a visit without the network plays them, and a site built anew
// replaces them whole. Everything else goes to the network as usual.
"use strict";

const CACHE = "heartcube-@DIGEST@";
const FILES = [@FILES@];

self.addEventListener("install", (event) => {
  event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(FILES)).then(() => self.skipWaiting()));
});

// The site's copies of older builds go; the open pages are served from now on.
self.addEventListener("activate", (event) => {
  event.waitUntil(
    caches
      .keys()
      .then((names) => Promise.all(names.filter((name) => name.startsWith("heartcube-") && name !== CACHE).map((name) => caches.delete(name))))
      .then(() => self.clients.claim())
  );
});

// The page at any address of the site (index.html?start=42) is index.html.
self.addEventListener("fetch", (event) => {
  const request = event.request;
  if (request.method !== "GET") return;
  const page = request.mode === "navigate" && /\/(index\.html)?$/.test(new URL(request.url).pathname);
  const kept = page ? "index.html" : request;
  event.respondWith(
    caches.open(CACHE).then((cache) => cache.match(kept, { ignoreSearch: true })).then((copy) => copy || fetch(request))
  );
});
