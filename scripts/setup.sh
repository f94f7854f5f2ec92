#!/usr/bin/env bash
# Installs everything the builds and tests need on a fresh Debian 12 machine.
# Safe to run again: every step checks before it changes anything.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
export DEBIAN_FRONTEND=noninteractive

need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  need_update=1
fi

# Source packages for the Windows build (cpp-httplib, cJSON) need deb-src entries.
src_list=/etc/apt/sources.list.d/orvi-deb-src.sources
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
  $SUDO tee "$src_list" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  need_update=1
fi

packages=(
  # native build and tests
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libcpp-httplib-dev libcjson-dev libstb-dev
  curl python3 python3-numpy python3-pil
  # Windows cross build and resources
  g++-mingw-w64-i686 binutils-mingw-w64-i686 icoutils dpkg-dev
  # 64-bit build for Wine on kernels that run no 32-bit code
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  # Windows runtime and printing
  wine wine32:i386 wine64 cups printer-driver-cups-pdf libcups2:i386 poppler-utils
  xvfb xdotool
  # browser check
  chromium fonts-wqy-zenhei
  # benchmarks (scripts/bench): the OpenSSL decoder baseline and the HTTP load generator
  libssl-dev wrk
)
# Node.js may come from elsewhere on the machine; Debian's only when absent.
command -v node >/dev/null || packages+=(nodejs)
command -v npm >/dev/null || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  $SUDO apt-get update -q
  need_update=0
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
if [ "$need_update" -eq 1 ]; then $SUDO apt-get update -q; fi
# The browser check's driver, playwright-core, from npm (no browser download:
# it drives Debian's chromium).
here=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -d "$here/tests/browser/node_modules/playwright-core" ]; then
  (cd "$here/tests/browser" && npm ci --no-audit --no-fund --silent)
fi
echo "setup: all packages present"
