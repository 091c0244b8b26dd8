#!/usr/bin/env bash
# Runs what the build produced: the window program on a display, otherwise a
# sample conversion with the command-line converter.
set -euo pipefail
build=${1:-build}
bin="$build/bin"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$bin/tavlin" ]; then
    exec "$bin/tavlin"
fi
if [ -x "$bin/tavlin-cli" ]; then
    exec bash scripts/sample-book.sh "$bin/tavlin-cli"
fi
echo "Built: $(ls "$bin" 2>/dev/null | tr '\n' ' ')"
