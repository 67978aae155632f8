#!/usr/bin/env bash
# The main job: builds everything, generates an ISO image, starts the bundled controller
# simulator on loopback and lets Remdisk serve the image to it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"${JOBS:-2}" --target Remdisk vantro-sim

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/iso"
head -c $((8 * 1024 * 1024)) /dev/urandom >"$work/iso/payload.bin"
echo "Vantro virtual media demo" >"$work/iso/README.TXT"
genisoimage -quiet -V VANTRO_DEMO -o "$work/demo.iso" "$work/iso"
echo "demo: ISO image $(stat -c %s "$work/demo.iso") bytes"

build/bin/Remdisk -v
build/bin/Remdisk -r 127.0.0.1 -u root -p calvin -c "$work/demo.iso"
