"""Bad input against a running print service. Each case sends something a
page (or anything on the machine) could send and checks the answer, the
log lines the service wrote for it, that the service is still alive and
that it still answers and prints afterwards. Prints one JSON list.

usage: bad_input.py PORT PID LOGFILE"""
import base64
import json
import os
import socket
import sys
import threading
import time

from orvi_client import PRINTED, error_body, exchange, log_size, log_since, png, proc_figures, read_answer, request

port, pid, logfile = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]

PRINTED_LINE = "打印顺利完成了".encode("gbk")
OPEN_FAILED = "无法打开打印机: ".encode("gbk")
NOT_LOADED = b"Could not load the image tempOV.JPG; nothing printed."
ERROR_400 = b"<p>Error Status: <span style='color:red;'>400</span></p>"
RESOLUTION_ORVI = (b'{\n\t"resultInfo":\t{\n\t\t"xDPI":\t306,\n\t\t"yDPI":\t306,\n\t\t"physicalWidth":\t1224,'
                   b'\n\t\t"physicalHeight":\t1836,\n\t\t"printQuality":\t306\n\t}\n}')
results = []


def printed_count():
    return log_since(logfile, 0).count(PRINTED_LINE)


def print_request(body, query="?printName=ORVI"):
    return request("POST", "/ovapi/PrintImage" + query, body, "Content-Type: text/plain\r\n")


def b64_body(data):
    return b"data:image/png;base64," + base64.b64encode(data)


def still_serving():
    """The service is alive, answers, and a good label still prints."""
    try:
        os.kill(pid, 0)
    except OSError:
        return "service is gone"
    before = printed_count()
    a = exchange(port, print_request(b64_body(png(10, 10, 40))))
    if a is None or a.body != PRINTED:
        return "a good print afterwards was not answered"
    time.sleep(0.05)
    if printed_count() != before + 1:
        return "a good print afterwards was not printed"
    return ""


def case(group, what, send, expect_status=None, expect_body=None, log_has=(), log_lacks=(), check=None):
    offset = log_size(logfile)
    started = time.monotonic()
    problems = []
    try:
        answer = send()
    except OSError as e:
        answer = None
        problems.append("exchange failed: %r" % e)
    took = time.monotonic() - started
    time.sleep(0.05)
    log = log_since(logfile, offset)
    if expect_status is not None and (answer is None or answer.status != expect_status):
        problems.append("status %s, wanted %s" % (answer.status_line if answer else "none", expect_status))
    if expect_body is not None and (answer is None or answer.body != expect_body):
        problems.append("body %r" % (answer.body[:120] if answer else None))
    for line in log_has:
        if line not in log:
            problems.append("log lacks %r" % line.decode("gbk", "replace"))
    for line in log_lacks:
        if line in log:
            problems.append("log has %r" % line.decode("gbk", "replace"))
    if check:
        extra = check(answer, log, took)
        if extra:
            problems.append(extra)
    alive = still_serving()
    if alive:
        problems.append(alive)
    outcome = (answer.status_line if answer else "no answer") + ("" if not answer or not answer.body else
                                                               " " + answer.body[:60].decode("latin-1").replace("\n", " ").replace("\t", ""))
    fig = proc_figures(pid)
    results.append({"group": group, "case": what, "ok": not problems, "problems": problems, "peak_kb": fig["peak_kb"],
                    "answer": outcome, "seconds": round(took, 2), "rss_kb": fig["rss_kb"],
                    "log": [l.decode("gbk", "replace") for l in log.split(b"\n") if l.strip()][:6]})


def send(raw, timeout=30.0):
    return lambda: exchange(port, raw, timeout)


def resolution(query):
    return send(request("POST", "/ovapi/GetPrinterResolution" + query))


# PrintImage bodies and images
P = "PrintImage body"
case(P, "0 bytes", send(print_request(b"")), 200, PRINTED, [b" pic data is empty "])
case(P, "no comma", send(print_request(b"iVBORw0KGgoAAAANSUhEUg")), 200, PRINTED, [b" pic data is empty "])
case(P, "non-base64 bytes", send(print_request(b"data:,\xff\x00\x80!!**@@~~\r\n")), 200, PRINTED,
     [b"Picture file is saved to tempOV.JPG.", NOT_LOADED], [PRINTED_LINE])
big = b"data:image/png;base64," + b"A" * (100 * 1024 * 1024)
case(P, "100 MB body", send(print_request(big), 120), 200, PRINTED, [NOT_LOADED], [PRINTED_LINE])
del big
case(P, "truncated PNG", send(print_request(b64_body(png(40, 40, 9, truncate=50)))), 200, PRINTED, [NOT_LOADED],
     [PRINTED_LINE])
case(P, "not an image", send(print_request(b64_body(b"GIF89a but not really an image at all"))), 200, PRINTED,
     [NOT_LOADED], [PRINTED_LINE])
case(P, "1 x 1 image (under a tenth of a millimetre of paper)", send(print_request(b64_body(png(1, 1, 0)))), 200,
     PRINTED, [b"Image of 1 x 1 pixels has no paper size; nothing printed."], [PRINTED_LINE])
case(P, "2 x 2 image", send(print_request(b64_body(png(2, 2, 0)))), 200, PRINTED, [PRINTED_LINE])
case(P, "40000 x 4 image", send(print_request(b64_body(png(40000, 4, 0)))), 200, PRINTED,
     [b"Image of 40000 x 4 pixels has no paper size; nothing printed."], [PRINTED_LINE])
case(P, "multipart body (never carries the image)",
     send(request("POST", "/ovapi/PrintImage?printName=ORVI",
                  b"--b\r\nContent-Disposition: form-data; name=\"f\"\r\n\r\nxyz\r\n--b--\r\n",
                  "Content-Type: multipart/form-data; boundary=b\r\n")), 200, PRINTED, [b"start print"])

# Printer names, for both endpoints
N = "printer name"
names = [
    ("300 characters", "A" * 300),
    ("path separators", "..%5C..%5CWindows%5Cwin"),
    ("forward slashes", "../../etc/ORVI"),
    ("non-ASCII bytes", "%B4%F2%D3%A1%FF%FE%80"),
    ("a NUL first", "%00ORVI"),
]
for label, value in names:
    required = label == "a NUL first"
    case(N, "GetPrinterResolution, " + label, resolution("?printName=" + value), 200,
         error_body("Printer name is required" if required else "Failed to open printer"))
for label, value in names[:4]:
    case(N, "PrintImage, " + label, send(print_request(b64_body(png(10, 10)), "?printName=" + value)), 200, PRINTED,
         [OPEN_FAILED], [PRINTED_LINE])
case(N, "GetPrinterResolution, NUL after the name", resolution("?printName=ORVI%00junk"), 200, RESOLUTION_ORVI)
case(N, "PrintImage, a NUL first (an empty name that is not missing: no queue)",
     send(print_request(b64_body(png(10, 10)), "?printName=%00junk")), 200, PRINTED, [OPEN_FAILED], [PRINTED_LINE])
case(N, "PrintImage, NUL after the name", send(print_request(b64_body(png(10, 10)), "?printName=ORVI%00junk")), 200,
     PRINTED, [PRINTED_LINE])

# Malformed requests
M = "malformed request"
case(M, "not HTTP at all", send(b"GARBAGE\r\n\r\n"), 400, ERROR_400)
case(M, "binary bytes", send(b"\x00\xff\xfe\x01\r\n\r\n"), 400, ERROR_400)
case(M, "request line without a version", send(b"POST /ovapi/GetPrinters\r\n\r\n"), 400, ERROR_400)
case(M, "HTTP/2.0 version", send(b"POST /ovapi/GetPrinters HTTP/2.0\r\n\r\n"), 400, ERROR_400)
case(M, "header line without a colon (the library skips it)",
     send(b"OPTIONS /ovapi/GetPrinters HTTP/1.1\r\nHost 127.0.0.1\r\n\r\n"), 204, b"")
case(M, "request line of 100 KB", send(b"GET /" + b"a" * 100000 + b" HTTP/1.1\r\n\r\n"),
     check=lambda a, log, t: "" if a is None or a.status in (400, 414) else "answered %s" % a.status_line)
case(M, "header of 100 KB", send(b"OPTIONS /ovapi/GetPrinters HTTP/1.1\r\nX: " + b"b" * 100000 + b"\r\n\r\n"),
     check=lambda a, log, t: "" if a is None or a.status in (400, 431) else "answered %s" % a.status_line)
case(M, "10000 header lines", send(b"OPTIONS /ovapi/GetPrinters HTTP/1.1\r\n" + b"X: y\r\n" * 10000 + b"\r\n"),
     check=lambda a, log, t: "" if a is None or a.status in (204, 400, 431) else "answered %s" % a.status_line)
case(M, "Content-Length not a number",
     send(b"POST /ovapi/GetPrinters HTTP/1.1\r\nContent-Length: abc\r\nConnection: close\r\n\r\n"),
     check=lambda a, log, t: "" if a is not None and a.status in (200, 400) else "no clear answer")
case(M, "Content-Length -1",
     send(b"POST /ovapi/PrintImage HTTP/1.1\r\nContent-Length: -1\r\nConnection: close\r\n\r\n"),
     check=lambda a, log, t: "" if a is not None and a.status in (200, 400) else "no clear answer")
case(M, "bad chunk size",
     send(b"POST /ovapi/PrintImage HTTP/1.1\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\nzz\r\nabc\r\n0\r\n\r\n"),
     check=lambda a, log, t: "" if a is None or a.status in (200, 400) else "answered %s" % a.status_line)


# Slow clients and idle connections
S = "slow and idle clients"


def stalled_headers():
    """Half a request line, then silence: the 5 s read timeout must end it."""
    s = socket.create_connection(("127.0.0.1", port))
    s.sendall(b"OPTIONS /ovapi/GetPr")
    start = time.monotonic()
    s.settimeout(15)
    try:
        data = s.recv(65536)
    except OSError:
        data = None
    took = time.monotonic() - start
    s.close()
    if data is None or not 4.0 <= took <= 8.0:
        raise OSError("stalled request not ended after 5 s (%.1f s)" % took)
    return None


case(S, "request line stops halfway", stalled_headers)


def trickle(seconds):
    """A header byte every 0.5 s: the timeout counts from the last byte, so
    the worker stays held while the client keeps trickling."""
    def run():
        s = socket.create_connection(("127.0.0.1", port))
        start = time.monotonic()
        held = True
        try:
            s.sendall(b"OPTIONS /ovapi/GetPrinters HTTP/1.1\r\nX-Slow: ")
            while time.monotonic() - start < seconds:
                s.sendall(b"z")
                time.sleep(0.5)
            s.sendall(b"\r\n\r\n")
            a = read_answer(s, time.monotonic() + 10)
            held = a is not None and a.status == 204
        except OSError:
            held = False
        s.close()
        run.held = held
        return None
    return run


runner = trickle(12)
case(S, "headers trickled one byte every 0.5 s for 12 s", runner)
results[-1]["answer"] = "connection still served after 12 s" if runner.held else "connection cut off"
results[-1]["note"] = "limitation of the library: the 5 s limit applies between bytes, not to the whole request"


def stalled_body():
    s = socket.create_connection(("127.0.0.1", port))
    body = b64_body(png(20, 20, 3))
    s.sendall(print_request(body)[:-len(body) // 2])
    a = read_answer(s, time.monotonic() + 15)
    s.close()
    return a


case(S, "PrintImage body stalls halfway", stalled_body, 400, ERROR_400,
     [b"PrintImage: the request body did not arrive whole; nothing printed."], [PRINTED_LINE, b"start print"],
     check=lambda a, log, t: "" if 4.0 <= t <= 8.0 else "answered after %.1f s" % t)


def idle_connections(count):
    def run():
        idle = [socket.create_connection(("127.0.0.1", port)) for _ in range(count)]
        time.sleep(0.2)
        start = time.monotonic()
        a = exchange(port, request("OPTIONS", "/ovapi/GetPrinters"), 60)
        took = time.monotonic() - start
        for s in idle:
            s.close()
        if a is None or a.status != 204:
            raise OSError("no answer beside idle connections")
        run.took = took
        return None
    return run


for count in (4, 50):
    runner = idle_connections(count)
    case(S, "%d idle connections held open, then one request" % count, runner)
    results[-1]["answer"] = "answered after %.1f s" % runner.took
    limit = 1.0 if count < 8 else 60
    if count >= 8:
        results[-1]["note"] = ("limitation of the library: each connection holds one of the 8 workers until it "
                               "sends a request or its 5 s read timeout ends it")
    if runner.took > limit:
        results[-1]["ok"] = False
        results[-1]["problems"].append("waited %.1f s" % runner.took)

print(json.dumps(results))
