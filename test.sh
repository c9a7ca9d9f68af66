#!/usr/bin/env bash
# Installs what is missing, checks the format, builds everything with the sanitizers, runs
# clang-tidy over src/ and runs every test.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/deps.sh
./scripts/check-format.sh
./scripts/check-sizes.sh
./scripts/check-layers.sh

BUILD=${QOR_TEST_BUILD_DIR:-build/test}
# Let ccache share objects between checkouts of the tree.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
cmake -S . -B "$BUILD" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" \
  -DQOR_SANITIZE=ON -DQOR_WERROR=ON -DQOR_BUILD_TESTS=ON -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build "$BUILD" -j "$(nproc)"
./scripts/check-tidy.sh "$BUILD"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD" --output-on-failure -j "$(nproc)"
