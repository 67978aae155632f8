#!/usr/bin/env bash
# Installs the dependencies, builds everything and runs the whole test suite.
#   scripts/test.sh                 normal build in build/
#   scripts/test.sh sanitize        AddressSanitizer + UndefinedBehaviorSanitizer (clang) in build-asan/,
#                                   with the libFuzzer targets, each run briefly
#   scripts/test.sh tsan            ThreadSanitizer build in build-tsan/, the thread tests only
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-normal}
jobs=${JOBS:-2}

bash scripts/install-deps.sh

case "$mode" in
  normal)
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build build -j"$jobs"
    ctest --test-dir build --output-on-failure -j"$jobs"
    ;;
  sanitize)
    cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DVANTRO_SANITIZE=ON -DVANTRO_FUZZ=ON -DVANTRO_BENCH=OFF
    cmake --build build-asan -j"$jobs"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      ctest --test-dir build-asan --output-on-failure -j"$jobs"
    bash scripts/run-fuzzers.sh build-asan/fuzz "${FUZZ_SECONDS:-15}"
    ;;
  tsan)
    cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DVANTRO_TSAN=ON -DVANTRO_BENCH=OFF
    # Only the programs that hold thread tests (and what they run) are built.
    cmake --build build-tsan -j"$jobs" --target remdisk_tests sim_tests e2e_tests
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
      ctest --test-dir build-tsan --output-on-failure -j"$jobs" -R "${TSAN_TESTS:-Thread|Monitor|Session|Socket}"
    ;;
  *)
    echo "usage: $0 [normal|sanitize|tsan]" >&2
    exit 2
    ;;
esac
