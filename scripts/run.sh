#!/usr/bin/env bash
# Installs what is missing, builds the program and runs it from the
# repository folder, where it lists ./roms.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
# Our demo cartridge is the default content of ./roms.
mkdir -p roms
cp build/testroms/demo.bin roms/demo.bin
exec build/frontend/morvalith
