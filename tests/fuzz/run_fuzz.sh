#!/usr/bin/env bash
# Builds a libFuzzer target with clang and runs it briefly (FUZZ_SECONDS,
# default 30).
# Any crash, leak or sanitizer report fails.
#   run_fuzz.sh           the PrintImage body path (payload_fuzz)
#   run_fuzz.sh request   raw HTTP requests through the server (request_fuzz)
set -euo pipefail
cd "$(dirname "$0")/../.."

target=${1:-payload}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${target}_fuzz"

work=build/fuzz/$target
mkdir -p "$work/corpus" "$work/drive"
case $target in
  payload)
    printf 'data:image/png;base64,QUJD' >"$work/corpus/plain"
    printf 'h,QUJD\r\nREVG,tail' >"$work/corpus/crlf"
    printf 'h,QUI=QQ==' >"$work/corpus/padding"
    printf ',\xff\x80z{' >"$work/corpus/high"
    max_len=4096
    limits="-timeout=30"
    ;;
  request)
    png=$(printf '\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\2\0\0\0\2\x08\0\0\0\0W\xdd R\0\0\0\x0bIDATx\xdac`\x80\x01\0\0\x06\0\x01\xd6\x1b\xb4\xf6\0\0\0\0IEND\xaeB`\x82' | base64 -w0)
    r() { printf '%s %s HTTP/1.1\r\nHost: 127.0.0.1\r\n%b' "$1" "$2" "$3"; }
    r POST '/ovapi/GetPrinters?onlyLocal=1' 'Content-Length: 0\r\n\r\n' >"$work/corpus/list"
    r POST /ovapi/GetPrinters 'Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 27\r\n\r\nonlySupported=1&onlyOnline' >"$work/corpus/list-form"
    r POST '/ovapi/GetPrinterResolution?printName=Q52+Label%20Printer' 'Content-Length: 0\r\n\r\n' >"$work/corpus/resolution"
    r POST '/ovapi/PrintImage?printName=ORVI' "Content-Type: text/plain\r\nContent-Length: $((22 + ${#png}))\r\n\r\ndata:image/png;base64,$png" >"$work/corpus/print"
    r POST /ovapi/PrintImage 'Transfer-Encoding: chunked\r\n\r\n4\r\nh,QU\r\n2\r\nJD\r\n0\r\n\r\n' >"$work/corpus/chunked"
    r POST /ovapi/PrintImage 'Content-Type: multipart/form-data; boundary=b\r\nContent-Length: 52\r\n\r\n--b\r\nContent-Disposition: form-data; name="f"\r\n\r\nx\r\n--b--\r\n' >"$work/corpus/multipart"
    r OPTIONS /ovapi/PrintImage 'Origin: http://localhost\r\nAccess-Control-Request-Method: POST\r\n\r\n' >"$work/corpus/preflight"
    r GET '/?x=1' 'Connection: keep-alive\r\n\r\nGET / HTTP/1.1\r\nRange: bytes=0-1,5-\r\n\r\n' >"$work/corpus/pipelined"
    max_len=8192
    # Such a BMP header also makes the decoder and the page take gigabytes.
    limits="-timeout=150 -rss_limit_mb=8192"
    ;;
  *) echo "unknown fuzz target: $target" >&2; exit 2 ;;
esac

STANDIN_DRIVE_ROOT="$PWD/$work/drive" "build/fuzz/tests/fuzz/${target}_fuzz" \
  -max_total_time="${FUZZ_SECONDS:-30}" -max_len=$max_len $limits -close_fd_mask=1 \
  -artifact_prefix="$work/" "$work/corpus"
