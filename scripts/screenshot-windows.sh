#!/usr/bin/env bash
# Pictures of every window under a virtual X display: the empty main window,
# the window with a generated book and its cover, the About box, the chapter dialog and the
# progress dialog during a real conversion of that book.
# Usage: scripts/screenshot-windows.sh [BUILD_DIR] [OUTPUT_DIR]
set -euo pipefail
build=${1:-build-ui}
out=${2:-$build/screenshots}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
book="$work/Moby Dick"
mkdir -p "$book"
# Long enough chapters that the conversion runs for a few seconds.
for n in 1 2 3 4; do
    ffmpeg -nostdin -v error -f lavfi -i "sine=frequency=$((200 + n * 90)):duration=90" -ac 2 -ar 44100 \
        -c:a libmp3lame -b:a 96k -metadata title="Chapter $n" -metadata artist="Herman Example" \
        -metadata album="Moby Dick" -metadata genre="Audiobook" -metadata date="1851" "$book/0$n.mp3"
done
ffmpeg -nostdin -v error -f lavfi -i "gradients=s=240x320:c0=0x0b3d5c:c1=0xd9d2c0:seed=3,format=rgb24" \
    -frames:v 1 "$book/cover.jpg"
xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bin/ui_screenshots" "$book" "$out"
