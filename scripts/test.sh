#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs every test; then builds the threaded tests
# with ThreadSanitizer and runs them. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
bash scripts/install-deps.sh   # apt-get install of the Debian packages that are missing
JOBS=$(nproc)
# A debug build hashes its folder into every cache entry unless told not to:
# a fresh clone elsewhere (as CI makes) would then rebuild everything.
export CCACHE_BASEDIR="$ROOT" CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/kelvo-ccache}" CCACHE_MAXSIZE=5G CCACHE_NOHASHDIR=1

cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DKELVO_SANITIZE=address -DKELVO_TESTS=ON
cmake --build build/asan -j"$JOBS"
(cd build/asan && ctest -j"$JOBS" --output-on-failure)

cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=Debug -DKELVO_SANITIZE=thread -DKELVO_TESTS=ON
cmake --build build/tsan -j"$JOBS" --target kelvo_threaded_tests
(cd build/tsan && ctest -j"$JOBS" -L threads --output-on-failure)
