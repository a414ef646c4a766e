#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer and runs each one for the
# given number of inputs (default 1,000,000), starting from its seed corpus.
# Usage: scripts/fuzz.sh [RUNS] [TARGET...]   (targets: fuzz_<name>, all by default)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
RUNS=${1:-1000000}
shift || true
bash scripts/install-deps.sh
export CCACHE_BASEDIR="$ROOT" CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/kelvo-ccache}"
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKELVO_SANITIZE=address -DKELVO_FUZZ=ON -DKELVO_TESTS=OFF
cmake --build build/fuzz -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
for f in build/fuzz/tests/fuzz_*; do
  [ -f "$f" ] && [ -x "$f" ] || continue
  name=$(basename "$f")
  if [ $# -gt 0 ] && ! printf '%s\n' "$@" | grep -qx "$name"; then continue; fi
  corpus="$ROOT/build/fuzz/corpus/$name"
  mkdir -p "$corpus"
  seeds=""; [ -d "$ROOT/tests/fuzz/corpus/$name" ] && seeds="$ROOT/tests/fuzz/corpus/$name"
  echo "== $name ($RUNS runs)"
  "$f" -runs="$RUNS" "$corpus" ${seeds:+"$seeds"}
done
