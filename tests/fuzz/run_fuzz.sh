#!/usr/bin/env bash
# Builds the payload fuzzer with clang and runs it briefly
# (FUZZ_SECONDS, default 30). Any crash, leak or sanitizer report fails.
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target payload_fuzz

work=build/fuzz/payload
mkdir -p "$work/corpus" "$work/drive"
printf 'data:image/png;base64,QUJD' >"$work/corpus/plain"
printf 'h,QUJD\r\nREVG,tail' >"$work/corpus/crlf"
printf 'h,QUI=QQ==' >"$work/corpus/padding"
printf ',\xff\x80z{' >"$work/corpus/high"

STANDIN_DRIVE_ROOT="$PWD/$work/drive" build/fuzz/tests/fuzz/payload_fuzz \
  -max_total_time="${FUZZ_SECONDS:-30}" -max_len=4096 -close_fd_mask=1 \
  -artifact_prefix="$work/" "$work/corpus"
