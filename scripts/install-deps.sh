#!/usr/bin/env bash
# Installs every package the program, its tests, its benchmarks and its fuzzer
# need on Debian 12. Safe to run again: it asks apt only for what is missing.
set -euo pipefail

packages=(
  # build
  build-essential cmake pkg-config clang libclang-rt-14-dev
  qt6-base-dev libzip-dev zlib1g-dev libpugixml-dev libdeflate-dev libsimpleini-dev libjpeg-dev
  # the converter of books in the older binary format: the cell reader and the compound file
  libfreexl-dev libgsf-1-dev
  # run: a Song-style CJK face for the interface and for printouts, a face with the rare
  # characters beyond the first plane (CJK Extension B on) for printouts and receipts,
  # Qt's own texts in Chinese
  fonts-noto-cjk fonts-arphic-uming fonts-hanazono qt6-translations-l10n
  # tests and benchmarks, and the gates of `make test`: format, tidy, a compiler cache
  libgtest-dev libgmock-dev libbenchmark-dev clang-format clang-tidy ccache
  python3 python3-openpyxl liborcus-bin libreoffice-calc-nogui
  # old-format test books, made here: Excel 97-2003 by xlwt, Excel 5.0 by a Perl script
  python3-xlwt libole-storage-lite-perl
  poppler-utils unzip zip time xvfb xauth imagemagick
  # a barcode scanner is a keyboard: xdotool types its codes through the X server
  xdotool
  cups printer-driver-cups-pdf
  # till receipts go to the printer as raw jobs through the CUPS client library
  libcups2-dev
  # the package: its dependencies found by dpkg-shlibdeps (which needs file), and its checks
  dpkg-dev file lintian desktop-file-utils appstream
  # the database engine for several tills: the client library, and a server for its tests
  postgresql libpq-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
