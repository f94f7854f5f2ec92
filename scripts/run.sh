#!/usr/bin/env bash
# The main job: builds the native ORVIPrintService (against the stand-in)
# and runs it in the foreground on 127.0.0.1:6780. Ctrl-C quits it the way
# the tray menu does.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >/dev/null
cmake --preset native >/dev/null
cmake --build --preset native --target ORVIPrintService
exec build/native/print_service/ORVIPrintService
