#!/usr/bin/env bash
# The main job: builds everything, generates an ISO image and a floppy image, starts the
# bundled controller simulator on loopback (free ports) and lets Remdisk serve both images
# to it. The simulator reads every block, checks the SHA-256 of each medium, writes a
# pattern to the floppy image and reads it back, then releases both drives, which ends
# Remdisk. Prints the simulator's verdict; exits non-zero when anything failed. Every step
# has a time limit, so it never hangs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"${JOBS:-2}" --target Remdisk vantro-sim

work=$(mktemp -d)
sim_pid=""
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/iso"
head -c $((8 * 1024 * 1024)) /dev/urandom >"$work/iso/payload.bin"
echo "Vantro virtual media demo" >"$work/iso/README.TXT"
genisoimage -quiet -V VANTRO_DEMO -o "$work/demo.iso" "$work/iso"
head -c $((2880 * 512)) /dev/zero >"$work/floppy.img"
echo "demo: ISO image $(stat -c %s "$work/demo.iso") bytes, SHA-256 $(sha256sum "$work/demo.iso" | cut -c1-16)..."
echo "demo: floppy image $(stat -c %s "$work/floppy.img") bytes"

build/bin/Remdisk -v

# One session, then the simulator ends with its verdict as exit status.
build/bin/vantro-sim --https-port 0 --vm-port 0 --once --timeout 120 \
  --expect-file "cd=$work/demo.iso" --expect-file "floppy=$work/floppy.img" --write \
  >"$work/sim.log" 2>&1 &
sim_pid=$!

https_port=""
for _ in $(seq 1 100); do
  https_port=$(sed -n 's/^https port \([0-9][0-9]*\)$/\1/p' "$work/sim.log")
  [ -n "$https_port" ] && break
  kill -0 "$sim_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$https_port" ]; then
  echo "demo: the simulator did not start:"
  cat "$work/sim.log"
  exit 1
fi
echo "demo: vantro-sim listening on 127.0.0.1:$https_port"

remdisk_status=0
timeout 150 build/bin/Remdisk -r "127.0.0.1:$https_port" -u root -p calvin \
  -c "$work/demo.iso" -f "$work/floppy.img" || remdisk_status=$?

sim_status=0
for _ in $(seq 1 300); do
  kill -0 "$sim_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$sim_pid" 2>/dev/null; then
  kill "$sim_pid" 2>/dev/null || true
fi
wait "$sim_pid" || sim_status=$?
sim_pid=""

echo
echo "demo: simulator verdict:"
sed 's/^/  /' "$work/sim.log"
echo "demo: Remdisk exit status $remdisk_status, simulator exit status $sim_status"
if [ "$remdisk_status" -ne 0 ] || [ "$sim_status" -ne 0 ]; then
  echo "demo: FAILED"
  exit 1
fi
echo "demo: passed"
