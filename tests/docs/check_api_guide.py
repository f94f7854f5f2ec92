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


def shell_examples(markdown):
    return [b for b in re.findall(r"```sh\n(.*?)```", markdown, re.S) if "curl " in b]


def check_shell_example(binary, script):
    """Runs a curl example against the service in a folder holding a small
    label.png; every call must get its JSON answer and the label must print."""
    from PIL import Image

    work = tempfile.mkdtemp(prefix="orvi-docs-sh-")
    Image.new("L", (24, 12), 0).save(os.path.join(work, "label.png"))
    proc = start_service(binary, {"STANDIN_JOB_DIR": work})
    try:
        out = subprocess.run(["bash", "-c", script], cwd=work, capture_output=True, timeout=30).stdout
    finally:
        proc.send_signal(2)  # SIGINT: the service quits and writes its pages
        proc.wait(10)
    wanted = [b'"printers":', b'"xDPI":\t306', b'"resultInfo":\t"hahah"']
    missing = [w for w in wanted if w not in out]
    page = os.path.join(work, "job1-page1.png")
    if missing or not os.path.exists(page):
        return f"missing {missing!r}, page printed: {os.path.exists(page)}; output {out!r}"
    return ""


def main():
    binary, guide = sys.argv[1], sys.argv[2]
    # Every folder of this run (the services' drives, the curl example's
    # work) goes under one that is removed at the end.
    with tempfile.TemporaryDirectory(prefix="orvi-docs-") as top:
        tempfile.tempdir = top
        failed = check_guide(binary, guide)
    sys.exit(1 if failed else 0)


def check_guide(binary, guide):
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
    for script in shell_examples(open(guide, encoding="utf-8").read()):
        problem = check_shell_example(binary, script)
        if problem:
            failed += 1
            print("FAIL - curl example: " + problem)
        else:
            passed += 1
            print("ok   - curl example")
    print(f"docs: {passed} passed, {failed} failed")
    return failed


if __name__ == "__main__":
    main()
