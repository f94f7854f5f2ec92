#!/usr/bin/env bash
# The print service under Wine against a real spooler: CUPS with a cups-pdf
# queue. Lists the queues, prints a label picture, and compares the PDF that
# cups-pdf writes, rasterised at the queue's 300 dpi, with the picture one
# dot per pixel at the top-left of the page.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

QUEUE=ORVI
PORT=6780
PY=/usr/bin/python3
PDF_DIR=/root/PDF
work=$(mktemp -d)
trap 'wine_stop_all; rm -rf "$work"' EXIT

exe="$WIN_BUILD/print_service/ORVIPrintService.exe"
if [ ! -f "$exe" ]; then
  echo "FAIL - $exe is missing (build the win32 or win64 preset)"
  failures=1; checks=1; finish; exit 1
fi

cups_ready "$QUEUE"
wine_prefix_ready
wine_stop_all

wine "$exe" >"$work/service.log" 2>&1 &
check "the service listens on $PORT" wait_for_port "$PORT" 60

# --- GetPrinters: the CUPS queue is listed, also as a supported model.
all=$(curl -s --data '' "http://127.0.0.1:$PORT/ovapi/GetPrinters")
check "GetPrinters lists the CUPS queue" grep -qP "\"name\":\t\"$QUEUE\"" <<<"$all"
supported=$(curl -s --data '' "http://127.0.0.1:$PORT/ovapi/GetPrinters?onlySupported=1")
check "onlySupported keeps the queue named ORVI" grep -qP "\"name\":\t\"$QUEUE\"" <<<"$supported"
check_eq "GetPrinters starts with the status" $'{\n\t"statusCode":\t"10001",' "$(head -2 <<<"$all")"

# --- A label picture: black frame, diagonal, blocks of single dots and lines,
# on white; 600 x 300 pixels, 50 x 25 mm at 12 dots per millimetre.
"$PY" - "$work/label.png" <<'PYEOF'
import sys
from PIL import Image, ImageDraw
img = Image.new("L", (600, 300), 255)
d = ImageDraw.Draw(img)
d.rectangle([0, 0, 599, 299], outline=0, width=4)
d.line([(0, 0), (599, 299)], fill=0, width=3)
d.rectangle([40, 200, 139, 259], fill=0)
for x in range(300, 580, 8):
    d.line([(x, 20), (x, 120)], fill=0, width=2)
for y in range(150, 280, 10):
    d.rectangle([450, y, 560, y + 3], fill=0)
img.save(sys.argv[1])
PYEOF

before=$(ls "$PDF_DIR"/*.pdf 2>/dev/null | sort)
body="data:image/png;base64,$(base64 -w0 "$work/label.png")"
answer=$(curl -s -X POST -H "Content-Type: text/plain" --data-binary "$body" \
  "http://127.0.0.1:$PORT/ovapi/PrintImage?printName=$QUEUE")
check_eq "PrintImage answers the fixed envelope" \
  $'{\n\t"statusCode":\t"10001",\n\t"resultInfo":\t"hahah"\n}' "$answer"

pdf=
for _ in $(seq 120); do
  pdf=$(comm -13 <(echo "$before") <(ls "$PDF_DIR"/*.pdf 2>/dev/null | sort) | tail -1)
  [ -n "$pdf" ] && [ -s "$pdf" ] && break
  sleep 0.5
done
check "cups-pdf wrote the job as a PDF" test -n "$pdf"
if [ -n "$pdf" ]; then
  sleep 1  # cups-pdf finishes the file after creating it
  check "the job carries the document name" grep -q "orvi_label\|orvi label" <<<"$(basename "$pdf"; pdfinfo "$pdf" 2>/dev/null)"
  pdftoppm -r 300 -gray -f 1 -l 1 "$pdf" "$work/page" && page=$(ls "$work"/page*.pgm | head -1)
  # Edges of the rasterised page may move by one dot against the picture:
  # a dot counts as wrong only when no dot within one position in the page has
  # the same colour (black below 128, white above). Allowed: 0.2 % of the dots.
  compare=$("$PY" - "$work/label.png" "$page" <<'PYEOF'
import sys
import numpy as np
from PIL import Image
pic = np.array(Image.open(sys.argv[1]).convert("L")) < 128
page = np.array(Image.open(sys.argv[2]).convert("L")) < 128
h, w = pic.shape
if page.shape[0] < h + 1 or page.shape[1] < w + 1:
    print(f"page {page.shape} smaller than the picture {pic.shape}")
    sys.exit(0)
region = np.pad(page[: h + 1, : w + 1], 1, constant_values=False)
wrong = np.ones_like(pic)
for dy in (-1, 0, 1):
    for dx in (-1, 0, 1):
        shifted = region[1 + dy : 1 + dy + h, 1 + dx : 1 + dx + w]
        wrong &= shifted != pic
bad = int(wrong.sum())
outside = int(page[h + 3 : h + 40, : w].sum() + page[: h, w + 3 : w + 40].sum())
print(f"wrong {bad} of {h * w}; black outside {outside}; page {page.shape[1]}x{page.shape[0]}")
PYEOF
)
  echo "  $compare"
  wrong=$(sed -E 's/^wrong ([0-9]+) of.*/\1/' <<<"$compare")
  outside=$(sed -E 's/.*black outside ([0-9]+);.*/\1/' <<<"$compare")
  check "the page shows the picture one dot per pixel at the top-left" \
    test "${wrong:-999999}" -le 360 2>/dev/null
  check "nothing is drawn beside the picture" test "${outside:-1}" -eq 0 2>/dev/null
fi

check "the service logged the print" grep -q "start print" "$work/service.log"
wine_stop_all
if [ "$failures" -gt 0 ]; then
  echo "  service log:"
  iconv -f CP936 -t UTF-8 "$work/service.log" | tail -20 | sed 's/^/    /'
fi
finish
