#!/usr/bin/env bash
# Installs the Debian packages Tavlin needs to build, test and run.
# Quiet and quick when they are all there already.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    libavcodec-dev libavformat-dev libavutil-dev libswresample-dev libswscale-dev
    libinih-dev libmediainfo-dev libexpat1-dev qt6-base-dev
    libgtest-dev libgmock-dev
    ffmpeg mediainfo python3-mutagen xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
