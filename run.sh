#!/usr/bin/env bash
# Installs what is missing, builds, and starts the station on the simulated bus.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/deps.sh

BUILD=build/release
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQOR_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j "$(nproc)"

if [ -x "$BUILD/bin/qorremote" ]; then
  exec "$BUILD/bin/qorremote" --simulate "$@"
fi

# Until the main window exists: serve the simulated bus over TCP and show live values.
PORT=${QOR_SIM_PORT:-50000}
"$BUILD/bin/qorsim" --tcp "127.0.0.1:$PORT" &
SIM=$!
trap 'kill $SIM 2>/dev/null' EXIT
sleep 0.3
"$BUILD/bin/qortool" poll --tcp "127.0.0.1:$PORT" "$@"
