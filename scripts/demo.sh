#!/usr/bin/env bash
# Installs what is missing, builds a release of KelvO, prepares a working
# directory from demo/ and starts the program there in simulation mode.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
bash scripts/install-deps.sh
export CCACHE_BASEDIR="$ROOT" CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/kelvo-ccache}"
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DKELVO_TESTS=OFF
cmake --build build/release -j"$(nproc)" --target kelvo
WORKDIR="${KELVO_DEMO_DIR:-$ROOT/build/demo-workdir}"
mkdir -p "$WORKDIR"
# Copy the demo files without overwriting what the user changed last time.
cp -rn demo/. "$WORKDIR"/
cd "$WORKDIR"
exec "$ROOT/build/release/src/kelvo" simulation "$@"
