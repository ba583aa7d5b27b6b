// merong.html in headless Chromium: the same scenario as the terminal, the
// desktop and Wine, with the page's own clock and pixels.
import { describe, test } from "node:test";
import assert from "node:assert/strict";
import { COLOURS, GREETING, TIMEOUT, box, console_, dismiss, open, pixels, rgb, share, timeline }
  from "./browser.mjs";

const BROWSER = process.env.MERONG_BROWSER || "chrome";
// Chromium is driven through its DevTools protocol, which also tells what
// assistive technology is told and how much memory the page holds; Firefox
// through WebDriver BiDi, which tells neither.
const CDP = BROWSER === "chrome";
const TAUNT = "merong ddddd";

// Runs fn on the page, and closes the browser whatever happens; nothing may
// have gone wrong in the page meanwhile.
async function onPage(options, fn) {
  const session = await open({ ...options, browser: BROWSER });
  try {
    await fn(session.page);
    assert.deepEqual(session.problems, []);
  } finally {
    await session.close();
  }
}

// Waits until the console shows `text` in the colours given, over a
// background; returns a screenshot of that moment.
async function stage(page, { text, colour, background }) {
  await page.waitForFunction((t, c, b) => {
    const console = document.getElementById("console");
    const span = console.lastElementChild;
    return console.textContent === t && span && getComputedStyle(span).backgroundColor === c &&
      getComputedStyle(console).backgroundColor === b;
  // Looked at on each change of the page, not now and then: a stage lasts
  // two seconds, and a busy machine must not miss it.
  }, { timeout: TIMEOUT, polling: "mutation" }, text, rgb(COLOURS[colour]), rgb(COLOURS[background]));
  return pixels(page);
}

// Two Chromiums at a time, enough to overlap the page's pauses; one Firefox,
// whose screenshots take long enough on a busy machine to miss a stage.
describe("the page", { concurrency: CDP ? 2 : 1 }, () => {
  for (const [language, query, reads] of [
    ["ko-KR", "", GREETING.ko], ["en-US", "", GREETING.en], ["en-US", "?lang=ko", GREETING.ko],
  ]) {
    test(`greets a ${language} browser${query} in its code page`, () => onPage({ language, query }, async (page) => {
      const greeting = await box(page, 1);
      // A modal box named by its caption, with the text and one OK button,
      // which has the focus; the console behind it still empty.
      assert.deepEqual(greeting, { name: "Hello", caption: "Hello", text: reads,
        buttons: ["\u2715", "OK"], focused: "OK", modal: true });
      assert.equal((await console_(page)).text, "");
      if (process.env.MERONG_PICTURES && language === "ko-KR" && CDP)
        await page.screenshot({ path: `${process.env.MERONG_PICTURES}/web-greeting.png` });
      // So it is for assistive technology, too.
      if (!CDP) return;
      const tree = await page.accessibility.snapshot();
      const dialog = tree.children.find((node) => node.role === "dialog");
      assert.equal(dialog.name, "Hello");
      assert.equal(dialog.description, reads);
      assert.ok(dialog.modal);
      assert.ok(dialog.children.some((node) => node.role === "button" && node.name === "OK" && node.focused));
    }));
  }

  test("runs the whole sequence, each way to dismiss a box", () => onPage({}, async (page) => {
    await box(page, 1);
    await dismiss(page, "Enter");

    // Each taunt in bright white on the stage's colour, where the console's
    // cursor stands; each clear fills the whole console with that colour.
    let image = await stage(page, { text: TAUNT, colour: "blue", background: "black" });
    assert.ok(share(image, COLOURS.black) > 0.9, "the console still black around the taunt");
    assert.ok(share(image, COLOURS.blue, { x: 0, y: 0, width: 60, height: 20 }) > 0.3, "the taunt on blue");
    for (const [colour, background] of [["green", "blue"], ["dark yellow", "green"]]) {
      image = await stage(page, { text: TAUNT, colour, background });
      assert.ok(share(image, COLOURS[background]) > 0.95, `the console ${background} throughout`);
      assert.ok(share(image, COLOURS[colour], { x: 0, y: 0, width: 60, height: 20 }) > 0.3,
        `the taunt on ${colour}`);
    }
    const merong = await box(page, 2);
    assert.equal(merong.text, "merong");
    const console = await console_(page);
    assert.equal(console.text, "");
    assert.equal(console.background, rgb(COLOURS["dark yellow"]));
    image = await pixels(page);
    assert.ok(share(image, COLOURS["dark yellow"]) > 0.7, "the box over a dark yellow console");

    // The three stages take their three pauses, no less.
    const [greeting, first] = await timeline(page);
    assert.ok(first.shown - greeting.gone >= 6000, `stages took ${first.shown - greeting.gone} ms`);

    let count = 2;
    for (const how of ["Enter", "Space", "Escape", "click OK", "close"]) {
      await dismiss(page, how);
      assert.equal((await box(page, ++count)).text, "merong", how);
    }
  }));

  test("takes 200 dismissals in a row and holds no more for them", () => onPage({}, async (page) => {
    const client = CDP ? await page.createCDPSession() : null;
    const held = async () => {
      let heap = 0;
      if (client) {
        await client.send("HeapProfiler.collectGarbage");
        heap = (await page.metrics()).JSHeapUsedSize;
      }
      const elements = await page.evaluate(() => document.getElementsByTagName("*").length);
      return { heap, elements };
    };
    await box(page, 1);
    await dismiss(page, "Enter");
    await box(page, 2);
    let first;
    for (let n = 3; n <= 202; n++) {
      await dismiss(page, "Enter");
      await box(page, n);
      if (n === 22) first = await held();
    }
    const last = await held();
    assert.equal(last.elements, first.elements);
    assert.ok(last.heap - first.heap < 256 * 1024, `heap grew by ${last.heap - first.heap} bytes`);
    // The program's memory is what it was given: it never grows.
    assert.equal(await page.evaluate(() => wasmMemory.buffer.byteLength), 1024 * 1024);
  }));
});
