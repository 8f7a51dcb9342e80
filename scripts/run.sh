#!/usr/bin/env bash
# Installs what is missing, builds and starts the console. Arguments go to the console.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh build >&2
exec build/src/app/spinwave "$@"
