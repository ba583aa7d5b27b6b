// merong.html in a real browser: Debian's Chromium (or Firefox ESR), driven
// by puppeteer-core, with what a user sees read off the page and its pixels.
import { inflateSync } from "node:zlib";
import { pathToFileURL } from "node:url";
import puppeteer from "puppeteer-core";

export const PAGE = process.env.MERONG_HTML;
export const GREETING = { ko: "당신은...", en: "´ç½ÅÀº..." };

// The Windows console's colours, as the page draws them.
export const COLOURS = {
  black: [0x0c, 0x0c, 0x0c], blue: [0x00, 0x37, 0xda], green: [0x13, 0xa1, 0x0e],
  "dark yellow": [0xc1, 0x9c, 0x00], "bright white": [0xf2, 0xf2, 0xf2],
};

const CHROMIUM = ["--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
  "--disable-component-update", "--disable-sync", "--disable-features=Translate"];

// Bounds every wait: nothing here may hang.
export const TIMEOUT = 20000;

// Notes, from before the page's own script runs, when each box comes and
// goes (by the page's clock) and how many elements the page has.
function watch() {
  window.__boxes = [];
  new MutationObserver((changes) => {
    for (const change of changes) {
      for (const node of change.addedNodes)
        if (node.nodeName === "DIALOG") {
          // In the page now; on the screen with the next frame.
          const box = { shown: performance.now() };
          window.__boxes.push(box);
          requestAnimationFrame(() => { box.painted = performance.now(); });
        }
      for (const node of change.removedNodes)
        if (node.nodeName === "DIALOG") window.__boxes[window.__boxes.length - 1].gone = performance.now();
    }
  }).observe(document, { childList: true, subtree: true });
}

// A browser whose language is `language`, showing the page (with `query`),
// 800x500. Everything that goes wrong in the page is kept in `problems`.
export async function open({ language = "ko-KR", query = "", browser = "chrome", path = PAGE } = {}) {
  const launched = await puppeteer.launch(browser === "firefox"
    ? { browser: "firefox", executablePath: "/usr/bin/firefox-esr", headless: true,
        extraPrefsFirefox: { "intl.accept_languages": language } }
    : { executablePath: process.env.CHROMIUM || "/usr/bin/chromium", headless: true,
        args: [...CHROMIUM, `--accept-lang=${language}`] });
  const page = await launched.newPage();
  const problems = [];
  const url = pathToFileURL(path).href;
  page.on("console", (m) => { if (m.type() === "error" || m.type() === "warn") problems.push(`console: ${m.text()}`); });
  page.on("pageerror", (e) => problems.push(`error: ${e.message}`));
  page.on("request", (r) => {
    // The page itself, and the program it carries (a data: URL): nothing else.
    if (r.url() !== url + query && !r.url().startsWith("data:")) problems.push(`request: ${r.url()}`);
  });
  await page.setViewport({ width: 800, height: 500 });
  await page.evaluateOnNewDocument(watch);
  await page.goto(url + query);
  return { browser: launched, page, problems, close: () => launched.close() };
}

// Waits for the count-th box; returns what it shows and how it is made.
export async function box(page, count) {
  await page.waitForFunction((n) => window.__boxes.length >= n && document.querySelector("dialog[open]"),
    { timeout: TIMEOUT }, count);
  return page.evaluate(() => {
    const dialog = document.querySelector("dialog[open]");
    const label = document.getElementById(dialog.getAttribute("aria-labelledby"));
    const buttons = [...dialog.querySelectorAll("button")];
    return {
      name: label && label.textContent, caption: dialog.querySelector(".caption").textContent,
      text: dialog.querySelector(".text").textContent, buttons: buttons.map((b) => b.textContent),
      focused: document.activeElement && document.activeElement.textContent,
      modal: dialog.matches(":modal"),
    };
  });
}

// Dismisses the box that is up: a key, or a click on OK or on the close mark.
export async function dismiss(page, how) {
  if (how === "click OK" || how === "close") {
    await page.click(how === "click OK" ? "dialog[open] .ok" : "dialog[open] .close");
  } else {
    // (The space bar by its character, which both browsers know.)
    await page.keyboard.press(how === "Space" ? " " : how);
  }
}

export async function timeline(page) {
  return page.evaluate(() => window.__boxes);
}

// The console's text, and its colours as the page computes them.
export async function console_(page) {
  return page.evaluate(() => {
    const console = document.getElementById("console");
    return { text: console.textContent, background: getComputedStyle(console).backgroundColor,
      spans: [...console.children].map((s) => ({ text: s.textContent, color: getComputedStyle(s).color,
        background: getComputedStyle(s).backgroundColor })) };
  });
}

export function rgb([r, g, b]) {
  return `rgb(${r}, ${g}, ${b})`;
}

// A screenshot as pixels: { width, height, at(x, y) -> [r, g, b] }.
export async function pixels(page) {
  return decodePng(Buffer.from(await page.screenshot({ type: "png" })));
}

// The share of pixels in a rectangle that have a colour.
export function share(image, colour, { x = 0, y = 0, width = image.width, height = image.height } = {}) {
  let hits = 0;
  for (let j = y; j < y + height; j++)
    for (let i = x; i < x + width; i++) {
      const p = image.at(i, j);
      if (p.every((v, k) => Math.abs(v - colour[k]) <= 2)) hits++;
    }
  return hits / (width * height);
}

// PNG, as a browser writes it: 8 bits a sample, RGB or RGBA, not interlaced.
function decodePng(png) {
  let width, height, channels, data = [];
  for (let at = 8; at < png.length;) {
    const length = png.readUInt32BE(at), type = png.toString("ascii", at + 4, at + 8);
    const body = png.subarray(at + 8, at + 8 + length);
    if (type === "IHDR") {
      width = body.readUInt32BE(0); height = body.readUInt32BE(4);
      if (body[8] !== 8 || body[12] !== 0) throw new Error("unexpected PNG");
      channels = { 2: 3, 6: 4 }[body[9]];
    } else if (type === "IDAT") data.push(body);
    at += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(data)), stride = width * channels;
  const out = Buffer.alloc(height * stride);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)], row = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let i = 0; i < stride; i++) {
      const a = i >= channels ? out[y * stride + i - channels] : 0;
      const b = y > 0 ? out[(y - 1) * stride + i] : 0;
      const c = y > 0 && i >= channels ? out[(y - 1) * stride + i - channels] : 0;
      const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
      const predictor = [0, a, b, (a + b) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? b : c][filter];
      out[y * stride + i] = (row[i] + predictor) & 0xff;
    }
  }
  return { width, height, at: (x, y) => [...out.subarray((y * width + x) * channels, (y * width + x) * channels + 3)] };
}
