#!/usr/bin/env bash
# Installs what is missing, builds, and starts the station on the simulated bus.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/deps.sh

BUILD=build/release
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQOR_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j "$(nproc)"

exec "$BUILD/bin/qorremote" --simulate "$@"
