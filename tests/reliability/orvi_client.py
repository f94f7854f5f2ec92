"""Shared pieces of the reliability campaigns: raw HTTP exchanges with the
print service, the exact answers it gives, small PNG files and process
figures from /proc."""
import os
import socket
import struct
import time
import zlib

CORS = {
    "Access-Control-Allow-Headers": "Origin, X-Requested-With, Content-Type, Accept",
    "Access-Control-Allow-Methods": "GET, OPTIONS, POST, HEAD",
    "Access-Control-Allow-Origin": "*",
}
PRINTED = b'{\n\t"statusCode":\t"10001",\n\t"resultInfo":\t"hahah"\n}'


def error_body(message):
    return ('{\n\t"statusCode":\t"10002",\n\t"resultInfo":\t"%s"\n}' % message).encode()


def png(width, height, level=0, truncate=None):
    """A grey PNG of the given size (filter byte 0 per row)."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    row = b"\x00" + bytes([level]) * width
    raw = zlib.compress(row * height, 9)
    data = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 0, 0, 0, 0))
            + chunk(b"IDAT", raw) + chunk(b"IEND", b""))
    return data if truncate is None else data[:truncate]


class Answer:
    def __init__(self, raw):
        self.raw = raw
        head, _, self.body = raw.partition(b"\r\n\r\n")
        lines = head.decode("latin-1").split("\r\n")
        self.status_line = lines[0] if lines else ""
        parts = self.status_line.split(" ")
        self.status = int(parts[1]) if len(parts) > 1 and parts[1].isdigit() else 0
        self.headers = {}
        for line in lines[1:]:
            name, _, value = line.partition(":")
            self.headers[name.strip()] = value.strip()

    def has_cors(self):
        return all(self.headers.get(k) == v for k, v in CORS.items())


def read_answer(sock, deadline):
    """Reads one answer (headers plus Content-Length body) from `sock`."""
    data = b""
    while b"\r\n\r\n" not in data:
        sock.settimeout(max(0.1, deadline - time.monotonic()))
        piece = sock.recv(65536)
        if not piece:
            return Answer(data) if data else None
        data += piece
    answer = Answer(data)
    length = int(answer.headers.get("Content-Length", "0"))
    head_len = data.index(b"\r\n\r\n") + 4
    while len(data) - head_len < length:
        sock.settimeout(max(0.1, deadline - time.monotonic()))
        piece = sock.recv(65536)
        if not piece:
            break
        data += piece
    return Answer(data[:head_len + length])


def exchange(port, raw_request, timeout=30.0):
    """Sends `raw_request` on a new connection and reads one answer."""
    deadline = time.monotonic() + timeout
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as sock:
        sock.sendall(raw_request)
        return read_answer(sock, deadline)


def request(method, target, body=b"", headers="", close=True):
    head = "%s %s HTTP/1.1\r\nHost: 127.0.0.1\r\n%s" % (method, target, headers)
    if close:
        head += "Connection: close\r\n"
    if body or method == "POST":
        head += "Content-Length: %d\r\n" % len(body)
    return head.encode("latin-1") + b"\r\n" + body


def proc_figures(pid):
    """Resident memory (kB), threads and open descriptors of a process."""
    rss = hwm = 0
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                rss = int(line.split()[1])
            elif line.startswith("VmHWM:"):
                hwm = int(line.split()[1])
    return {"rss_kb": rss, "peak_kb": hwm, "threads": len(os.listdir("/proc/%d/task" % pid)),
            "fds": len(os.listdir("/proc/%d/fd" % pid))}


def log_size(path):
    return os.path.getsize(path)


def log_since(path, offset):
    with open(path, "rb") as f:
        f.seek(offset)
        return f.read()
