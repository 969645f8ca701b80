#!/usr/bin/env bash
# Installs what is missing, builds the program and runs it from the
# repository folder, where it lists ./roms.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
# Our demo cartridge is the default content of ./roms: it goes in only while
# the folder holds no cartridge, and never over a file that is there.
[ -e roms ] || [ -L roms ] || mkdir roms
if [ -d roms ] && [ -z "$(find roms/ -maxdepth 1 \( -iname '*.bin' -o -iname '*.smd' \
  -o -iname '*.zip' \) -print -quit)" ]; then
  cp -n build/testroms/demo.bin roms/demo.bin
fi
exec build/frontend/morvalith
