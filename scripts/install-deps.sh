#!/usr/bin/env bash
# Installs, with apt-get, whatever the build, the program and the tests need and is missing.
set -euo pipefail

pkgs=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6svg6
  libsqlite3-dev libjpeg62-turbo-dev libcurl4-openssl-dev libcups2-dev
  libgtest-dev libgmock-dev libbenchmark-dev libpixman-1-dev
  fonts-liberation xdg-utils qpdf poppler-utils xvfb xauth x11-apps imagemagick
  clang libclang-rt-14-dev clang-format
  # printing: the print server and its PDF queue, which the printing tests run privately
  cups printer-driver-cups-pdf
)

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
