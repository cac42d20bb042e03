// What the page tests share: the two browsers, a small web server, the
// export commands' pictures at any size, and comparing screenshots with them.
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import os from "node:os";
import path from "node:path";
import puppeteer from "puppeteer-core";

export const patience = { timeout: 30000 };  // a generous limit for anything the page must reach
let failures = 0;

export function check(ok, what) {
  console.log((ok ? "ok   " : "FAIL ") + what);
  if (!ok) failures++;
}

export const failed = () => failures;

export function serve(folder) {
  const types = { ".html": "text/html", ".js": "text/javascript", ".css": "text/css" };
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

// Debian's Chromium, or Debian's Firefox ESR over WebDriver BiDi.
export function launch(name) {
  if (name === "firefox")
    return puppeteer.launch({ browser: "firefox", executablePath: process.env.FIREFOX || "/usr/bin/firefox-esr",
                              headless: true });
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    args: ["--no-sandbox", "--headless", "--disable-gpu", "--disable-quic", "--no-first-run",
           "--disable-background-networking", "--disable-component-update", "--disable-sync",
           "--force-color-profile=srgb", "--hide-scrollbars"],
    userDataDir: fs.mkdtempSync(path.join(os.tmpdir(), "surf-chromium-")),
  });
}

// The export command's pictures and titles at a size, made once when first
// asked for: EXPORTS/PROGRAM-WxH/NN.png and titles.txt.
export class Exports {
  constructor(folder, commands) {
    this.folder = folder;
    this.commands = commands;
  }

  at(program, [w, h]) {
    const folder = path.join(this.folder, `${program}-${w}x${h}`);
    if (!fs.existsSync(path.join(folder, "titles.txt"))) {
      fs.mkdirSync(folder, { recursive: true });
      const titles = execFileSync(path.join(this.commands, `${program}-shots`), ["--size", `${w}x${h}`, "--out", folder],
                                    { stdio: ["ignore", "pipe", "pipe"] });
      fs.writeFileSync(path.join(folder, "titles.txt"), titles);
    }
    return folder;
  }

  picture(program, size, number) {
    return path.join(this.at(program, size), String(number).padStart(2, "0") + ".png");
  }

  titles(program, size) {
    return fs.readFileSync(path.join(this.at(program, size), "titles.txt"), "utf8").trim().split("\n");
  }
}

// PNG files are decoded by Chromium itself, in a page of its own, and
// compared there: `scale` device pixels per picture pixel.  The screenshot
// may be wider or higher by up to one picture pixel (the device pixels that
// hold no whole one), which must be black.  `visible`: the device pixels a
// screen has; at a fractional ratio a screenshot adds one row or column for
// the half device pixel at the edge, which Chromium fills with a copy of a
// near one, and which no screen shows.
export async function comparer(chromium) {
  const decoder = await chromium.newPage();
  return async (expectedFile, actual, scale = 1, frameFile = null, visible = null) => {
    const encode = data => Buffer.from(data).toString("base64");
    return decoder.evaluate(async (expected, actual, scale, frame, visible) => {
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
      const [width, height] = visible ? [Math.min(visible[0], got.width), Math.min(visible[1], got.height)] : [got.width, got.height];
      const spare = [width - want.width * scale, height - want.height * scale];
      if (spare.some(pixels => pixels < 0 || pixels > scale)) {
        result.differ = -1;
        return result;
      }
      const black = 0xff000000;
      for (let y = 0; y < height; ++y)
        for (let x = 0; x < width; ++x) {
          const inside = x < want.width * scale && y < want.height * scale;
          const w = inside ? want.data[Math.floor(y / scale) * want.width + Math.floor(x / scale)] : black;
          const g = got.data[y * got.width + x];
          if (g !== black) result.lit++;
          if (w !== black) result.litWanted++;
          if (bare && bare.data[y * got.width + x] !== black) result.litBare++;
          if (w === g) continue;
          result.differ++;
          if (g !== black) result.extra++;
          if (!result.first) result.first = [x, y, w.toString(16), g.toString(16)];
        }
      return result;
    }, encode(fs.readFileSync(expectedFile)), encode(actual), scale, frameFile ? encode(fs.readFileSync(frameFile)) : null, visible);
  };
}
