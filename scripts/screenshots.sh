#!/usr/bin/env bash
# Makes docs/screenshot_de.png and docs/screenshot_en.png: the document graph of a recording
# from two simulated modules (values 1 to 3 of both and a virtual channel), drawn by
# qorremote --screenshot in German and in English; and docs/logger_graph_de.png and
# docs/logger_graph_en.png: the data logger graph with a day of logger lines.
# Not part of the test run.
#   scripts/screenshots.sh [build folder]   (default: build/screenshots)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/screenshots}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQOR_BUILD_TESTS=ON >/dev/null
cmake --build "$build" --target qor_screenshots qorremote
# The settings of the pictures' runs stay in the scratch folder.
export APPDATA="$work" QT_QPA_PLATFORM=offscreen TZ=UTC
cd "$work"  # the logbook in the pictures names the file without a folder
"$build/tests/ui/qor_screenshots" recording.qo3 "$root/docs"
for lang in de en; do
  "$build/bin/qorremote" --lang "$lang" --screenshot "$root/docs/screenshot_$lang.png" --size 1180x800 \
    recording.qo3
done
echo "written: $root/docs/screenshot_{de,en}.png $root/docs/logger_graph_{de,en}.png"
