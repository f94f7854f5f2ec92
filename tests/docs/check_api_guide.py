"""Checks that every exchange in docs/API.md is what the service sends.

An exchange is a fenced block ```http holding a request, followed by a
fenced block ```http holding the answer. The request is sent as written
(lines joined with CRLF, a blank line, then any body); the answer must come
back byte for byte: head lines joined with CRLF, the blank line, the body
with its TABs and LF line ends and no line end after the last line.

A comment `<!-- check: NAME=VALUE ... -->` before a request starts the
service for that exchange with those environment variables added.

Usage: check_api_guide.py SERVICE_BINARY API_MD
Prints one line per exchange and "docs: N passed, N failed".
"""
import os
import re
import shlex
import socket
import subprocess
import sys
import tempfile
import time

BASE_ENV = {"STANDIN_QUEUES": "ORVI@306;Q52 Label Printer@203;Office Laser@600+network"}


def exchanges(markdown):
    blocks = []
    pending_env = {}
    pattern = re.compile(r"<!-- check: (.*?) -->|```http\n(.*?)```", re.S)
    for match in pattern.finditer(markdown):
        if match.group(1) is not None:
            pending_env = dict(kv.split("=", 1) for kv in shlex.split(match.group(1)))
            continue
        blocks.append((match.group(2), pending_env))
        pending_env = {}
    pairs = []
    for i in range(0, len(blocks) - 1):
        text, env = blocks[i]
        answer, _ = blocks[i + 1]
        if not text.startswith("HTTP/") and answer.startswith("HTTP/"):
            pairs.append((text, answer, env))
    return pairs


def wire_request(text):
    head, _, body = text.partition("\n\n")
    return ("\r\n".join(head.rstrip("\n").split("\n")) + "\r\n\r\n" + body.rstrip("\n")).encode("latin-1")


def wire_answer(text):
    head, _, body = text.partition("\n\n")
    return ("\r\n".join(head.rstrip("\n").split("\n")) + "\r\n\r\n" + body.rstrip("\n")).encode("latin-1")


def exchange(request):
    with socket.create_connection(("127.0.0.1", 6780), timeout=10) as s:
        s.sendall(request)
        out = b""
        while True:
            data = s.recv(65536)
            if not data:
                return out
            out += data


def start_service(binary, env_extra):
    env = dict(os.environ)
    env.update(BASE_ENV)
    env.update(env_extra)
    env["STANDIN_DRIVE_ROOT"] = tempfile.mkdtemp(prefix="orvi-docs-")
    proc = subprocess.Popen([binary], env=env, stdout=subprocess.DEVNULL)
    for _ in range(100):
        try:
            socket.create_connection(("127.0.0.1", 6780), timeout=1).close()
            return proc
        except OSError:
            time.sleep(0.1)
    proc.kill()
    raise RuntimeError("service did not start")


def main():
    binary, guide = sys.argv[1], sys.argv[2]
    pairs = exchanges(open(guide, encoding="utf-8").read())
    passed = failed = 0
    for request_text, answer_text, env in pairs:
        proc = start_service(binary, env)
        try:
            got = exchange(wire_request(request_text))
        finally:
            proc.terminate()
            proc.wait(10)
        want = wire_answer(answer_text)
        first = request_text.split("\n", 1)[0]
        if got == want:
            passed += 1
            print("ok   - " + first)
        else:
            failed += 1
            print("FAIL - " + first)
            print("  expected: " + repr(want))
            print("  actual:   " + repr(got))
    if not pairs:
        failed += 1
        print("FAIL - no exchanges found in " + guide)
    print(f"docs: {passed} passed, {failed} failed")
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
