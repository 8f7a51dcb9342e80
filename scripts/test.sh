#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite.
# Usage: scripts/test.sh            normal build in build/
#        scripts/test.sh --sanitize AddressSanitizer + UndefinedBehaviorSanitizer in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--sanitize" ]; then
  bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DSPINWAVE_SANITIZE=ON -DSPINWAVE_BENCH=OFF
  build=build-asan
else
  bash scripts/build.sh build
  build=build
fi
export QT_QPA_PLATFORM=offscreen SPINWAVE_OUTPUT=nosound
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 300
