// The browser checks of the web build: Debian's Chromium, headless, driven through
// playwright-core (its console, input, pixels and a script run before the page's own), on
// the page tools/web.sh serves. A harness script put in front of the page replaces, per mode,
// what the program reads the time from: the page's clocks, its frame callbacks and the audio
// context's clock and output. Usage: node webtest.js MODE URL [arguments]
//   run URL                     the whole timeline on a clock 20 times fast: it must reach
//                               "No scenes left, exiting" and the stop sequence, no error
//   pictures URL DIR FRAMES     a fixed clock of 43 device buffers (998.46 ms) a frame: every
//                               frame drawn, the numbered FRAMES (a,b,c) written to DIR as PNG
//   compare DESKTOP BROWSER FRAMES  the frames of the two directories, against the limits
//   sync URL [SECONDS]          real time: the music heard (from when the browser plays each
//                               buffer) at each scene start within SECONDS (50 by default),
//                               the time from the click to the first frame, and each scene's
//                               median frame rate (past 165 s the run goes on to the end)
//   shot URL WIDTHxHEIGHT FRAME FILE  a screenshot of the page at that size, on the fixed
//                               clock at that frame (0: the title, before the click)
'use strict';

const fs = require('fs');
const path = require('path');
const zlib = require('zlib');
const { chromium } = require('playwright-core');

// Chromium as the checks run it: software WebGL, and sound without a click.
const browserArguments = ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
  '--autoplay-policy=no-user-gesture-required'];
// The page's size in the checks.
const checkViewport = { width: 800, height: 600 };
// The fast clock's speed-up, and real ms the whole run may take.
const fastClockScale = 20;
const runTimeoutMs = 120000;
// The fixed clock's step: 43 device buffers of 1024 frames at 44.1 kHz, in ms, as a fraction
// (the desktop's capture library takes the same), so that each frame hands the output exactly
// one step of music, with no rounding that would move the music against the clock.
const stepNumerator = 440320;
const stepDenominator = 441;
// Buffers the fixed and fast clocks let Emscripten's SDL queue ahead: more than a step's 43,
// and half a buffer more, so that the queue's end never lands on its threshold exactly.
const queuedBuffers = 64.5;
// The picture limits: mean absolute difference per channel, and the share of pixels whose
// channels all lie within the near limit.
const maxMeanDifference = 2;
const nearLevels = 16;
const minNearShare = 0.97;
// What the program's log shows at the end of a whole run, in this order.
const stopSequence = ['No scenes left, exiting', 'Stopping sound task', 'Stopping video task', 'Stopping input task',
  'Stop timer task', 'Stopping demo scene handler', 'Stopping kernel', 'Stopping engine'];
// The scenes' starts on the timeline, ms, and the log line each start shows: the middle
// scenes log their Running stage; Scene5 starts as Scene4 stops.
const sceneStarts = [[45000, 'Running state 1 during length 0', 1], [85000, 'Running state 1 during length 0', 2],
  [125000, 'Running state 1 during length 0', 3], [165000, 'Running state 0 during length 0', 3]];

// ---- The harness in the page ----

// Runs in the page before its own scripts. clock: 'real', 'fast' or 'fixed'.
function harness({ clock, fastScale }) {
  const realNow = performance.now.bind(performance);
  const state = { lines: [], buffers: [], soundSeen: false, fakeMs: 0, pending: null };
  window.trambleHarness = state;
  const log = console.log.bind(console);
  console.log = (...args) => {
    state.lines.push([realNow(), args.join(' ')]);
    log(...args);
  };
  if (clock === 'real') {
    // The first draw of the program: its first frame, for the time from the click to it.
    for (const context of [WebGLRenderingContext.prototype]) {
      for (const name of ['drawArrays', 'drawElements']) {
        const draw = context[name];
        context[name] = function (...args) {
          state.firstDraw = state.firstDraw === undefined ? realNow() : state.firstDraw;
          return draw.apply(this, args);
        };
      }
    }
    // Where each buffer is heard, from the output's timestamp when it is scheduled.
    const start = AudioBufferSourceNode.prototype.start;
    AudioBufferSourceNode.prototype.start = function (when, ...rest) {
      const stamp = this.context.getOutputTimestamp();
      const left = this.buffer.getChannelData(0);
      const right = this.buffer.getChannelData(this.buffer.numberOfChannels - 1);
      let firstSound = -1;
      for (let i = 0; !state.soundSeen && i < left.length; ++i) {
        if (left[i] !== 0 || right[i] !== 0) {
          firstSound = i;
          state.soundSeen = true;
        }
      }
      state.buffers.push({ heardAt: stamp.performanceTime + (when - stamp.contextTime) * 1000,
        frames: this.buffer.length, rate: this.buffer.sampleRate, firstSound });
      return start.call(this, when, ...rest);
    };
    return;
  }
  // Fake clocks: the page's time and the audio context's, and an output that plays nothing.
  const dateBase = Date.now();
  const realBase = realNow();
  const now = clock === 'fast' ? () => (realNow() - realBase) * fastScale : () => state.fakeMs;
  performance.now = now;
  Date.now = () => dateBase + now();
  if (clock === 'fast') {
    // Every buffer handed over counts as heard: the music keeps pace with the clock.
    Object.defineProperty(BaseAudioContext.prototype, 'currentTime', { get: () => now() / 1000 });
    Object.defineProperty(AudioContext.prototype, 'outputLatency', { get: () => -1e6 });
    AudioBufferSourceNode.prototype.start = function () {};
    return;
  }
  // The fixed clock's output, as the desktop's capture pulls its device in step with its
  // clock: its clock stands far back until the first frame, so that no buffer is queued
  // before the music plays, and the first buffer (the music's first) is heard at the
  // clock's 0, the rest at the clock's pace.
  state.firstStart = null;
  state.audioStarted = false;
  Object.defineProperty(BaseAudioContext.prototype, 'currentTime',
    { get: () => (state.audioStarted ? state.fakeMs / 1000 : -1e6) });
  Object.defineProperty(AudioContext.prototype, 'outputLatency',
    { get: () => (state.firstStart === null ? 0 : -state.firstStart) });
  AudioBufferSourceNode.prototype.start = function (when) {
    state.firstStart = state.firstStart === null ? when : state.firstStart;
  };
  window.requestAnimationFrame = (callback) => {
    state.pending = callback;
    return 1;
  };
}

// Runs in the page: one frame of the fixed clock at frame number n, and its pixels (top row
// first, RGB) as base64 when asked for.
function fixedFrame({ n, numerator, denominator, read }) {
  const state = window.trambleHarness;
  state.fakeMs = n * numerator / denominator;
  state.audioStarted = true;
  const callback = state.pending;
  state.pending = null;
  if (callback === null) {
    return null;
  }
  callback(state.fakeMs);
  if (!read) {
    return '';
  }
  const gl = Module.ctx;
  const width = gl.drawingBufferWidth;
  const height = gl.drawingBufferHeight;
  const rgba = new Uint8Array(width * height * 4);
  gl.readPixels(0, 0, width, height, gl.RGBA, gl.UNSIGNED_BYTE, rgba);
  const rgb = new Uint8Array(width * height * 3);
  for (let y = 0; y < height; ++y) {
    for (let x = 0; x < width; ++x) {
      const from = ((height - 1 - y) * width + x) * 4;
      rgb.set(rgba.subarray(from, from + 3), (y * width + x) * 3);
    }
  }
  let text = '';
  for (let i = 0; i < rgb.length; i += 0x8000) {
    text += String.fromCharCode.apply(null, rgb.subarray(i, i + 0x8000));
  }
  return `${width} ${height} ${btoa(text)}`;
}

// ---- PNG, RGB 8-bit, as the capture library writes it ----

function crc32(bytes) {
  let crc = ~0;
  for (const byte of bytes) {
    crc ^= byte;
    for (let k = 0; k < 8; ++k) {
      crc = (crc >>> 1) ^ (0xedb88320 & -(crc & 1));
    }
  }
  return ~crc >>> 0;
}

function writePng(file, width, height, rgb) {
  const rows = Buffer.alloc((width * 3 + 1) * height);
  for (let y = 0; y < height; ++y) {
    rgb.copy(rows, y * (width * 3 + 1) + 1, y * width * 3, (y + 1) * width * 3);
  }
  const chunk = (type, data) => {
    const body = Buffer.concat([Buffer.from(type), data]);
    const length = Buffer.alloc(4);
    length.writeUInt32BE(data.length);
    const crc = Buffer.alloc(4);
    crc.writeUInt32BE(crc32(body));
    return Buffer.concat([length, body, crc]);
  };
  const header = Buffer.alloc(13);
  header.writeUInt32BE(width, 0);
  header.writeUInt32BE(height, 4);
  header.set([8, 2, 0, 0, 0], 8);
  fs.writeFileSync(file, Buffer.concat([Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]),
    chunk('IHDR', header), chunk('IDAT', zlib.deflateSync(rows)), chunk('IEND', Buffer.alloc(0))]));
}

// Reads an 8-bit RGB or RGBA, non-interlaced PNG into { width, height, rgb }.
function readPng(file) {
  const bytes = fs.readFileSync(file);
  let width = 0;
  let height = 0;
  let channels = 0;
  const data = [];
  for (let at = 8; at < bytes.length;) {
    const length = bytes.readUInt32BE(at);
    const type = bytes.toString('latin1', at + 4, at + 8);
    const body = bytes.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      channels = body[9] === 6 ? 4 : 3;
    } else if (type === 'IDAT') {
      data.push(body);
    }
    at += 12 + length;
  }
  const rows = zlib.inflateSync(Buffer.concat(data));
  const stride = width * channels;
  const pixels = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = rows[y * (stride + 1)];
    const row = rows.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; ++x) {
      const a = x >= channels ? pixels[y * stride + x - channels] : 0;
      const b = y > 0 ? pixels[(y - 1) * stride + x] : 0;
      const c = x >= channels && y > 0 ? pixels[(y - 1) * stride + x - channels] : 0;
      const p = a + b - c;
      const paeth = Math.abs(p - a) <= Math.abs(p - b) && Math.abs(p - a) <= Math.abs(p - c) ? a
        : Math.abs(p - b) <= Math.abs(p - c) ? b : c;
      const predictor = [0, a, b, (a + b) >> 1, paeth][filter];
      pixels[y * stride + x] = (row[x] + predictor) & 0xff;
    }
  }
  const rgb = Buffer.alloc(width * height * 3);
  for (let i = 0; i < width * height; ++i) {
    pixels.copy(rgb, i * 3, i * channels, i * channels + 3);
  }
  return { width, height, rgb };
}

// ---- The browser ----

// The browser of this run, closed however the run ends.
let openBrowser = null;

async function openPage(url, clock, viewport = checkViewport) {
  const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: browserArguments });
  openBrowser = browser;
  const page = await browser.newPage({ viewport });
  const problems = [];
  page.on('console', (message) => {
    if (message.type() === 'error' || message.type() === 'warning') {
      problems.push(`console ${message.type()}: ${message.text()}`);
    }
  });
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  await page.addInitScript(harness, { clock, fastScale: fastClockScale });
  await page.goto(url);
  await page.waitForSelector('#start:not([disabled])');
  if (clock !== 'real') {
    await page.evaluate((queued) => { Module.SDL_numSimultaneouslyQueuedBuffers = queued; }, queuedBuffers);
  }
  return { browser, page, problems };
}

async function programLines(page) {
  return page.evaluate(() => window.trambleHarness.lines);
}

function fail(message) {
  console.error(`webtest: ${message}`);
  process.exitCode = 1;
}

async function run(url) {
  const { browser, page, problems } = await openPage(url, 'fast');
  await page.click('#start');
  await page.waitForSelector('#front:not([hidden])', { timeout: runTimeoutMs });
  const log = (await programLines(page)).map(([, line]) => line);
  await browser.close();
  let from = 0;
  for (const step of stopSequence) {
    const found = log.findIndex((line, i) => i >= from && line.endsWith(step));
    if (found < 0) {
      fail(`the log lacks "${step}" after what came before it`);
      break;
    }
    from = found + 1;
  }
  const errors = log.filter((line) => line.trimStart().startsWith('***')).concat(problems);
  errors.forEach((line) => fail(line));
  console.log(`webtest: whole run, ${log.length} log lines, ${errors.length} errors`);
}

async function stepFrames(page, last, wanted, onFrame) {
  for (let n = 0; n <= last; ++n) {
    const result = await page.evaluate(fixedFrame,
      { n, numerator: stepNumerator, denominator: stepDenominator, read: wanted.includes(n) });
    if (result === null) {
      throw new Error(`the program asked for no frame ${n}`);
    }
    if (result !== '') {
      const [width, height, data] = result.split(' ');
      await onFrame(n, Number(width), Number(height), Buffer.from(data, 'base64'));
    }
  }
}

async function startFixed(page) {
  await page.click('#start');
  // The output's first buffers, queued by SDL's timer right after main, come before frame 0.
  await page.waitForTimeout(500);
}

async function pictures(url, directory, frames) {
  const wanted = frames.split(',').map(Number);
  fs.mkdirSync(directory, { recursive: true });
  const { browser, page, problems } = await openPage(url, 'fixed');
  await startFixed(page);
  await stepFrames(page, Math.max(...wanted), wanted, async (n, width, height, rgb) => {
    writePng(path.join(directory, `frame-${String(n).padStart(6, '0')}.png`), width, height, rgb);
  });
  fs.writeFileSync(path.join(directory, 'log.txt'), (await programLines(page)).map(([, line]) => `${line}\n`).join(''));
  await browser.close();
  problems.forEach((line) => fail(line));
}

function compare(desktop, browser, frames) {
  for (const n of frames.split(',').map(Number)) {
    const name = `frame-${String(n).padStart(6, '0')}.png`;
    const a = readPng(path.join(desktop, name));
    const b = readPng(path.join(browser, name));
    if (a.width !== b.width || a.height !== b.height) {
      fail(`${name}: ${a.width} x ${a.height} on the desktop, ${b.width} x ${b.height} in the browser`);
      continue;
    }
    let total = 0;
    let near = 0;
    for (let i = 0; i < a.rgb.length; i += 3) {
      let worst = 0;
      for (let c = 0; c < 3; ++c) {
        const difference = Math.abs(a.rgb[i + c] - b.rgb[i + c]);
        total += difference;
        worst = Math.max(worst, difference);
      }
      near += worst <= nearLevels ? 1 : 0;
    }
    const mean = total / a.rgb.length;
    const share = near / (a.width * a.height);
    const ok = mean <= maxMeanDifference && share >= minNearShare;
    console.log(`webtest: frame ${n} (${(n * stepNumerator / stepDenominator / 1000).toFixed(3)} s): mean difference ` +
      `${mean.toFixed(3)} levels, ${(100 * share).toFixed(2)} % of pixels within ${nearLevels}${ok ? '' : '  FAILS'}`);
    if (!ok) {
      fail(`frame ${n} differs from the desktop's beyond the limits`);
    }
  }
}

// The music heard at page time at (real ms), from the buffers' play times: ms of music from
// its first sound, as the desktop figure counts it.
function heardMs(buffers, at) {
  let before = 0;
  let sound = null;
  let heard = null;
  for (const buffer of buffers) {
    if (sound === null && buffer.firstSound >= 0) {
      sound = before + buffer.firstSound;
    }
    if (buffer.heardAt <= at) {
      heard = before + Math.min((at - buffer.heardAt) * buffer.rate / 1000, buffer.frames);
    }
    before += buffer.frames;
  }
  return heard === null || sound === null ? null : (heard - sound) * 1000 / buffers[0].rate;
}

async function sync(url, seconds) {
  const { browser, page, problems } = await openPage(url, 'real');
  const clickedAt = await page.evaluate(() => performance.now());
  await page.click('#start');
  const until = 1000 * seconds;
  const last = sceneStarts.filter(([start]) => start <= until).length;
  // Past the last scene start, the run goes on to the end, for the last scene's frame rate.
  const toTheEnd = until > sceneStarts[sceneStarts.length - 1][0];
  const lines = [];
  for (;;) {
    await page.waitForTimeout(1000);
    const log = await programLines(page);
    const counts = sceneStarts.map(([, text]) => log.filter(([, line]) => line.endsWith(text)).length);
    const done = !toTheEnd && sceneStarts.slice(0, last).every(([, , nth], i) => counts[i] >= nth);
    if (done || log.some(([, line]) => line.endsWith('Stopping engine'))) {
      lines.push(...log);
      break;
    }
  }
  const { buffers, firstDraw } = await page.evaluate(() => window.trambleHarness);
  const frames = lines.filter(([, line]) => line.startsWith('FPS: ')).map(([, line]) => Number(line.slice(5)));
  await page.keyboard.press('Escape');
  await browser.close();
  console.log('| Scene start | Timeline | Music heard | Picture ahead by |');
  console.log('|---|---|---|---|');
  sceneStarts.slice(0, last).forEach(([start, text, nth], i) => {
    const at = lines.filter(([, line]) => line.endsWith(text))[nth - 1];
    const heard = at ? heardMs(buffers, at[0]) : null;
    if (heard === null) {
      fail(`no music heard when scene ${i + 2} started`);
      return;
    }
    const ahead = start - heard;
    console.log(`| ${i + 2} | ${(start / 1000).toFixed(3)} s | ${(heard / 1000).toFixed(3)} s | ${ahead.toFixed(0)} ms |`);
    if (Math.abs(ahead) > 50) {
      fail(`scene ${i + 2} starts ${ahead.toFixed(0)} ms off its music (frames per second: ${frames.join(' ')})`);
    }
  });
  // Frames per second, logged once a second, by the scene whose start came last before.
  console.log(`Click to first frame: ${(firstDraw - clickedAt).toFixed(0)} ms`);
  const starts = [0, ...sceneStarts.slice(0, last).map(([, text, nth]) =>
    lines.filter(([, line]) => line.endsWith(text))[nth - 1][0])];
  const rates = lines.filter(([, line]) => line.startsWith('FPS: '));
  starts.forEach((from, i) => {
    const to = i + 1 < starts.length ? starts[i + 1] : Infinity;
    const inScene = rates.filter(([at]) => at > from && at <= to).map(([, line]) => Number(line.slice(5)));
    inScene.sort((a, b) => a - b);
    const median = inScene[Math.floor(inScene.length / 2)];
    console.log(`Scene ${i + 1}: median ${median} frames per second, ${(1000 / median).toFixed(1)} ms a frame`);
  });
  problems.forEach((line) => fail(line));
}

async function shot(url, size, frame, file) {
  const [width, height] = size.split('x').map(Number);
  const { browser, page, problems } = await openPage(url, 'fixed', { width, height });
  if (Number(frame) > 0) {
    await startFixed(page);
    await stepFrames(page, Number(frame), [], async () => {});
  }
  await page.screenshot({ path: file });
  await browser.close();
  problems.forEach((line) => fail(line));
}

const modes = {
  run: (url) => run(url),
  pictures: (url, directory, frames) => pictures(url, directory, frames),
  compare: async (desktop, browser, frames) => compare(desktop, browser, frames),
  sync: (url, seconds = '50') => sync(url, Number(seconds)),
  shot: (url, size, frame, file) => shot(url, size, frame, file),
};
const [mode, ...rest] = process.argv.slice(2);
if (!modes[mode]) {
  console.error(`usage: node webtest.js ${Object.keys(modes).join('|')} ...`);
  process.exit(2);
}
modes[mode](...rest)
  .catch((error) => fail(error.stack || String(error)))
  .finally(() => openBrowser && openBrowser.close());
