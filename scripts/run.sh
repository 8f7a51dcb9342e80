#!/usr/bin/env bash
# Installs what is missing, builds and starts the console. Arguments go to the console.
#
# File arguments are the caller's: "scripts/run.sh show.m3u" started in ~/music opens
# ~/music/show.m3u. The build runs in the repository, the program in the caller's folder, and a
# relative argument that names an existing file or folder there is handed on as an absolute
# path (a console that is already running, in another folder, gets it too).
# SPINWAVE_RUN_PROGRAM=path starts that program instead and skips the build.
set -euo pipefail
caller=$(pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
program="${SPINWAVE_RUN_PROGRAM:-}"
if [ -z "$program" ]; then
  (cd "$root" && bash scripts/build.sh build >&2)
  program="$root/build/src/app/spinwave"
fi
args=()
for a in "$@"; do
  if [[ -n "$a" && "$a" != -* && "$a" != /* && -e "$caller/$a" ]]; then
    a="$caller/$a"
  fi
  args+=("$a")
done
exec "$program" ${args[@]+"${args[@]}"}
