// The web build in headless Chromium: the page loads without a console
// error, shows the title as the Linux build draws it, starts round 1 on
// Enter, fires a volley on Space, ends on Escape and says so, and replays
// recordings made by the Linux build to the same verdict.
//
// Usage: node page_test.mjs BUILD_DIR TITLE_PNG RECORDINGS_DIR [OUT_DIR]
// BUILD_DIR holds index.html, salvo.js and salvo.wasm; TITLE_PNG is the Linux
// build's capture of the title screen (tools/make_screenshots.sh);
// RECORDINGS_DIR holds recordings made with --record. The canvas pictures
// the checks look at are left in OUT_DIR when one is given.
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import process from 'node:process';
import { comparePictures, decodePng } from './png.mjs';
import { launchChromium } from './chromium.mjs';

const [buildDir, titlePng, recordingsDir, outDir] = process.argv.slice(2);
if (!recordingsDir) {
  console.error('usage: node page_test.mjs BUILD_DIR TITLE_PNG RECORDINGS_DIR [OUT_DIR]');
  process.exit(2);
}
const recordings = fs.readdirSync(recordingsDir).filter(name => name.endsWith('.rec')).sort();

const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm' };

// Serves the build at / and the recordings at /recordings/; altered.rec is
// a copy of a recording with one byte changed, which must not replay.
function serve() {
  const recording = fs.readFileSync(path.join(recordingsDir, recordings[0]));
  const altered = Buffer.from(recording);
  altered[altered.length >> 1] ^= 0x5a;
  const server = http.createServer((request, response) => {
    const url = new URL(request.url, 'http://127.0.0.1');
    let body = null;
    let file = url.pathname === '/' ? '/index.html' : url.pathname;
    if (file === '/recordings/altered.rec') {
      body = altered;
    } else if (file.startsWith('/recordings/')) {
      file = path.join(recordingsDir, path.basename(file));
    } else {
      file = path.join(buildDir, path.basename(file));
    }
    if (!body && fs.existsSync(file)) body = fs.readFileSync(file);
    if (!body) {
      response.writeHead(404).end();
      return;
    }
    const type = types[path.extname(file)] || 'application/octet-stream';
    response.writeHead(200, { 'Content-Type': type }).end(body);
  });
  return new Promise(resolve => server.listen(0, '127.0.0.1', () => resolve(server)));
}

const failures = [];
function check(condition, what) {
  console.log(`${condition ? 'ok' : 'FAILED'}: ${what}`);
  if (!condition) failures.push(what);
}

// The canvas as the page shows it, decoded (and kept as NAME.png in OUT_DIR).
async function canvasPicture(page, name) {
  const canvas = await page.$('canvas');
  const png = Buffer.from(await canvas.screenshot({ type: 'png' }));
  if (outDir) fs.writeFileSync(path.join(outDir, name + '.png'), png);
  return decodePng(png);
}

async function framesShown(page) {
  return page.evaluate(() => (typeof Module === 'object' && Module.framesShown) || 0);
}

// Counts the blocks the mixer hands to Web Audio and keeps the loudest
// sample since the last reset.
async function listenToSound(page) {
  await page.evaluate(() => {
    const node = Module.SDL2.audio.scriptProcessorNode;
    const fill = node.onaudioprocess;
    window.sound = { blocks: 0, loudest: 0 };
    node.onaudioprocess = event => {
      fill(event);
      window.sound.blocks++;
      for (const sample of event.outputBuffer.getChannelData(0)) {
        window.sound.loudest = Math.max(window.sound.loudest, Math.abs(sample));
      }
    };
  });
}

async function soundState(page) {
  return page.evaluate(() => ({ state: Module.SDL2.audioContext.state, ...window.sound }));
}

// Frames shown per second over the next `count` frames.
async function frameRate(page, count) {
  const start = await page.evaluate(() => [Module.framesShown, performance.now()]);
  await waitForFrames(page, start[0] + count);
  const end = await page.evaluate(() => [Module.framesShown, performance.now()]);
  return ((end[0] - start[0]) * 1000) / (end[1] - start[1]);
}

async function waitForFrames(page, count) {
  await page.waitForFunction(n => typeof Module === 'object' && Module.framesShown >= n,
                             { timeout: 30000 }, count);
}

// Waits until the page reports the program's exit; gives its status.
async function exitStatus(page, timeout) {
  await page.waitForFunction(() => document.body.dataset.exitStatus !== undefined, { timeout });
  return Number(await page.evaluate(() => document.body.dataset.exitStatus));
}

// A desktop browser's rule for sound, which headless Chromium does not keep:
// an audio context starts suspended, and resumes only once the page has had
// a real key press or click. Runs in the page before its own scripts.
function refuseSoundBeforeAGesture() {
  let gesture = false;
  for (const kind of ['keydown', 'mousedown']) {
    window.addEventListener(kind, event => { gesture ||= event.isTrusted; }, true);
  }
  const Context = window.AudioContext;
  window.AudioContext = class extends Context {
    constructor(...options) {
      super(...options);
      super.suspend();
    }
    resume() {
      return gesture ? super.resume() : Promise.resolve();
    }
  };
  window.webkitAudioContext = window.AudioContext;
}

// Opens the page with its console watched: errors and uncaught exceptions
// are collected in `errors`.
async function openPage(browser, url, errors) {
  const page = await browser.newPage();
  page.on('console', message => {
    if (message.type() === 'error') errors.push(message.text());
  });
  page.on('pageerror', error => errors.push(String(error)));
  // The canvas at 640 x 480 CSS pixels, one device pixel each: the game's
  // picture is shown texel for pixel, as on the Linux screen.
  await page.setViewport({ width: 640, height: 480 + 48, deviceScaleFactor: 1 });
  await page.evaluateOnNewDocument(refuseSoundBeforeAGesture);
  const started = Date.now();
  await page.goto(url, { waitUntil: 'load' });
  return { page, started };
}

async function playthrough(browser, base) {
  const errors = [];
  const { page } = await openPage(browser, base + '/', errors);
  await waitForFrames(page, 10);
  const startup = await page.evaluate(() => Module.firstFrameTime);
  console.log(`page start to first frame: ${startup.toFixed(0)} ms`);

  const title = await canvasPicture(page, 'title');
  const linux = decodePng(fs.readFileSync(titlePng));
  const sameAsLinux = comparePictures(title, linux);
  console.log(`title against the Linux capture: ${sameAsLinux.differing} of ` +
              `${sameAsLinux.pixels} pixels differ, by at most ${sameAsLinux.largest}`);
  check(sameAsLinux.differing <= sameAsLinux.pixels / 100 && sameAsLinux.largest <= 64,
        'the title looks as the Linux build draws it');

  // Browsers start a page's sound only after a key press or click.
  await listenToSound(page);
  await waitForFrames(page, (await framesShown(page)) + 30);
  const silent = await soundState(page);
  check(silent.state === 'suspended' && silent.blocks === 0,
        `no sound before the first key press (${silent.state}, ${silent.blocks} blocks)`);

  // The title fades out over 100 frames, then the round's banner shows.
  await page.keyboard.press('Enter');
  const enterFrame = await framesShown(page);
  await waitForFrames(page, enterFrame + 150);
  const round = await canvasPicture(page, 'round');
  const leftTitle = comparePictures(round, title, 16);
  check(leftTitle.differing > leftTitle.pixels / 4, 'Enter leaves the title for round 1');

  // Let the banner go and the first units come in, then watch the strip
  // above the cannon: still without a shot, shells and their shadows after.
  await waitForFrames(page, enterFrame + 340);
  console.log(`frames per second in round 1: ${(await frameRate(page, 60)).toFixed(1)}`);
  const quiet = await soundState(page);
  check(quiet.state === 'running' && quiet.blocks > 0,
        `sound runs after the key press (${quiet.blocks} blocks mixed)`);
  await page.evaluate(() => { window.sound.loudest = 0; });
  const strip = { x: 200, y: 300, width: 240, height: 136 };
  const before = await canvasPicture(page, 'before-shot');
  await waitForFrames(page, (await framesShown(page)) + 20);
  const still = comparePictures(await canvasPicture(page, 'no-shot'), before, 16, strip);
  await page.keyboard.down('Space');
  await waitForFrames(page, (await framesShown(page)) + 30);
  await page.keyboard.up('Space');
  await waitForFrames(page, (await framesShown(page)) + 12);
  const fired = comparePictures(await canvasPicture(page, 'shot'), before, 16, strip);
  console.log(`strip above the cannon: ${still.differing} pixels change without a shot, ` +
              `${fired.differing} after one`);
  check(fired.differing > still.differing + 50, 'Space held and released fires a volley');
  const bang = await soundState(page);
  check(bang.loudest > 0.01, `the volley is heard (loudest sample ${bang.loudest.toFixed(3)})`);

  await page.keyboard.press('Escape');
  const status = await exitStatus(page, 10000);
  const text = await page.$eval('#status', element => element.textContent);
  check(status === 0 && /ended/.test(text), `Escape ends the game and the page says so ("${text}")`);
  check(errors.length === 0, `no console errors (${errors.join(' | ') || 'none'})`);
  await page.close();
}

async function replay(browser, base, recording, expected) {
  const errors = [];
  const { page, started } = await openPage(browser, `${base}/?mute&replay=/recordings/${recording}`,
                                           errors);
  const status = await exitStatus(page, 120000);
  const seconds = (Date.now() - started) / 1000;
  const text = await page.$eval('#status', element => element.textContent);
  check(status === expected,
        `${recording} replays with exit status ${status} (expected ${expected}) in ` +
        `${seconds.toFixed(1)} s: "${text}"`);
  if (expected === 0) check(errors.length === 0, `no console errors (${errors.join(' | ') || 'none'})`);
  await page.close();
}

if (outDir) fs.mkdirSync(outDir, { recursive: true });
const server = await serve();
const base = `http://127.0.0.1:${server.address().port}`;
const { browser, close } = await launchChromium();
try {
  await playthrough(browser, base);
  for (const recording of recordings) await replay(browser, base, recording, 0);
  await replay(browser, base, 'altered.rec', 2);
} catch (error) {
  check(false, String(error));
} finally {
  await close();
  server.close();
}
console.log(failures.length === 0 ? 'all web checks passed' : `${failures.length} failed`);
process.exit(failures.length === 0 ? 0 : 1);
