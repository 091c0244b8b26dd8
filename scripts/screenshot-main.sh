#!/usr/bin/env bash
# Opens the main window under a virtual X display with a generated book
# (three chapters and a cover picture) dropped on it, and saves a picture of
# the window. Usage: scripts/screenshot-main.sh [BUILD_DIR] [OUTPUT.png]
set -euo pipefail
build=${1:-build-ui}
out=${2:-$build/screenshot-main.png}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
book="$work/The Long Road Home"
mkdir -p "$book"
for n in 1 2 3; do
    ffmpeg -nostdin -v error -f lavfi -i "sine=frequency=$((300 + n * 110)):duration=2" -ac 2 \
        -c:a libmp3lame -metadata title="Chapter $n: The Journey Part $n" -metadata artist="Ada Example" \
        -metadata album="The Long Road Home" -metadata genre="Audiobook" -metadata date="2024" \
        "$book/0$n - part.mp3"
done
# A cover: a gradient with a circle, wider than tall.
ffmpeg -nostdin -v error -f lavfi -i "gradients=s=320x240:c0=0x203060:c1=0xe08030:seed=7,format=rgb24" \
    -vf "drawbox=x=110:y=70:w=100:h=100:color=white@0.8:t=fill" -frames:v 1 "$book/Cover.png"
# The window's normal end code is 2; the picture was saved when it ends so.
xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bin/tavlin" --screenshot "$out" "$book" || [ $? -eq 2 ]
echo "$out"
