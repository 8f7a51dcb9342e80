#!/usr/bin/env bash
# Configures and builds Spinwave. Usage: scripts/build.sh [build-folder] [extra cmake args...]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
build="${1:-build}"
shift || true
cmake -S . -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"
