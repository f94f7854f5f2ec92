// Demo of the ORVI print service API: list queues, ask a resolution, draw a
// label at that resolution and print it. Plain browser JavaScript.
"use strict";

const params = new URLSearchParams(location.search);
const SERVICE = params.get("service") || "http://127.0.0.1:6780";
const $ = (id) => document.getElementById(id);
let resolution = null;  // the chosen queue's answer from GetPrinterResolution

function log(text) {
  $("log").textContent += text + "\n";
}

// Every call is a POST; the service answers JSON with status 200 and tells
// failures only in "statusCode". A rejected fetch means no service answered.
async function callApi(path, query, body) {
  const url = SERVICE + path + (query ? "?" + new URLSearchParams(query) : "");
  log("POST " + url);
  let response;
  try {
    response = await fetch(url, {
      method: "POST",
      // X-Requested-With makes the browser send a CORS preflight first,
      // as most page frameworks do; the service allows it.
      headers: { "Content-Type": "text/plain", "X-Requested-With": "XMLHttpRequest" },
      body: body === undefined ? "" : body,
    });
  } catch (err) {
    log("  service not reachable at " + SERVICE + " (is ORVIPrintService running?): " + err.message);
    throw err;
  }
  // Queue names come in the Windows ANSI code page (GBK on Chinese
  // systems), not UTF-8; ASCII reads the same either way.
  const text = new TextDecoder("gbk").decode(await response.arrayBuffer());
  log("  HTTP " + response.status + "\n" + text);
  if (!response.ok) throw new Error("HTTP " + response.status);
  return JSON.parse(text);
}

async function listPrinters() {
  const query = {};
  if ($("only-local").checked) query.onlyLocal = "1";
  if ($("only-online").checked) query.onlyOnline = "1";
  if ($("only-supported").checked) query.onlySupported = "1";
  const answer = await callApi("/ovapi/GetPrinters", query);
  const select = $("printers");
  select.innerHTML = "";
  for (const printer of answer.resultInfo.printers) {
    const option = document.createElement("option");
    option.value = option.textContent = printer.name;
    select.appendChild(option);
  }
  log(answer.resultInfo.printers.length + " printer(s) listed");
  $("resolution").disabled = select.options.length === 0;
  if (select.options.length > 0) select.selectedIndex = 0;
}

async function askResolution() {
  const name = $("printers").value;
  const answer = await callApi("/ovapi/GetPrinterResolution", { printName: name });
  if (answer.statusCode === "10002") {
    log("resolution failed: " + answer.resultInfo);
    return;
  }
  resolution = answer.resultInfo;
  $("x-dpi").textContent = resolution.xDPI;
  $("y-dpi").textContent = resolution.yDPI;
  $("page-size").textContent = resolution.physicalWidth + " × " + resolution.physicalHeight + " dots";
  $("print-quality").textContent = resolution.printQuality;
  $("draw").disabled = false;
}

// One image pixel is one printer dot: the canvas is the label's size in
// dots at the queue's resolution.
function drawLabel() {
  const mm = 25.4;
  const w = Math.round(($("label-width").value / mm) * resolution.xDPI);
  const h = Math.round(($("label-height").value / mm) * resolution.yDPI);
  const canvas = $("label");
  canvas.width = w;
  canvas.height = h;
  const ctx = canvas.getContext("2d");
  ctx.fillStyle = "#fff";
  ctx.fillRect(0, 0, w, h);
  ctx.fillStyle = "#000";
  const border = Math.max(2, Math.round(w / 100));
  ctx.fillRect(0, 0, w, border);
  ctx.fillRect(0, h - border, w, border);
  ctx.fillRect(0, 0, border, h);
  ctx.fillRect(w - border, 0, border, h);
  ctx.font = Math.round(h / 6) + "px sans-serif";
  ctx.fillText($("label-text").value, border * 4, Math.round(h / 3));
  // A barcode-like pattern: bars of one to three modules from the text's bytes.
  const module = Math.max(2, Math.round(resolution.xDPI / 100));
  let x = border * 4;
  const top = Math.round(h / 2);
  const bottom = h - border * 4;
  for (const ch of $("label-text").value) {
    const code = ch.charCodeAt(0);
    for (let bit = 0; bit < 4 && x < w - border * 4; bit++) {
      const width = module * (1 + ((code >> bit) & 1) * 2);
      ctx.fillRect(x, top, width, bottom - top);
      x += width + module * (1 + ((code >> (bit + 4)) & 1));
    }
  }
  $("label-size").textContent = w + " × " + h + " dots";
  $("print").disabled = false;
}

function loadImageFile() {
  const file = $("image-file").files[0];
  if (!file) return;
  const image = new Image();
  image.onload = () => {
    const canvas = $("label");
    canvas.width = image.naturalWidth;
    canvas.height = image.naturalHeight;
    canvas.getContext("2d").drawImage(image, 0, 0);
    $("label-size").textContent = canvas.width + " × " + canvas.height + " dots (from " + file.name + ")";
    $("print").disabled = false;
  };
  image.src = URL.createObjectURL(file);
}

// The body is a data URL: a header, one comma, the base64 PNG.
async function printLabel() {
  const dataUrl = $("label").toDataURL("image/png");
  const answer = await callApi("/ovapi/PrintImage", { printName: $("printers").value }, dataUrl);
  log(answer.statusCode === "10001" ? "print request accepted" : "print request refused");
}

function guard(fn) {
  return () => fn().catch((err) => log("error: " + err.message));
}

$("service-url").textContent = SERVICE;
$("list").addEventListener("click", guard(listPrinters));
$("resolution").addEventListener("click", guard(askResolution));
$("draw").addEventListener("click", drawLabel);
$("image-file").addEventListener("change", loadImageFile);
$("print").addEventListener("click", guard(printLabel));
