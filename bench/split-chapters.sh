#!/usr/bin/env bash
# Long chapters cut at pauses: 10 minutes of generated speech in one WAV
# (espeak-ng sentences, each followed by a pause of 0.3 to 1.2 s) converted
# with --split-chapters 1m, and the same book without splitting. Checks on the
# decoded book that the level within 50 ms either side of every chapter start
# is below -40 dBFS and that every cut lies within 20 % of a part's length of
# its target, and prints both conversions' wall times (best of three each,
# taken in turn) and their ratio.
# Needs espeak-ng and python3-numpy (apt-get install espeak-ng python3-numpy).
# Usage: [RUNS=N] bench/split-chapters.sh [BUILD_DIR]   (default: build; made by `make build`
#        unless it holds bin/tavlin-cli and bin/bench_measure already)
set -euo pipefail
cd "$(dirname "$0")/.."
/usr/bin/python3 -c "import numpy" 2>/dev/null ||
    { echo "split-chapters.sh needs numpy for /usr/bin/python3: apt-get install python3-numpy" >&2; exit 1; }
build=${1:-build}
. bench/lib.sh
if [ -x "$build/bin/tavlin-cli" ] && [ -x "$build/bin/bench_measure" ]; then cli=$build/bin/tavlin-cli; else use_cli "$build"; fi
rm -f "$build/bin/Tavlin.ini"
out=bench/out/split
speech=$out/speech.wav
mkdir -p "$out"
speech_wav "$speech" '300 + int(rand() * 900)'
split=$out/split.m4b
whole=$out/whole.m4b
rm -f "$split" "$whole"
read -r split_s split_mb split_cpu whole_s whole_mb whole_cpu < <(race "$cli" -q --split-chapters 1m -o "$split" "$speech" -- \
    "$cli" -q -o "$whole" "$speech")
echo "10 minutes of speech split at 1 minute, $(nproc) processors, best of ${RUNS:-3} runs each"
ffprobe -v error -show_chapters -of json "$split" >"$out/chapters.json"
ffmpeg -nostdin -v error -y -i "$split" -ac 1 -ar 44100 -f f32le "$out/split.f32"
/usr/bin/python3 - "$out/chapters.json" "$out/split.f32" <<'PY'
import json, math, sys
import numpy as np
chapters = json.load(open(sys.argv[1]))["chapters"]
pcm = np.fromfile(sys.argv[2], dtype=np.float32)
rate, length = 44100, 60.0
end = float(chapters[-1]["end_time"])
parts = round(end / length)
worst_level, worst_off, failed = -200.0, 0.0, 0
print(f"  {len(chapters)} chapters (expected {parts}) over {end:.3f} s")
for k, chapter in enumerate(chapters):
    start = float(chapter["start_time"])
    line = f"  {k + 1:2d} {start:8.3f} s  {chapter['tags'].get('title', '')}"
    if k > 0:
        s = int(round(start * rate))
        around = pcm[max(s - rate // 20, 0):s + rate // 20].astype(np.float64)
        level = 10 * math.log10(max(float(np.mean(around ** 2)), 1e-20))
        target = k * end / parts
        off = start - target
        ok = level < -40 and abs(off) <= 0.2 * length
        failed += not ok
        worst_level, worst_off = max(worst_level, level), max(worst_off, abs(off))
        line += f"  level {level:6.1f} dBFS  {off:+6.2f} s from target{'' if ok else '  FAILED'}"
    print(line)
print(f"  worst level at a cut {worst_level:.1f} dBFS (target < -40), worst distance from a target "
      f"{worst_off:.2f} s (target <= {0.2 * length:.0f} s), {failed} cuts failed")
sys.exit(1 if failed or len(chapters) != parts else 0)
PY
echo "  split: ${split_s} s, peak ${split_mb} MB, processor ${split_cpu} s"
echo "  whole: ${whole_s} s, peak ${whole_mb} MB, processor ${whole_cpu} s"
awk -v a="$split_s" -v b="$whole_s" -v c="$split_cpu" -v d="$whole_cpu" 'BEGIN {
    printf "  wall time ratio split/whole: %.3f (target <= 1.03), processor time ratio %.3f\n", a / b, c / d }'
