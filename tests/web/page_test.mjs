// The show in a web page, driven in Debian's Chromium: at several viewport
// sizes every picture on the page (a screenshot of the viewport) equals the
// export command's picture, reached by keys and by ?from; the title; a click;
// ?watch; a resize; a high-density screen; a run-time error; the end.
// Usage: node page_test.mjs PAGE_FOLDER EXPORTS_FOLDER PLANTED_PAGE_FOLDER
// EXPORTS_FOLDER holds PROGRAM-WxH/NN.png and titles.txt for every program and size.
import fs from "node:fs";
import http from "node:http";
import os from "node:os";
import path from "node:path";
import puppeteer from "puppeteer-core";

const [pageFolder, exportsFolder, plantedFolder] = process.argv.slice(2);
const sizes = JSON.parse(process.env.SURF_WEB_SIZES || '[[640,480],[1000,700],[1366,768]]');
const patience = { timeout: 30000 };  // a generous limit for anything the page must reach
let failures = 0;

function check(ok, what) {
  console.log((ok ? "ok   " : "FAIL ") + what);
  if (!ok) failures++;
}

function serve(folder) {
  const types = { ".html": "text/html", ".js": "text/javascript", ".wasm": "application/wasm" };
  const server = http.createServer((request, response) => {
    const name = new URL(request.url, "http://page").pathname.replace(/^\/$/, "/index.html");
    const file = path.join(folder, path.normalize(name));
    fs.readFile(file, (error, data) => {
      if (error) {
        response.writeHead(404).end();
        return;
      }
      response.writeHead(200, { "Content-Type": types[path.extname(file)] || "application/octet-stream" }).end(data);
    });
  });
  return new Promise(ready => server.listen(0, "127.0.0.1", () => ready(server)));
}

const server = await serve(pageFolder);
const site = `http://127.0.0.1:${server.address().port}/`;
const plantedServer = await serve(plantedFolder);
const plantedSite = `http://127.0.0.1:${plantedServer.address().port}/`;
const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
  args: ["--no-sandbox", "--headless", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--force-color-profile=srgb", "--hide-scrollbars"],
  userDataDir: fs.mkdtempSync(path.join(os.tmpdir(), "surf-chromium-")),
});

// PNG files are decoded by the browser itself, in a page of their own, and
// compared there: `scale` device pixels per picture pixel.
const decoder = await browser.newPage();
async function compare(expectedFile, actual, scale = 1, frameFile = null) {
  const encode = data => Buffer.from(data).toString("base64");
  return decoder.evaluate(async (expected, actual, scale, frame) => {
    async function pixels(base64) {
      if (!base64) return null;
      const image = new Image();
      image.src = "data:image/png;base64," + base64;
      await image.decode();
      const canvas = new OffscreenCanvas(image.width, image.height);
      const context = canvas.getContext("2d");
      context.drawImage(image, 0, 0);
      return { width: image.width, height: image.height,
               data: new Uint32Array(context.getImageData(0, 0, image.width, image.height).data.buffer) };
    }
    const [want, got, bare] = [await pixels(expected), await pixels(actual), await pixels(frame)];
    const result = { size: `${got.width}x${got.height}`, differ: 0, extra: 0, first: null, lit: 0, litWanted: 0, litBare: 0 };
    if (got.width !== want.width * scale || got.height !== want.height * scale) {
      result.differ = -1;
      return result;
    }
    const black = 0xff000000;
    for (let y = 0; y < got.height; ++y)
      for (let x = 0; x < got.width; ++x) {
        const w = want.data[Math.floor(y / scale) * want.width + Math.floor(x / scale)], g = got.data[y * got.width + x];
        if (g !== black) result.lit++;
        if (w !== black) result.litWanted++;
        if (bare && bare.data[y * got.width + x] !== black) result.litBare++;
        if (w === g) continue;
        result.differ++;
        if (g !== black) result.extra++;
        if (!result.first) result.first = [x, y, w.toString(16), g.toString(16)];
      }
    return result;
  }, encode(fs.readFileSync(expectedFile)), encode(actual), scale, frameFile ? encode(fs.readFileSync(frameFile)) : null);
}

const exportOf = (program, [w, h], number) => path.join(exportsFolder, `${program}-${w}x${h}`, String(number).padStart(2, "0") + ".png");
const titlesOf = (program, [w, h]) => fs.readFileSync(path.join(exportsFolder, `${program}-${w}x${h}`, "titles.txt"), "utf8").trim().split("\n");

async function open(query, [width, height], scale = 1) {
  const page = await browser.newPage();
  page.on("pageerror", error => check(false, `no script error on the page: ${error.message}`));
  await page.setViewport({ width, height, deviceScaleFactor: scale });
  await page.goto(site + query);
  return page;
}

// Waits until picture `number` is complete and waiting for a key.
async function pictureDone(page, number) {
  await page.waitForFunction(n => window.surfShow && window.surfShow.picture === n && window.surfShow.waiting, patience, number);
}

async function samePicture(page, program, size, number, how) {
  const result = await compare(exportOf(program, size, number), await page.screenshot({ type: "png" }));
  check(result.differ === 0, `${program} ${size.join("x")} picture ${number} ${how}: ` +
        (result.differ === 0 ? "identical" : `${result.differ} pixels differ, first ${JSON.stringify(result.first)} (${result.size})`));
}

// Keys as a teacher presses them: each moves on by one, a key without a
// character by two, Shift alone not at all, and a click by one.
async function keysThroughTheShow(program, size) {
  const page = await open(`?program=${program}`, size);
  const titles = titlesOf(program, size);
  const steps = [[null, 1], ["a", 2], ["Enter", 3], ["Shift+x", 4], ["ArrowDown", 6], ["F5", 8], ["Space", 9],
                 ["click", 10], ["Tab", 11], ["Escape", 12]];
  for (const [key, number] of steps) {
    if (key === "click") await page.mouse.click(size[0] / 2, size[1] / 2);
    else if (key === "Shift+x") {
      await page.keyboard.press("Shift");
      await page.keyboard.press("x");
    } else if (key) await page.keyboard.press(key);
    await pictureDone(page, number);
    // The console button that the mouse brings out must be gone for the screenshot.
    if (key === "click") await page.waitForFunction(() => !document.getElementById("toolbar").classList.contains("shown"), patience);
    await samePicture(page, program, size, number, `after ${key || "loading"}`);
    const title = await page.title();
    check(title === `${program} \u2014 ${number}/12 ${titles[number - 1]}`, `title of ${program} picture ${number}: ${title}`);
  }
  await page.keyboard.press("q");
  await page.waitForFunction(() => window.surfShow.stopped, patience);
  const ending = await page.evaluate(() => [window.surfShow.exitCode, document.getElementById("notice").innerText]);
  check(ending[0] === 0 && /The show has ended/.test(ending[1]), `${program} ends after picture 12: ${JSON.stringify(ending)}`);
  // Pictures 5 and 7 were passed through by the second press of a key.
  const lines = await page.evaluate(() => Array.from(document.getElementById("screen").children, row => row.textContent.trim()));
  check(lines.slice(0, 12).join("\n") === titles.join("\n") && lines.slice(12).every(line => line === ""),
        `${program}'s console panel holds the twelve titles: ${JSON.stringify(lines.slice(0, 13))}`);
  await page.close();
}

async function everyPictureFrom(program, size) {
  for (let number = 1; number <= 12; ++number) {
    const page = await open(`?program=${program}&from=${number}`, size);
    await pictureDone(page, number);
    await samePicture(page, program, size, number, `with ?from=${number}`);
    await page.close();
  }
}

// ?watch: the picture grows (part of it, nothing that the finished one lacks)
// and then is the finished one.
async function watching(size) {
  const page = await open("?from=9&watch=3", size);
  await page.waitForFunction(() => window.surfShow.picture === 9, patience);
  let part = null;
  for (let tries = 0; tries < 200 && !part; ++tries) {
    const shot = await page.screenshot({ type: "png" });
    const result = await compare(exportOf("surfplot", size, 9), shot, 1, exportOf("surfkit", size, 9));
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

// On a touch screen a tap moves on, a long touch opens the console panel.
async function touching(size) {
  const page = await browser.newPage();
  await page.setViewport({ width: size[0], height: size[1], deviceScaleFactor: 1, hasTouch: true, isMobile: true });
  await page.goto(site + "?from=11");
  await pictureDone(page, 11);
  await page.touchscreen.tap(size[0] / 3, size[1] / 3);
  await pictureDone(page, 12);
  await samePicture(page, "surfplot", size, 12, "after a tap");
  await page.touchscreen.touchStart(size[0] / 2, size[1] / 2);
  // A long touch is one held down for a while: here 0.7 s.
  await page.evaluate(() => new Promise(held => setTimeout(held, 700)));
  await page.touchscreen.touchEnd();
  const shown = await page.evaluate(() => [window.surfShow.picture, window.surfShow.stopped]);
  check(shown[0] === 12 && !shown[1], `a long touch does not move on: ${JSON.stringify(shown)}`);
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

// On a screen of two device pixels per CSS pixel each picture pixel is 2 x 2.
async function highDensity(size) {
  const page = await open("?from=12", size, 2);
  await pictureDone(page, 12);
  const result = await compare(exportOf("surfplot", size, 12), await page.screenshot({ type: "png" }), 2);
  check(result.differ === 0, `picture 12 at device pixel ratio 2 is the ${size.join("x")} picture doubled: ${JSON.stringify(result)}`);
  await page.close();
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
        get: () => config => factory(Object.assign(config, { preRun: [module => { module.ENV.PLANTED_FAULT = fault; }] })),
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
  const page = await open("?from=13", [640, 480]);
  await page.waitForFunction(() => window.surfShow.stopped, patience);
  const shown = await page.evaluate(() => [window.surfShow.exitCode, document.getElementById("messages").innerText]);
  check(shown[0] === 2 && /bad --from value '13'/.test(shown[1]), `?from=13 is refused: ${JSON.stringify(shown)}`);
  await page.close();
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

// SURF_WEB_ONLY=stopped,watching (for example) runs only those parts.
const only = process.env.SURF_WEB_ONLY ? process.env.SURF_WEB_ONLY.split(",") : null;
const wanted = part => !only || only.includes(part);
try {
  for (const program of ["surfplot", "surfkit"])
    for (const size of sizes) {
      if (wanted("keys")) await keysThroughTheShow(program, size);
      if (wanted("from")) await everyPictureFrom(program, size);
    }
  if (wanted("watching")) await watching(sizes[0]);
  if (wanted("resizing")) await resizing(sizes[0], sizes[1]);
  if (wanted("density")) await highDensity(sizes[0]);
  if (wanted("touching")) await touching(sizes[0]);
  if (wanted("stopped")) await stoppedShows();
  if (process.env.SURF_WEB_TIMINGS) await timings(sizes[sizes.length - 1]);
} finally {
  await browser.close();
  server.close();
  plantedServer.close();
}
console.log(failures === 0 ? "web page tests passed" : `${failures} web page checks failed`);
process.exit(failures === 0 ? 0 : 1);
