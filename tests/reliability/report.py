"""Writes docs/RELIABILITY.md from the results of scripts/reliability.

usage: report.py OUTDIR SOAK_SECONDS LSAN_SECONDS FUZZ_SECONDS CONNECTIONS [FUZZ_ONLY]"""
import datetime
import json
import os
import platform
import re
import sys

out, soak_s, lsan_s, fuzz_s, conns = sys.argv[1], *sys.argv[2:6]
fuzz_again = len(sys.argv) > 6 and sys.argv[6] != ""
failures = []
lines = []


def w(text=""):
    lines.append(text)


def read(name, default=""):
    path = os.path.join(out, name)
    return open(path, encoding="utf-8", errors="replace").read() if os.path.exists(path) else default


def cpu_model():
    for line in open("/proc/cpuinfo"):
        if line.startswith("model name"):
            return line.split(":", 1)[1].strip()
    return "unknown"


def mem_total():
    for line in open("/proc/meminfo"):
        if line.startswith("MemTotal"):
            return "%d MB" % (int(line.split()[1]) // 1024)
    return "unknown"


def load_section(name, title, judge_rss):
    data = json.loads(read(name + "-load.json", "{}") or "{}")
    if not data:
        failures.append("%s: no load results" % name)
        w("No results.")
        return
    starts, done = (int(x) for x in read(name + "-load.prints", "0 0").split())
    samples = data["samples"]
    warm = max(1, len(samples) // 5)
    after = samples[warm:-1] or samples[-1:]
    rss_warm, rss_end = samples[warm]["rss_kb"], samples[-2 if len(samples) > 1 else -1]["rss_kb"]
    rss_max = max(s["rss_kb"] for s in after)
    threads = sorted({s["threads"] for s in after})
    fds_before, fds_after = samples[0]["fds"], samples[-1]["fds"]
    fds_max = max(s["fds"] for s in after)
    exit_code = read(name + ".exit", "?").strip()
    counts = data["counts"]
    bad = sum(v for k, v in counts.items() if "FAILED" in k)
    w("| Figure | Value |")
    w("|---|---|")
    w("| Duration | %s s (asked for %s s) from %s connections |" % (data["seconds"], title, data["connections"]))
    w("| Requests | %d (%.1f per second), %d with a wrong or missing answer |" % (data["requests"], data["per_second"], bad))
    for k in sorted(counts):
        w("| %s | %d |" % (k, counts[k]))
    w("| Prints answered / started / completed (log lines) | %d / %d / %d |" % (data["prints_answered"], starts, done))
    w("| VmRSS after warm-up (%s s) / at end / highest after warm-up | %d / %d / %d kB |"
      % (samples[warm]["t"], rss_warm, rss_end, rss_max))
    w("| Peak resident (VmHWM) | %d kB |" % samples[-1]["peak_kb"])
    w("| Threads after warm-up | %s |" % ", ".join(map(str, threads)))
    w("| Descriptors before load / highest / after load | %d / %d / %d |" % (fds_before, fds_max, fds_after))
    w("| Exit status after SIGTERM | %s |" % exit_code)
    w()
    w("Samples (time s: VmRSS kB, threads, descriptors): " + "; ".join(
        "%s: %d, %d, %d" % (s["t"], s["rss_kb"], s["threads"], s["fds"])
        for s in samples[:: max(1, len(samples) // 12)] + samples[-1:]))
    w()
    for f in data["failures"]:
        w("- failure: `%s`" % f)
    if bad:
        failures.append("%s: %d answers wrong" % (name, bad))
    if not (data["prints_answered"] == starts == done):
        failures.append("%s: prints answered %d, started %d, completed %d" % (name, data["prints_answered"], starts, done))
    if judge_rss and rss_max - rss_warm > 2048:
        failures.append("%s: resident memory grew by %d kB after warm-up" % (name, rss_max - rss_warm))
    if len(threads) != 1:
        failures.append("%s: thread count changed: %s" % (name, threads))
    if fds_after > fds_before:
        failures.append("%s: descriptors %d before, %d after" % (name, fds_before, fds_after))
    if exit_code != "0":
        failures.append("%s: exit status %s after SIGTERM" % (name, exit_code))


def sanitizer_section(name):
    err = read(name + ".err")
    reports = [l for l in err.splitlines() if re.search(r"ERROR: (Leak|Address)Sanitizer|runtime error:", l)]
    if reports:
        failures.append("%s: sanitizer reports" % name)
        w("Sanitizer reports on quitting:")
        w()
        for r in reports[:10]:
            w("    " + r)
    else:
        w("No LeakSanitizer, AddressSanitizer or UndefinedBehaviorSanitizer report (standard error of the "
          "sanitize build, %d bytes, checked after the SIGTERM quit)." % len(err))
    w()


def bad_section():
    native = json.loads(read("native-bad.json", "[]") or "[]")
    sanitized = {r["case"]: r for r in json.loads(read("sanitize-bad.json", "[]") or "[]")}
    group = None
    for r in native:
        if r["group"] != group:
            group = r["group"]
            w()
            w("#### " + group[0].upper() + group[1:])
            w()
            w("| Case | Answer | Time | Log lines | Native | Sanitize |")
            w("|---|---|---|---|---|---|")
        s = sanitized.get(r["case"])
        verdict = lambda x: "missing" if x is None else ("pass" if x["ok"] else "FAIL: " + "; ".join(x["problems"]))
        log = " / ".join(l.replace("|", "\\|") for l in r["log"][-3:])
        w("| %s | %s | %.2f s | %s | %s | %s |" % (r["case"], r["answer"].replace("|", "\\|")[:90], r["seconds"],
                                                  log[:160], verdict(r), verdict(s)))
        if r.get("note"):
            w("| ↳ note | %s | | | | |" % r["note"])
        for x, build in ((r, "native"), (s, "sanitize")):
            if x is None or not x["ok"]:
                failures.append("bad input (%s): %s" % (build, r["case"]))
    big = [r for r in native if r["case"] == "100 MB body"]
    if big:
        w()
        w("The 100 MB body raised the native service's peak resident size to %d kB; after it the resident size "
          "was %d kB and stayed there for the rest of the cases (the allocator keeps freed memory)."
          % (big[0]["peak_kb"], big[0]["rss_kb"]))


def gtest_section(name):
    text = read(name)
    for l in text.splitlines():
        if re.match(r"\[ +(OK|FAILED) +\] \w+\.\w+", l):
            w("- `%s`" % l.strip())
    if "[  PASSED  ]" not in text or "FAILED" in text:
        failures.append("regression suite %s failed" % name)
    w()


def fuzz_section():
    w("| Target | Runs | Seconds | Result |")
    w("|---|---|---|---|")
    for target in ("payload", "request"):
        log = read("fuzz-%s.log" % target)
        m = re.search(r"Done (\d+) runs in (\d+) second", log)
        rc = read("fuzz-%s.exit" % target, "?").strip()
        w("| %s_fuzz | %s | %s | %s |" % (target, m.group(1) if m else "?", m.group(2) if m else "?",
                                         "no finding" if rc == "0" else "FINDING (exit %s)" % rc))
        if rc != "0":
            failures.append("fuzz %s exit %s" % (target, rc))


w("# Reliability record")
w()
w("Written by `scripts/reliability` (run on demand, not part of the test command). Re-run it to refresh "
  "this page; the raw results stay in `build/reliability`.")
w()
w("## Machine and run")
w()
started = datetime.datetime.fromtimestamp(os.path.getmtime(os.path.join(out, "settings")), datetime.timezone.utc)
w("- Date: %s" % started.strftime("%Y-%m-%d %H:%M UTC"))
w("- Machine: %s, %s, %d hardware threads, %s memory; load average when the run began: %s" % (
    platform.platform(), cpu_model(), os.cpu_count(), mem_total(), read("loadavg", "unknown").strip()))
w("- Command: `scripts/reliability --seconds %s --lsan-seconds %s --fuzz-seconds %s --connections %s`"
  % (soak_s, lsan_s, fuzz_s, conns))
if fuzz_again:
    w("- Fuzzing (section 3) was run again on %s with `scripts/reliability --fuzz-only --fuzz-seconds %s`, "
      "after the fixes its first run called for (see \"Found and fixed\")."
      % (datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"), fuzz_s))
w("- Service: the native `ORVIPrintService` (and the `sanitize` build of it) with the demonstration queues "
  "`ORVI` 306 dpi, `Q52 Label Printer` 203 dpi, `ORVI300` 300 dpi and `Office Laser` (network), "
  "`STANDIN_JOB_DIR` unset so printed jobs stay in memory, `STANDIN_JOB_LIMIT=16`.")
w()
summary_at = len(lines)
w()
w("## 1. Load and soak")
w()
w("Each connection sends, at random and keep-alive, `GetPrinters` with one of four flag sets (30 %), "
  "`GetPrinterResolution` for one of three queues (30 %), `PrintImage` of one of eight small grey PNGs "
  "(15 %) and a preflight on one of the three paths (25 %). The listing and resolution answers taken "
  "before the load are the expected bodies (checked: 4 and 3 queues, 306/203/300 dpi); every answer must "
  "have its status, the CORS headers and exactly the expected body. Every print answered must appear in "
  "the service log as started and completed. VmRSS, threads (`/proc/PID/task`) and descriptors "
  "(`/proc/PID/fd`) are sampled throughout; the first fifth of the run is the warm-up. The rate, about "
  "300 requests per second, is set by the delayed acknowledgements of keep-alive connections described "
  "in `docs/PERFORMANCE.md`, not by the service's work.")
w()
w("### Native build")
w()
load_section("native", soak_s, True)
w("### Sanitize build (AddressSanitizer, LeakSanitizer, UndefinedBehaviorSanitizer)")
w()
w("Resident memory is not judged here: AddressSanitizer keeps freed memory in quarantine. Leaks are "
  "judged by LeakSanitizer when the service quits on SIGTERM.")
w()
load_section("sanitize", lsan_s, False)
sanitizer_section("sanitize")
w("### Job record of the stand-in")
w()
w("The stand-in records every printed page in memory. Without a limit a long run grows with every "
  "print (a page of the demo queues is a few hundred kilobytes), which is the stand-in's record and "
  "not the service's memory. `STANDIN_JOB_LIMIT` (stand-in only) keeps the last N ended jobs; the "
  "campaigns use 16.")
w()
w("## 2. Bad input")
w()
w("Each case is sent to the running service (after the load above, same process); then the case checks "
  "the answer, the log lines the service wrote for it, that the process is alive, and that a good "
  "label is still answered and printed. The same cases run against the sanitize build.")
bad_section()
w()
w("### Detection side (GoogleTest, `detect_service/queues/hostile_machine_test.cpp`, in the test command)")
w()
gtest_section("detect.txt")
w("### Endpoint regression tests for what the campaign found (`print_service/api/printing_endpoints_test.cpp`)")
w()
gtest_section("endpoint.txt")
w("## 3. Fuzzing")
w()
w("`tests/fuzz/run_fuzz.sh payload` fuzzes the PrintImage body path (split, decode, save) and fails when "
  "`Base64Decode` gives other bytes than the byte-at-a-time reference decoder for any piece; "
  "`tests/fuzz/run_fuzz.sh request` sends raw request bytes to a server carrying the whole route table "
  "(the library's request parsing, routing, the three endpoints and the print job), one connection per "
  "input, and fails when the server keeps a connection past its time limits. Both run with "
  "AddressSanitizer, UndefinedBehaviorSanitizer and libFuzzer's leak check.")
w()
fuzz_section()
w()
w("## Found and fixed")
w()
w("- A `PrintImage` body that did not arrive whole (client stalled past the 5 s read timeout, hung up "
  "early, broken chunked or multipart body) was saved over the last image and a print job was started "
  "from it. Now it is neither saved nor printed; the log says \"PrintImage: the request body did not "
  "arrive whole; nothing printed.\" and the answer is 400 with the error page. Tests: "
  "`PrintingEndpointsTest.ABodyCutShortIsNeitherSavedNorPrinted`, "
  "`PrintingEndpointsTest.ABodyThatStallsIsRefusedAfterTheReadTimeout`.")
w("- The request fuzzer found that the native build's image decoder (stb_image, standing in for GDI+) "
  "took formats the platform's decoder does not read, among them a few bytes of PNM or TGA standing for a "
  "picture of 15000 x 15000 dots, which took gigabytes and seconds to decode and draw. The decoder now "
  "takes PNG, JPEG, BMP and GIF only (tests: `ImageFormat.OnlyThePlatformDecodersFormatsAreTaken`, "
  "`PrintLabelTest.NoImageToPrintEndsBeforeTheDocument`). A BMP header can still stand for such a "
  "picture (BMP is a platform format): about 10 s and 1.8 GB on the native build, so the request fuzzer "
  "allows 120 s per connection and 8 GB.")
w("- The request fuzzer's own client did not retry calls that libFuzzer's time-out signal interrupts "
  "(EINTR): one run stopped on an interrupted connect, and an interrupted receive let the next input start "
  "while the server still handled the last, so two large pictures were decoded at once. It now makes "
  "such calls again.")
w("- The stand-in's job record grew without bound under load: `STANDIN_JOB_LIMIT` / "
  "`standin::SetJobLimit` (test: `SpoolerGdiTest.JobLimitKeepsTheLastEndedJobs`).")
w()
w("## Known limits (outcomes of the HTTP library, recorded above)")
w()
w("- Each connection holds one of the 8 workers until it sends a request or the 5 s read timeout ends it. "
  "Idle connections beyond the pool delay other clients by about 5 s per 8 idle connections (50 idle: "
  "see the table). Browsers open at most 6 connections per host, so one page cannot do this alone.")
w("- The 5 s read timeout counts from the last byte received, so a client that trickles a byte every "
  "few seconds keeps its worker. Browsers send requests whole; only a program on the machine can do this.")
w("- A `PrintImage` body is read whole into memory (no size limit is set for it): a 100 MB body costs a "
  "few hundred megabytes at its peak, then the service carries on.")
w("- A header line without a colon is skipped by the library, not refused.")
w()
verdict = ("Verdict: all campaigns passed: no wrong answer, no lost print, no crash, no leak, flat memory, "
           "threads and descriptors." if not failures else "Verdict: FAILURES:\n\n" +
           "\n".join("- " + f for f in failures))
lines.insert(summary_at, verdict)
print("\n".join(lines))
