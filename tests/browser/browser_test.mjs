// Real-browser check: Debian's chromium, headless, loads the demo page from
// another origin (http://localhost:PORT) and runs its whole flow against the
// native ORVIPrintService on 127.0.0.1:6780. The printed page (the stand-in
// writes it at exit) must hold the label the page drew, one pixel per dot.
import { spawn, execFileSync } from "node:child_process";
import { createServer } from "node:http";
import { mkdtempSync, readFileSync, existsSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, dirname, extname } from "node:path";
import { fileURLToPath } from "node:url";
import { chromium } from "playwright-core";

const here = dirname(fileURLToPath(import.meta.url));
const root = join(here, "..", "..");
const serviceExe = process.env.ORVI_PRINT_SERVICE || join(root, "build/native/print_service/ORVIPrintService");
const demoDir = join(root, "demo");
const work = mkdtempSync(join(tmpdir(), "orvi-browser-"));

let passed = 0;
let failed = 0;
function check(what, ok, detail = "") {
  if (ok) { passed++; console.log("ok   - " + what); }
  else { failed++; console.log("FAIL - " + what + (detail ? "\n  " + detail : "")); }
}

function serveDemo() {
  const types = { ".html": "text/html", ".js": "text/javascript", ".css": "text/css" };
  const server = createServer((req, res) => {
    const path = new URL(req.url, "http://x").pathname;
    const file = join(demoDir, path === "/" ? "index.html" : path.slice(1));
    if (!file.startsWith(demoDir) || !existsSync(file)) { res.writeHead(404); res.end(); return; }
    res.writeHead(200, { "Content-Type": types[extname(file)] || "application/octet-stream" });
    res.end(readFileSync(file));
  });
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server)));
}

async function waitForService() {
  for (let i = 0; i < 100; i++) {
    try {
      await fetch("http://127.0.0.1:6780/", { redirect: "manual" });
      return true;
    } catch { await new Promise((r) => setTimeout(r, 100)); }
  }
  return false;
}

const service = spawn(serviceExe, [], {
  env: {
    ...process.env,
    STANDIN_QUEUES: "ORVI@306;Q52 Label Printer@203;Office Laser@600+network;Archive@300+offline",
    STANDIN_JOB_DIR: work,
    STANDIN_DRIVE_ROOT: join(work, "drive"),
  },
  stdio: ["ignore", "pipe", "inherit"],
});
let serviceLog = "";
service.stdout.on("data", (d) => { serviceLog += d.toString("latin1"); });
const serviceExit = new Promise((resolve) => service.on("exit", (code, signal) => resolve({ code, signal })));

const demo = await serveDemo();
const demoUrl = `http://localhost:${demo.address().port}/index.html`;
let browser;
try {
  check("the print service listens on 127.0.0.1:6780", await waitForService());
  browser = await chromium.launch({
    executablePath: "/usr/bin/chromium",
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync"],
  });
  const context = await browser.newContext();
  const page = await context.newPage();
  const pageErrors = [];
  page.on("pageerror", (e) => pageErrors.push(e.message));
  await page.goto(demoUrl);
  const log = () => page.locator("#log").textContent();

  await page.click("#list");
  await page.waitForFunction(() => /printer\(s\) listed|error/.test(document.getElementById("log").textContent));
  const all = await page.locator("#printers option").allTextContents();
  check("all four queues listed across origins (preflight passed)",
    JSON.stringify(all) === JSON.stringify(["ORVI", "Q52 Label Printer", "Office Laser", "Archive"]),
    JSON.stringify(all) + "\n" + await log());

  const filterCases = [
    [{ local: false, online: false, supported: true }, ["ORVI", "Q52 Label Printer"]],
    [{ local: true, online: false, supported: false }, ["ORVI", "Q52 Label Printer", "Archive"]],
    [{ local: false, online: true, supported: false }, ["ORVI", "Q52 Label Printer", "Office Laser"]],
    [{ local: true, online: true, supported: true }, ["ORVI", "Q52 Label Printer"]],
  ];
  for (const [flags, expected] of filterCases) {
    await page.setChecked("#only-local", flags.local);
    await page.setChecked("#only-online", flags.online);
    await page.setChecked("#only-supported", flags.supported);
    await page.evaluate(() => { document.getElementById("log").textContent = ""; });
    await page.click("#list");
    await page.waitForFunction(() => /listed|error/.test(document.getElementById("log").textContent));
    const names = await page.locator("#printers option").allTextContents();
    check(`filters ${JSON.stringify(flags)} list ${expected.join(", ")}`,
      JSON.stringify(names) === JSON.stringify(expected), JSON.stringify(names));
  }

  await page.selectOption("#printers", "ORVI");
  await page.click("#resolution");
  await page.waitForFunction(() => document.getElementById("x-dpi").textContent !== "–");
  check("resolution of ORVI shows 306 dpi", await page.locator("#x-dpi").textContent() === "306");
  check("page size shows the device's physical page",
    (await page.locator("#page-size").textContent()).startsWith("1224 × 1836"));

  await page.click("#draw");
  const drawn = await page.evaluate(() => document.getElementById("label").toDataURL("image/png"));
  writeFileSync(join(work, "drawn.png"), Buffer.from(drawn.split(",")[1], "base64"));
  const size = await page.locator("#label-size").textContent();
  check("label drawn at 306 dpi (50 × 30 mm = 602 × 361 dots)", size.startsWith("602 × 361"), size);

  await page.click("#print");
  await page.waitForFunction(() => /print request (accepted|refused)|error/.test(document.getElementById("log").textContent));
  check("print request accepted", (await log()).includes("print request accepted"), await log());
  check("no page errors", pageErrors.length === 0, pageErrors.join("\n"));
} catch (err) {
  check("browser flow ran to the end", false, err.stack);
} finally {
  if (browser) await browser.close();
  demo.close();
  service.kill("SIGTERM");
}

const exit = await serviceExit;
check("the service quits with code 0 on SIGTERM", exit.code === 0, JSON.stringify(exit));
const pagePng = join(work, "job1-page1.png");
const jobInfo = existsSync(join(work, "job1.txt")) ? readFileSync(join(work, "job1.txt"), "latin1") : "";
check("one job on ORVI named \"orvi label\"", jobInfo.includes("queue=ORVI\n") &&
  jobInfo.includes("document=orvi label\n"), jobInfo);
if (existsSync(pagePng)) {
  let out = "";
  try {
    out = execFileSync("/usr/bin/python3", [join(here, "compare_page.py"), join(work, "drawn.png"), pagePng],
      { encoding: "utf8" });
  } catch (err) { out = (err.stdout || "") + (err.stderr || ""); }
  check("the printed page holds the drawn label at (0, 0), one pixel per dot", out.trim() === "match", out);
} else {
  check("the printed page was recorded", false, "no " + pagePng + "\nservice log:\n" + serviceLog);
}
if (failed === 0) rmSync(work, { recursive: true, force: true });
else console.log(`the drawn label and the printed page stay in ${work}`);
console.log(`browser: ${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
