#!/usr/bin/env bash
# ORVIPrintService.exe under Wine, headless: it serves the preflights, the
# redirect and the error page on 127.0.0.1:6780 only, and carries its
# resources (icon group 107 with three images, menu 109, manifest) in
# Chinese (PRC).
source "$(dirname "$0")/lib.sh"
trap wine_stop_all EXIT

exe=$WIN32_BUILD/print_service/ORVIPrintService.exe
[ -f "$exe" ] || { echo "FAIL - $exe missing (cmake --build --preset win32)"; exit 1; }

# Resources, read from the file without running it.
resources=$(wrestool -l "$exe" 2>/dev/null)
check "icon group 107 in language 2052" grep -q -- '--type=14 --name=107 --language=2052' <<<"$resources"
check "menu 109 in language 2052" grep -q -- '--type=4 --name=109 --language=2052' <<<"$resources"
check "manifest 1 in language 2052" grep -q -- '--type=24 --name=1 --language=2052' <<<"$resources"
icons=$(grep -c -- '--type=3 ' <<<"$resources")
check_eq "three icon images" 3 "$icons"
tmp=$(mktemp -d)
trap 'wine_stop_all; rm -rf "$tmp"' EXIT
wrestool -x --type=14 --name=107 "$exe" -o "$tmp/tray.ico" 2>/dev/null
sizes=$(icotool -l "$tmp/tray.ico" 2>/dev/null |
  sed -E 's/.*--width=([0-9]+) --height=([0-9]+) --bit-depth=([0-9]+).*/\1x\2@\3/' | tr '\n' ' ')
check_eq "icon sizes" "48x48@32 32x32@32 16x16@32 " "$sizes"
wrestool -x --raw --type=24 --name=1 "$exe" -o "$tmp/manifest.xml" 2>/dev/null
check "manifest asks for asInvoker without uiAccess" \
  grep -q 'requestedExecutionLevel level="asInvoker" uiAccess="false"' "$tmp/manifest.xml"
check "manifest declares DPI awareness" grep -q '<dpiAware[^>]*>true</dpiAware>' "$tmp/manifest.xml"
wrestool -x --raw --type=4 --name=109 "$exe" -o "$tmp/menu.bin" 2>/dev/null
menu_text=$(/usr/bin/python3 -c '
import sys
d = open(sys.argv[1], "rb").read()
print(d.decode("utf-16-le", "replace"))' "$tmp/menu.bin" | tr -d '\0')
check "menu holds 文件(&F) and 退出(&X)" bash -c '[[ "$1" == *"文件(&F)"* && "$1" == *"退出(&X)"* ]]' _ "$menu_text"

# The running program.
exe=$WIN_BUILD/print_service/ORVIPrintService.exe
wine_prefix_ready
if (exec 3<>/dev/tcp/127.0.0.1/6780) 2>/dev/null; then
  echo "FAIL - port 6780 is already taken"; finish; exit 1
fi
wine "$exe" >"$tmp/stdout.txt" 2>/dev/null &
check "listens on 127.0.0.1:6780" wait_for_port 6780 60

request() {  # request METHOD PATH: the raw answer, then "|" (keeps trailing line ends)
  exec 3<>/dev/tcp/127.0.0.1/6780
  printf '%s %s HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n' "$1" "$2" >&3
  timeout 10 cat <&3
  exec 3<&-
  printf '|'
}
cors=$'Access-Control-Allow-Headers: Origin, X-Requested-With, Content-Type, Accept\r\nAccess-Control-Allow-Methods: GET, OPTIONS, POST, HEAD\r\nAccess-Control-Allow-Origin: *\r\n'
for path in /ovapi/GetPrinters /ovapi/PrintImage /ovapi/GetPrinterResolution; do
  check_eq "preflight $path" $'HTTP/1.1 204 No Content\r\n'"$cors"$'Connection: close\r\nContent-Length: 0\r\n\r\n|' \
    "$(request OPTIONS "$path")"
done
check_eq "GET / redirects to /hi" $'HTTP/1.1 302 Found\r\nConnection: close\r\nContent-Length: 0\r\nLocation: /hi\r\n\r\n|' \
  "$(request GET /)"
page="<p>Error Status: <span style='color:red;'>404</span></p>|"
check_eq "GET /hi is the 404 page" $'HTTP/1.1 404 Not Found\r\nConnection: close\r\nContent-Length: 56\r\nContent-Type: text/html\r\n\r\n'"$page" \
  "$(request GET /hi)"
check_eq "preflight elsewhere is the 404 page" $'HTTP/1.1 404 Not Found\r\nConnection: close\r\nContent-Length: 56\r\nContent-Type: text/html\r\n\r\n'"$page" \
  "$(request OPTIONS /ovapi/Other)"
check "no connection on [::1]:6780" bash -c '! (exec 3<>/dev/tcp/::1/6780) 2>/dev/null'

wine_stop_all
finish
