#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs them all (or those named).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
bash scripts/install-deps.sh
export CCACHE_BASEDIR="$ROOT" CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/kelvo-ccache}"
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DKELVO_TESTS=ON -DKELVO_BENCH=ON
cmake --build build/bench -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
for b in build/bench/bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  if [ $# -gt 0 ]; then
    match=0; for n in "$@"; do [[ "$(basename "$b")" == *"$n"* ]] && match=1; done
    [ $match -eq 1 ] || continue
  fi
  echo "== $(basename "$b")"
  "$b"
done
