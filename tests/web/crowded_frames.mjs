// Runs bench/web/crowded_frames.cpp's web build in headless Chromium and
// prints its line: the round-30 fight's time per frame in the browser.
// Usage: node crowded_frames.mjs DIR (holding crowded_frames.js and .wasm)
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import process from 'node:process';
import { launchChromium } from './chromium.mjs';

const dir = process.argv[2];
const page = `<!doctype html><canvas id="canvas" width="640" height="480"></canvas>
<script>var Module = { canvas: document.getElementById('canvas'),
  print: text => console.log(text), printErr: text => console.warn(text) };</script>
<script src="crowded_frames.js"></script>`;
const types = { '.js': 'text/javascript', '.wasm': 'application/wasm' };
const server = http.createServer((request, response) => {
  const name = path.basename(new URL(request.url, 'http://127.0.0.1').pathname);
  if (!name) {
    response.writeHead(200, { 'Content-Type': 'text/html' }).end(page);
  } else if (fs.existsSync(path.join(dir, name))) {
    response.writeHead(200, { 'Content-Type': types[path.extname(name)] || 'text/plain' })
      .end(fs.readFileSync(path.join(dir, name)));
  } else {
    response.writeHead(404).end();
  }
});
await new Promise(resolve => server.listen(0, '127.0.0.1', resolve));
const { browser, close } = await launchChromium();
let status = 1;
try {
  const tab = await browser.newPage();
  const line = new Promise(resolve => tab.on('console', message => {
    if (message.text().startsWith('round 30:')) resolve(message.text());
  }));
  await tab.goto(`http://127.0.0.1:${server.address().port}/`);
  console.log('Chromium', await line);
  status = 0;
} finally {
  await close();
  server.close();
}
process.exit(status);
