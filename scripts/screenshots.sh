#!/usr/bin/env bash
# Makes docs/screenshot_de.png and docs/screenshot_en.png: the document graph of a recording
# from two simulated modules (values 1 to 3 of both and a virtual channel), drawn by
# qorremote --screenshot in German and in English; and docs/logger_graph_de.png and
# docs/logger_graph_en.png: the data logger graph with a day of logger lines; and
# docs/pot_{run,xy,eis,nyquist}_{de,en}.png: the potentiostat run window, the XY window, the
# impedance window and its Nyquist view with the fitted circuit, of a step program
# (tests/fixtures/potentiostat/corrosion.stp: an impedance sweep at rest, then a polarisation
# sweep) run on qorsim's simulated cell and recorded once; and docs/meters_tiled_{de,en}.png:
# the measurement windows of the simulated bus after Window › Tile in a 1280x800 window.
# Not part of the test run.
#   scripts/screenshots.sh [build folder]   (default: build/screenshots)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/screenshots}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQOR_BUILD_TESTS=ON >/dev/null
cmake --build "$build" --target qor_screenshots qorremote qorsim qortool
# The settings of the pictures' runs stay in the scratch folder.
export APPDATA="$work" QT_QPA_PLATFORM=offscreen TZ=UTC
cd "$work"  # the logbook in the pictures names the file without a folder
"$build/tools/screenshots/qor_screenshots" recording.qo3 "$root/docs"
for lang in de en; do
  "$build/bin/qorremote" --lang "$lang" --screenshot "$root/docs/screenshot_$lang.png" --size 1180x800 \
    recording.qo3
done

# The simulated cell: Rs 10 Ohm, Ecorr -50 mV, icorr 1 uA, Tafel slopes 80 / 120 mV, Cdl 2 uF
# with an exponent of 0.9.
"$build/bin/qorsim" --pty --module 0=67 --cell-rs 10 --cell-icorr 1 --cell-ba 80 --cell-bc 120 \
  --cell-cdl 2 --cell-n 0.9 >sim.out &
sim=$!
trap 'kill $sim 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s sim.out ] && break; sleep 0.1; done
tty="$(head -n 1 sim.out)"
"$build/bin/qortool" pot program "$root/tests/fixtures/potentiostat/corrosion.stp" --serial "$tty" --address 0
"$build/bin/qortool" record --serial "$tty" --idcount 0 --quiet --start-potentiostat --out run.qo3
for lang in de en; do
  for window in run xy eis nyquist; do
    "$build/bin/qorremote" --lang "$lang" --screenshot "$root/docs/pot_${window}_$lang.png" --size 1000x700 \
      --window "$window" run.qo3
  done
done
echo "written: $root/docs/screenshot_{de,en}.png $root/docs/logger_graph_{de,en}.png" \
  "$root/docs/meters_tiled_{de,en}.png" \
  "$root/docs/pot_{run,xy,eis,nyquist}_{de,en}.png"
