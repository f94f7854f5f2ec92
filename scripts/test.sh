#!/usr/bin/env bash
# The whole test suite: native tests (plain and with sanitizers), the
# Windows programs under Wine, and the browser check.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

echo "== native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native -j2

echo "== demo page in headless chromium, from another origin"
flock /tmp/orvi-6780.lock node tests/browser/browser_test.mjs

echo "== the API guide's exchanges against the service"
flock /tmp/orvi-6780.lock /usr/bin/python3 tests/docs/check_api_guide.py \
  build/native/print_service/ORVIPrintService docs/API.md

echo "== native tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset sanitize -j2

echo "== libFuzzer on the payload path and the request handlers"
export FUZZ_SECONDS=${FUZZ_SECONDS:-20}
bash tests/fuzz/run_fuzz.sh payload
bash tests/fuzz/run_fuzz.sh request

echo "== 32-bit Windows build"
cmake --preset win32 >/dev/null
cmake --build --preset win32
bash tests/pe_check.sh

if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "== 64-bit Windows build (this kernel cannot execute 32-bit programs; Wine runs this one)"
  cmake --preset win64 >/dev/null
  cmake --build --preset win64
fi

echo "== Windows programs under Wine"
bash tests/wine/run_all.sh
