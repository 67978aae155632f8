#!/usr/bin/env bash
# Installs what building and testing need on a Debian machine (run as root, or with sudo).
set -euo pipefail

PACKAGES=(
  cmake make g++ clang libclang-rt-14-dev pkg-config   # build; clang for libFuzzer
  libgtest-dev libgmock-dev libbenchmark-dev            # tests and benchmarks
  libssl-dev openssl zlib1g-dev                         # TLS; zlib only to cross-check CRC-32 in tests
  genisoimage                                           # demo and tests build ISO images
  dosfstools fdisk fusefat fuse3 util-linux mtools      # virtual USB device: FAT image, fdisk -l, FUSE mount, reading it back
  openipmi ipmitool                                     # an independent BMC and client for cross-checks
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
