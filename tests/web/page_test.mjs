// The show in a web page, driven in Debian's Chromium and Firefox ESR: every
// picture on the page (a screenshot of the viewport) equals the export
// command's picture, reached by a presenter's keys, back and forth, and by
// ?from; the title; the hint; clicks and taps; the end and a new start;
// ?watch; a resize; high-density screens; the page opened as a file; a
// run-time error; bad settings.
// Usage: node page_test.mjs PAGE_FOLDER EXPORTS_FOLDER PLANTED_PAGE_FOLDER UNPACKED_ZIP_FOLDER EXPORT_COMMANDS_FOLDER
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { pathToFileURL } from "node:url";
import { check, comparer, Exports, failed, launch, patience, serve } from "./page_tools.mjs";

const [pageFolder, exportsFolder, plantedFolder, unpackedFolder, commandsFolder] = process.argv.slice(2);
const sizes = JSON.parse(process.env.SURF_WEB_SIZES || '[[640,480],[1000,700],[1366,768]]');
const exports = new Exports(exportsFolder, commandsFolder);

// SURF_WEB_ONLY=stopped,watching (for example) runs only those parts; with
// "firefox" among them, those that Firefox runs also in Firefox.  A part it
// does not know would run no check at all, so it is an error.
const parts = ["keys", "from", "watching", "resizing", "density", "touching", "mouse", "files", "stopped", "firefox"];
const only = process.env.SURF_WEB_ONLY ? process.env.SURF_WEB_ONLY.split(",") : null;
const unknown = (only || []).filter(part => !parts.includes(part));
if (unknown.length > 0) {
  console.log(`FAIL SURF_WEB_ONLY names no part of this test: ${unknown.join(", ")} (the parts: ${parts.join(", ")})`);
  process.exit(1);
}
const server = await serve(pageFolder);
const site = `http://127.0.0.1:${server.address().port}/`;
const plantedServer = await serve(plantedFolder);
const plantedSite = `http://127.0.0.1:${plantedServer.address().port}/`;
const chromium = await launch("chromium");
const compare = await comparer(chromium);
let browser = chromium, browserName = "chromium";

async function open(query, [width, height], scale = 1, address = site, touch = false) {
  const page = await browser.newPage();
  page.on("pageerror", error => check(false, `${browserName}: no script error on the page: ${error.message}`));
  await page.setViewport(Object.assign({ width, height, deviceScaleFactor: scale }, touch ? { hasTouch: true, isMobile: true } : {}));
  await page.goto(address + query);
  return page;
}

// Waits until picture `number` is complete and waiting for a key.
async function pictureDone(page, number) {
  await page.waitForFunction(n => window.surfShow && window.surfShow.picture === n && window.surfShow.waiting, patience, number);
}

const hinted = page => page.evaluate(() => getComputedStyle(document.getElementById("hint")).display !== "none");
// The hint on a show's first picture is checked where it matters, and put away for the screenshot.
const withoutHint = page => page.evaluate(() => document.body.classList.remove("hinted"));

async function samePicture(page, program, size, number, how, scale = 1, visible = null) {
  const result = await compare(exports.picture(program, size, number), await page.screenshot({ type: "png" }), scale, null, visible);
  check(result.differ === 0, `${browserName}: ${program} ${size.join("x")} picture ${number} ${how}: ` +
        (result.differ === 0 ? "identical" : `${result.differ} pixels differ, first ${JSON.stringify(result.first)} (${result.size})`));
}

async function press(page, key, size) {
  if (key === "click") await page.mouse.click(size[0] / 4, size[1] / 4);
  else if (key === "Shift+x") {
    await page.keyboard.press("Shift");
    await page.keyboard.press("x");
  } else if (key === "fast") {
    // Three presses before the page could show anything: two on, one back.
    await page.evaluate(() => {
      for (const key of ["PageDown", "PageDown", "PageUp"]) window.dispatchEvent(new KeyboardEvent("keydown", { key }));
    });
  } else await page.keyboard.press(key);
}

// A presenter's remote (and the keyboard): each key moves on by one, the
// back keys back by one, Shift alone not at all; after picture 12 a key ends
// the show and the next starts it again.
async function presenterKeys(program, size) {
  const page = await open(`?program=${program}`, size);
  const titles = exports.titles(program, size);
  const steps = [[null, 1], ["PageDown", 2], ["ArrowRight", 3], ["Delete", 4], ["ArrowDown", 5], [" ", 6],
                 ["Enter", 7], ["click", 8], ["Shift+x", 9], ["F1", 10], ["Tab", 11], ["a", 12]];
  for (const [key, number] of steps) {
    if (key) await press(page, key, size);
    await pictureDone(page, number);
    check(await hinted(page) === (number === 1), `${browserName}: the hint is shown on the first picture only (${number})`);
    if (number === 1) await withoutHint(page);
    // The console button that the mouse brings out must be gone for the screenshot.
    if (key === "click") await page.waitForFunction(() => !document.getElementById("toolbar").classList.contains("shown"), patience);
    await samePicture(page, program, size, number, `after ${key || "loading"}`);
    const title = await page.title();
    check(title === `${program} \u2014 ${number}/12 ${titles[number - 1]}`, `${browserName}: title of ${program} picture ${number}: ${title}`);
  }
  const lines = await page.evaluate(() => Array.from(document.getElementById("screen").children, row => row.textContent.trim()));
  check(lines.slice(0, 12).join("\n") === titles.join("\n") && lines.slice(12).every(line => line === ""),
        `${browserName}: ${program}'s console panel holds the twelve titles: ${JSON.stringify(lines.slice(0, 13))}`);
  const keys = await page.evaluate(() => window.surfTimings.keys);
  check(keys.every(k => k.painted === null || k.painted >= k.pressed),
        `${browserName}: every picture is painted after its key: ${JSON.stringify(keys.map(k => k.painted - k.pressed))}`);
  // Going back starts the show again at a picture, as ?from does: the
  // pictures are compared at the first size only.
  for (const [key, number] of [["PageUp", 11], ["ArrowLeft", 10], ["ArrowUp", 9], ["Backspace", 8], ["fast", 9]]) {
    await press(page, key, size);
    await pictureDone(page, number);
    if (size === sizes[0]) await samePicture(page, program, size, number, `back and forth, after ${key}`);
    else check(await page.title() === `${program} — ${number}/12 ${titles[number - 1]}`, `${browserName}: ${key} goes to ${number}`);
  }
  for (const key of ["PageDown", "PageDown", "PageDown", "PageDown"]) await press(page, key, size);
  await page.waitForFunction(() => window.surfShow.stopped, patience);
  const ending = await page.evaluate(() => [window.surfShow.exitCode, document.getElementById("notice").innerText, document.title]);
  check(ending[0] === 0 && /The show has ended/.test(ending[1]) && /the show has ended/.test(ending[2]),
        `${browserName}: ${program} ends after picture 12: ${JSON.stringify(ending)}`);
  await press(page, "ArrowRight", size);
  await pictureDone(page, 1);
  await samePicture(page, program, size, 1, "started again by a key after the end");
  await page.close();
}

async function everyPictureFrom(program, size) {
  for (let number = 1; number <= 12; ++number) {
    const page = await open(`?program=${program}&from=${number}`, size);
    await pictureDone(page, number);
    await withoutHint(page);
    await samePicture(page, program, size, number, `with ?from=${number}`);
    await page.close();
  }
}

// ?watch: the picture grows (part of it, nothing that the finished one lacks)
// and then is the finished one.
async function watching(size) {
  const page = await open("?from=9&watch=3", size);
  await page.waitForFunction(() => window.surfShow.picture === 9, patience);
  await withoutHint(page);
  let part = null;
  for (let tries = 0; tries < 200 && !part; ++tries) {
    const shot = await page.screenshot({ type: "png" });
    const result = await compare(exports.picture("surfplot", size, 9), shot, 1, exports.picture("surfkit", size, 9));
    if (result.lit > result.litBare && result.differ > 0) part = result;
    if (await page.evaluate(() => window.surfShow.waiting)) break;
  }
  check(part !== null && part.extra === 0 && part.lit < part.litWanted,
        `?watch shows picture 9 part-way drawn: ${JSON.stringify(part)}`);
  await pictureDone(page, 9);
  await samePicture(page, "surfplot", size, 9, "when watched to the end");
  await page.close();

  // A key while the picture grows finishes it at once, and does not move on.
  const hurried = await open("?from=9&watch=30", size);
  await hurried.waitForFunction(() => window.surfShow.picture === 9, patience);
  await hurried.keyboard.press("h");
  await pictureDone(hurried, 9);
  await samePicture(hurried, "surfplot", size, 9, "finished by a key under ?watch=30");
  await hurried.close();
}

// On a small touch screen a tap moves on and, after the end, starts again;
// a long touch opens the console panel, which leaves most of the picture
// free, and a tap on the panel closes it.
async function touching(size) {
  const page = await open("?from=12", size, 1, site, true);
  await pictureDone(page, 12);
  const hold = async (x, y) => {
    await page.touchscreen.touchStart(x, y);
    // A long touch is one held down for a while: here 0.7 s.
    await page.evaluate(() => new Promise(held => setTimeout(held, 700)));
    await page.touchscreen.touchEnd();
  };
  const panel = () => page.evaluate(() => {
    const box = document.getElementById("console").getBoundingClientRect();
    return [window.surfShow.picture, window.surfShow.stopped, box.height, box.top + box.height / 2];
  });
  await hold(size[0] / 2, size[1] / 4);
  const opened = await panel();
  check(opened[0] === 12 && !opened[1] && opened[2] > 0 && opened[2] <= size[1] / 2,
        `a long touch opens the console panel on half the screen at most: ${JSON.stringify(opened)}`);
  await page.touchscreen.tap(size[0] / 2, opened[3]);
  const closed = await panel();
  check(closed[0] === 12 && closed[2] === 0, `a tap on the console panel closes it: ${JSON.stringify(closed)}`);
  await page.touchscreen.tap(size[0] / 3, size[1] / 4);
  await page.waitForFunction(() => window.surfShow.stopped, patience);
  await page.touchscreen.tap(size[0] / 3, size[1] / 4);
  await pictureDone(page, 1);
  await withoutHint(page);
  await samePicture(page, "surfplot", size, 1, "after a tap at the end");
  await page.close();
}

// A right click opens the console panel and a right click on it closes it.
async function consoleByMouse(size) {
  const page = await open("?from=2", size);
  await pictureDone(page, 2);
  const box = () => page.evaluate(() => {
    const box = document.getElementById("console").getBoundingClientRect();
    return [box.height > 0, box.left + box.width / 2, box.top + box.height / 2];
  });
  await page.mouse.click(size[0] / 2, size[1] / 4, { button: "right" });
  const [opened, x, y] = await box();
  await page.mouse.click(x, y, { button: "right" });
  const closed = !(await box())[0];
  const picture = await page.evaluate(() => window.surfShow.picture);
  check(opened && closed && picture === 2, `${browserName}: right clicks open and close the console panel: ${[opened, closed, picture]}`);
  await page.close();
}

// A new window size starts the current picture again at that size.
async function resizing(from, to) {
  const page = await open("?from=3", from);
  await pictureDone(page, 3);
  await page.keyboard.press("b");
  await pictureDone(page, 4);
  await page.setViewport({ width: to[0], height: to[1], deviceScaleFactor: 1 });
  await page.waitForFunction(([w, h]) => document.getElementById("picture").width === w && window.surfShow.picture === 4 &&
                             window.surfShow.waiting, patience, to);
  await samePicture(page, "surfplot", to, 4, `after a resize from ${from.join("x")}`);
  await page.keyboard.press("c");
  await pictureDone(page, 5);
  await samePicture(page, "surfplot", to, 5, "after a resize and a key");
  await page.close();
}

// At a device pixel ratio r each picture pixel is k x k device pixels, k
// the whole part of r; the picture's size is the page's.
async function density(ratio, size, number) {
  const page = await open(`?from=${number}`, size, ratio);
  await pictureDone(page, number);
  await withoutHint(page);
  const k = Math.floor(ratio);
  const canvas = await page.evaluate(() => [document.getElementById("picture").width, document.getElementById("picture").height]);
  const picture = [Math.floor(canvas[0] / k), Math.floor(canvas[1] / k)];
  const whole = canvas.every((pixels, i) => pixels % k === 0 && pixels <= size[i] * ratio && pixels + k > size[i] * ratio - 1);
  check(whole, `${browserName}: at ratio ${ratio} the canvas has as many ${k} x ${k} squares as the viewport holds: ${canvas}`);
  await samePicture(page, "surfplot", picture, number, `at ratio ${ratio} on ${size.join("x")}, ${k} x ${k} each`, k,
                    size.map(css => Math.floor(css * ratio)));
  await page.close();
}

// Opened as a file from the unpacked zip the page runs; where the program
// is missing, or a setting is bad, it says why and offers no button.
async function fromFiles(size) {
  const address = pathToFileURL(path.join(unpackedFolder, "index.html")).href;
  const page = await open("?program=surfkit&from=11", size, 1, address);
  await pictureDone(page, 11);
  await withoutHint(page);
  await samePicture(page, "surfkit", size, 11, "opened as a file");
  await page.keyboard.press("PageDown");
  await pictureDone(page, 12);
  await samePicture(page, "surfkit", size, 12, "opened as a file, after PageDown");
  await page.close();

  const alone = fs.mkdtempSync(path.join(os.tmpdir(), "surf-page-"));
  for (const file of ["index.html", "page.css"]) fs.copyFileSync(path.join(unpackedFolder, file), path.join(alone, file));
  const cases = [[pathToFileURL(path.join(alone, "index.html")).href, "", /cannot load surfplot\.js.*unpack the whole zip/s],
                 [address, "?program=evil", /unknown program 'evil'/], [address, "?from=0", /bad \?from=0: a picture number from 1 to 12/],
                 [address, "?from=3&watch=soon", /bad \?watch=soon: seconds/]];
  for (const [where, query, words] of cases) {
    const refused = await open(query, size, 1, where);
    await refused.waitForFunction(() => window.surfShow.stopped, patience);
    const shown = await refused.evaluate(() => [document.getElementById("notice").innerText,
                                                getComputedStyle(document.getElementById("again")).display]);
    check(words.test(shown[0]) && shown[1] === "none", `${browserName}: ${query || "without its program"} says why, with no button: ${JSON.stringify(shown)}`);
    await refused.close();
  }
  fs.rmSync(alone, { recursive: true });
}

// A run-time error stops the show and is told in the console panel: surfkit
// with faults planted in its brick renderer, PLANTED_FAULT picking one.
async function stoppedShows() {
  for (const [fault, code, words] of [["store", 201, /range check: 40000 is outside -32768\.\.32767/],
                                      ["overflow", 215, /integer overflow: 60000 \* 60000/],
                                      ["division", 200, /division by zero/],
                                      ["float_division", 200, /division by zero/],
                                      ["nan_choice", 207, /invalid floating-point operation/],
                                      ["lowest_division", 200, /division by zero/]]) {
    const page = await browser.newPage();
    await page.setViewport({ width: 640, height: 480, deviceScaleFactor: 1 });
    // The fault is chosen in the program's environment before it starts.
    await page.evaluateOnNewDocument(fault => {
      let factory;
      Object.defineProperty(window, "createShow", {
        get: () => factory && (config => factory(Object.assign(config, { preRun: [module => { module.ENV.PLANTED_FAULT = fault; }] }))),
        set: value => { factory = value; },
      });
    }, fault);
    await page.goto(plantedSite + "?program=surfkit&from=3");
    await pictureDone(page, 3);
    await page.keyboard.press("k");
    await page.waitForFunction(() => window.surfShow.stopped, patience);
    const shown = await page.evaluate(() => [window.surfShow.exitCode, document.getElementById("messages").innerText,
                                             document.getElementById("console").classList.contains("shown"),
                                             document.getElementById("screen").innerText]);
    check(shown[0] === code && shown[2] && new RegExp(`Runtime error ${code} at \\$[0-9A-F]{8}`).test(shown[1]) &&
          words.test(shown[1]) && /Tégla \(2,2\)/.test(shown[3]),
          `a planted ${fault} fault stops the show with ${code}, told in the console panel: ${JSON.stringify(shown.slice(0, 3))}`);
    await page.close();
  }
}

// How soon the first picture is on the screen, and a key's picture after the key.
async function timings(size) {
  const figures = [];
  for (let load = 0; load < 5; ++load) {
    const page = await open("", size);
    await pictureDone(page, 1);
    for (let number = 2; number <= 12; ++number) {
      await page.keyboard.press("n");
      await pictureDone(page, number);
    }
    await page.waitForFunction(() => window.surfTimings.keys.every(k => k.painted !== null) &&
                               window.surfTimings.firstPicture.painted !== null, patience);
    figures.push(await page.evaluate(() => window.surfTimings));
    await page.close();
  }
  const sorted = list => list.sort((a, b) => a - b);
  const first = sorted(figures.map(f => f.firstPicture.painted));
  const ready = sorted(figures.flatMap(f => f.keys.map(k => k.shown - k.pressed)));
  const painted = sorted(figures.flatMap(f => f.keys.map(k => k.painted - k.pressed)));
  const middle = list => list[list.length >> 1].toFixed(1), last = list => list[list.length - 1].toFixed(1);
  console.log(`figures at ${size.join("x")}: first picture painted ${first.map(t => t.toFixed(0)).join(", ")} ms after ` +
              `the page began to load; key to picture on the canvas: median ${middle(ready)} ms, slowest ${last(ready)} ms; ` +
              `to the frame that shows it: median ${middle(painted)} ms, slowest ${last(painted)} ms`);
  const byPicture = [];
  for (let number = 2; number <= 12; ++number)
    byPicture.push(`${number}: ${middle(sorted(figures.map(f => f.keys[number - 2].shown - f.keys[number - 2].pressed)))}`);
  console.log(`key to picture on the canvas, median by picture (ms): ${byPicture.join(", ")}`);
}

const wanted = part => !only || only.includes(part);
const started = Date.now();
try {
  for (const program of ["surfplot", "surfkit"])
    for (const size of sizes) {
      if (wanted("keys")) await presenterKeys(program, size);
      if (wanted("from")) await everyPictureFrom(program, size);
    }
  if (wanted("watching")) await watching(sizes[0]);
  if (wanted("resizing")) await resizing(sizes[0], sizes[1]);
  if (wanted("density")) for (const [ratio, number] of [[2, 12], [2.625, 3], [2.75, 4], [3.5, 9]]) await density(ratio, [412, 915], number);
  if (wanted("touching")) await touching([375, 667]);
  if (wanted("mouse")) await consoleByMouse(sizes[0]);
  if (wanted("files")) await fromFiles(sizes[0]);
  if (wanted("stopped")) await stoppedShows();
  if (process.env.SURF_WEB_TIMINGS) await timings(sizes[sizes.length - 1]);
  console.log(`chromium: ${((Date.now() - started) / 1000).toFixed(0)} s`);
  if (wanted("firefox")) {
    const firefoxStarted = Date.now();
    browser = await launch("firefox");
    browserName = "firefox";
    try {
      if (wanted("keys")) for (const program of ["surfplot", "surfkit"]) await presenterKeys(program, sizes[0]);
      if (wanted("density")) for (const [ratio, number] of [[2.625, 3], [2.75, 4], [3.5, 9]]) await density(ratio, [412, 915], number);
      if (wanted("mouse")) await consoleByMouse(sizes[0]);
      if (wanted("files")) await fromFiles(sizes[0]);
    } finally {
      await browser.close();
    }
    console.log(`firefox: ${((Date.now() - firefoxStarted) / 1000).toFixed(0)} s`);
  }
} finally {
  await chromium.close();
  server.close();
  plantedServer.close();
}
console.log(failed() === 0 ? "web page tests passed" : `${failed()} web page checks failed`);
process.exit(failed() === 0 ? 0 : 1);
