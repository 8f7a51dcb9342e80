#!/usr/bin/env bash
# Installs the Debian packages Spinwave needs to build and test, when any is missing.
# Uses apt-get directly as root, through sudo otherwise.
set -euo pipefail
packages=(
  cmake ninja-build pkg-config g++
  qt6-base-dev qt6-base-dev-tools
  libgtest-dev libgmock-dev libbenchmark-dev
  libsndfile1-dev libsamplerate0-dev libsoxr-dev librubberband-dev portaudio19-dev libasound2-dev libtag1-dev libxcb1-dev
  libsodium-dev libmp3lame-dev libshout3-dev libmpg123-dev
  jackd2 libjack-jackd2-dev
  fonts-dejavu-core
  icecast2
  dbus-daemon
)
if [ "${1:-}" = "--fuzz" ]; then packages+=(clang libclang-rt-14-dev); fi
# The peers bench/mixpeers measures the mixer against (it skips one that is missing).
if [ "${1:-}" = "--bench" ]; then packages+=(sox libsox-fmt-mp3 ffmpeg); fi
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
