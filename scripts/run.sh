#!/usr/bin/env bash
# The main job: builds the native ORVIPrintService (against the stand-in)
# and runs it in the foreground on 127.0.0.1:6780. Ctrl-C quits it the way
# the tray menu does.
#
# The stand-in machine gets demonstration queues (override with
# STANDIN_QUEUES, see standin/include/standin/control_demo.h); every page
# printed is written as a PNG into build/jobs when the service quits.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >/dev/null
cmake --preset native >/dev/null
cmake --build --preset native --target ORVIPrintService
export STANDIN_QUEUES=${STANDIN_QUEUES:-"ORVI@306;Q52 Label Printer@203;ORVI300@300;Office Laser@600+network"}
export STANDIN_JOB_DIR=${STANDIN_JOB_DIR:-$PWD/build/jobs}
export STANDIN_DRIVE_ROOT=${STANDIN_DRIVE_ROOT:-$PWD/build/drive}
mkdir -p "$STANDIN_JOB_DIR" "$STANDIN_DRIVE_ROOT"
echo "ORVIPrintService (native build) on http://127.0.0.1:6780 with queues: $STANDIN_QUEUES"
echo "Demo page: (cd demo && python3 -m http.server 8080), then open http://localhost:8080/"
echo "Printed pages are written to $STANDIN_JOB_DIR when the service quits (Ctrl-C)."
exec build/native/print_service/ORVIPrintService
