// How fast merong.html shows its boxes in headless Chromium, by the page's
// own clock (from the moment the page is opened), and what it weighs; the
// median of a few runs, each in a browser of its own. Floor: a page that
// shows a <dialog> at once and does nothing else. Run from tests/web, where
// puppeteer-core is.
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { gzipSync } from "node:zlib";
import { PAGE, box, dismiss, open, timeline } from "../tests/web/browser.mjs";

const RUNS = Number(process.argv[2] || 5);
const median = (values) => values.sort((a, b) => a - b)[Math.floor(values.length / 2)];

async function measure(path, sequence) {
  const figures = { first: [], stages: [], next: [] };
  let memory;
  for (let run = 0; run < RUNS; run++) {
    const session = await open({ path });
    try {
      const { page } = session;
      await page.waitForFunction(() => window.__boxes.length && window.__boxes[0].painted);
      if (sequence) {
        await box(page, 1);
        await dismiss(page, "Enter");
        await box(page, 2);
        for (let n = 3; n <= 12; n++) {
          await dismiss(page, "Enter");
          await box(page, n);
        }
        await page.waitForFunction(() => window.__boxes[11].painted);
        memory = await page.evaluate(() => wasmMemory.buffer.byteLength);
      }
      const boxes = await timeline(page);
      figures.first.push(boxes[0].painted);
      if (sequence) {
        figures.stages.push(boxes[1].painted - boxes[0].gone);
        for (let n = 2; n < boxes.length; n++) figures.next.push(boxes[n].painted - boxes[n - 1].gone);
      }
    } finally {
      await session.close();
    }
  }
  return { first: median(figures.first), stages: median(figures.stages), next: median(figures.next), memory };
}

const folder = mkdtempSync(join(tmpdir(), "merong-floor-"));
const floorPage = join(folder, "floor.html");
writeFileSync(floorPage, "<!DOCTYPE html><html><head><meta charset=utf-8><title>floor</title></head><body>" +
  "<script>var d = document.createElement('dialog'); d.textContent = 'merong'; document.body.append(d);" +
  " d.showModal();</script></body></html>");
const floor = await measure(floorPage, false);
rmSync(folder, { recursive: true });
const ours = await measure(PAGE, true);

const page = readFileSync(PAGE);
const ms = (v) => (v === undefined || Number.isNaN(v) ? "" : `${v.toFixed(2)} ms`);
const rows = [
  ["page opened (file://) -> first box on screen", ms(ours.first), ms(floor.first), "<= 50 ms"],
  ["greeting dismissed -> first \"merong\" box", ms(ours.stages), "", "<= 6010 ms"],
  ["dismissal -> next box on screen", ms(ours.next), "", "<= 16 ms"],
  ["merong.html", `${(page.length / 1024).toFixed(1)} KiB`, "", "<= 64 KiB"],
  ["merong.html, gzipped", `${(gzipSync(page, { level: 9 }).length / 1024).toFixed(1)} KiB`, "", ""],
  ["WebAssembly memory", `${(ours.memory / 1048576).toFixed(2)} MiB`, "", "<= 2 MiB"],
];
console.log(`\nmerong.html in headless Chromium, a new browser each run, median of ${RUNS} (by the ` +
  "page's clock);\nfloor: a page that shows a <dialog> at once and nothing else\n");
console.log("| figure                                       |          page |         floor | goal |");
console.log("|----------------------------------------------|---------------|---------------|------|");
for (const [label, value, base, goal] of rows)
  console.log(`| ${label.padEnd(44)} | ${value.padStart(13)} | ${base.padStart(13)} | ${goal} |`);
