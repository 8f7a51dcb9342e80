#!/usr/bin/env bash
# Configures and builds Spinwave. Usage: scripts/build.sh [build-folder] [extra cmake args...]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
build="${1:-build}"
shift || true
cmake -S . -B "$build" -G Ninja "$@" >/dev/null
# Qt's automatic moc step does not notice a header that joined a folder since the last build, so
# a new QObject class would fail to link ("undefined reference to vtable"). When the list of
# headers changed, make every moc step run again.
list_hash=$(find src tests tools bench -name '*.h' 2>/dev/null | sort | md5sum | cut -d' ' -f1)
if [ "$(cat "$build/.header-list" 2>/dev/null)" != "$list_hash" ]; then
  find "$build" -path '*_autogen/timestamp' -delete 2>/dev/null || true
  echo "$list_hash" > "$build/.header-list"
fi
cmake --build "$build" -j "$(nproc)"
