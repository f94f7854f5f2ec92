"""Mixed load against a running print service: listing, resolution,
printing small PNGs and preflights from several keep-alive connections.
Every answer is checked; the service's memory, threads and descriptors are
sampled. Prints one JSON summary.

usage: load.py PORT PID SECONDS CONNECTIONS LOGFILE"""
import base64
import json
import random
import socket
import sys
import threading
import time

from orvi_client import PRINTED, Answer, png, proc_figures, read_answer, request

port, pid, seconds, connections, logfile = (int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3]),
                                            int(sys.argv[4]), sys.argv[5])

LISTS = ["", "?onlyLocal=1", "?onlySupported=1", "?onlyLocal=1&onlyOnline=1&onlySupported=1"]
QUEUES = ["ORVI", "Q52 Label Printer", "ORVI300"]
IMAGES = [base64.b64encode(png(8 + i, 6 + i, level=17 * i)) for i in range(8)]


def expected_answers():
    """The answers taken once before the load; every later one must equal them."""
    expect = {}
    for q in LISTS:
        expect[("list", q)] = one_shot(request("POST", "/ovapi/GetPrinters" + q)).body
    for name in QUEUES:
        target = "/ovapi/GetPrinterResolution?printName=" + name.replace(" ", "+")
        expect[("res", name)] = one_shot(request("POST", target)).body
    return expect


def one_shot(raw):
    with socket.create_connection(("127.0.0.1", port), timeout=30) as s:
        s.sendall(raw)
        return read_answer(s, time.monotonic() + 30)


class Tally:
    def __init__(self):
        self.lock = threading.Lock()
        self.counts = {}
        self.failures = []
        self.prints = 0

    def add(self, kind, ok, detail=""):
        with self.lock:
            key = kind + (" ok" if ok else " FAILED")
            self.counts[key] = self.counts.get(key, 0) + 1
            if not ok and len(self.failures) < 20:
                self.failures.append("%s: %s" % (kind, detail))


def check(kind, answer, expect_body, expect_status=200):
    if answer is None:
        return False, "no answer"
    if answer.status != expect_status:
        return False, answer.status_line
    if not answer.has_cors():
        return False, "CORS headers missing: %r" % answer.headers
    if answer.body != expect_body:
        return False, "body %r" % answer.body[:200]
    return True, ""


def worker(number, stop_at, expect, tally):
    rnd = random.Random(number)
    sock = None
    while time.monotonic() < stop_at:
        pick = rnd.random()
        if pick < 0.3:
            q = rnd.choice(LISTS)
            kind, raw, want, status = "list", request("POST", "/ovapi/GetPrinters" + q, close=False), expect[("list", q)], 200
        elif pick < 0.6:
            name = rnd.choice(QUEUES)
            target = "/ovapi/GetPrinterResolution?printName=" + name.replace(" ", "+")
            kind, raw, want, status = "resolution", request("POST", target, close=False), expect[("res", name)], 200
        elif pick < 0.75:
            body = b"data:image/png;base64," + rnd.choice(IMAGES)
            kind, raw, want, status = "print", request("POST", "/ovapi/PrintImage?printName=ORVI", body,
                                                       "Content-Type: text/plain\r\n", close=False), PRINTED, 200
        else:
            path = rnd.choice(["GetPrinters", "PrintImage", "GetPrinterResolution"])
            kind, raw, want, status = "preflight", request("OPTIONS", "/ovapi/" + path, close=False), b"", 204
        try:
            if sock is None:
                sock = socket.create_connection(("127.0.0.1", port), timeout=30)
            sock.sendall(raw)
            answer = read_answer(sock, time.monotonic() + 30)
        except OSError as e:
            answer, sock = None, None
            tally.add(kind, False, repr(e))
            continue
        ok, detail = check(kind, answer, want, status)
        tally.add(kind, ok, detail)
        if kind == "print" and ok:
            with tally.lock:
                tally.prints += 1
        if answer is None or answer.headers.get("Connection") == "close":
            if sock is not None:
                sock.close()
            sock = None
    if sock is not None:
        sock.close()


def main():
    expect = expected_answers()
    tally = Tally()
    start = time.monotonic()
    stop_at = start + seconds
    threads = [threading.Thread(target=worker, args=(i, stop_at, expect, tally)) for i in range(connections)]
    for t in threads:
        t.start()
    samples = []
    interval = max(1.0, min(10.0, seconds / 60))
    while any(t.is_alive() for t in threads):
        fig = proc_figures(pid)
        fig["t"] = round(time.monotonic() - start, 1)
        samples.append(fig)
        time.sleep(interval)
    for t in threads:
        t.join()
    time.sleep(1.0)
    after = proc_figures(pid)
    after["t"] = round(time.monotonic() - start, 1)
    samples.append(after)
    elapsed = time.monotonic() - start
    total = sum(tally.counts.values())
    print(json.dumps({"seconds": round(elapsed, 1), "connections": connections, "requests": total,
                      "per_second": round(total / elapsed, 1), "counts": tally.counts,
                      "failures": tally.failures, "prints_answered": tally.prints,
                      "samples": samples, "expected": {"%s %s" % k: v.decode("latin-1") for k, v in expect.items()}}))


main()
