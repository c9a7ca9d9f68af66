#!/usr/bin/env bash
# Makes docs/screenshot_de.png and docs/screenshot_en.png: the station window while recording
# from two simulated modules; and docs/logger_graph_de.png and docs/logger_graph_en.png: the
# data logger graph with a day of logger lines. Not part of the test run.
#   scripts/screenshots.sh [build folder]   (default: build/screenshots)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/screenshots}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQOR_BUILD_TESTS=ON >/dev/null
cmake --build "$build" --target qor_screenshots
QT_QPA_PLATFORM=offscreen "$build/tests/ui/qor_screenshots" "$root/docs"
echo "written: $root/docs/screenshot_{de,en}.png $root/docs/logger_graph_{de,en}.png"
