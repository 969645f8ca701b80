#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
set -euo pipefail
# clang with its sanitizer and libFuzzer runtimes builds the fuzz targets.
packages=(cmake g++ make libgtest-dev zlib1g-dev binutils-m68k-linux-gnu zip python3
  libsdl2-dev libfreetype-dev libfontconfig-dev fonts-liberation clang libclang-rt-14-dev "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
fi
