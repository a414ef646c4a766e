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

# Runs a build's tests in parallel. Many of them drive real timers, threads
# and terminals, and a machine loaded by the other tests can miss a wait
# that is generous alone: the tests that failed run once more, one at a
# time, and only a second failure counts. A sanitizer's report counts at
# once, however it came about.
run_tests() {
    local dir=$1
    shift
    (cd "$dir" && ctest -j"$JOBS" --output-on-failure "$@") && return 0
    if grep -q -e "ERROR: AddressSanitizer" -e "WARNING: ThreadSanitizer" -e "ERROR: LeakSanitizer" \
        "$dir/Testing/Temporary/LastTest.log"; then
        echo "A sanitizer reported a fault: not run again." >&2
        return 1
    fi
    echo "Running the failed tests again, one at a time:"
    (cd "$dir" && ctest --rerun-failed --output-on-failure "$@")
}

cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DKELVO_SANITIZE=address -DKELVO_TESTS=ON
cmake --build build/asan -j"$JOBS"
run_tests build/asan

cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=Debug -DKELVO_SANITIZE=thread -DKELVO_TESTS=ON
cmake --build build/tsan -j"$JOBS" --target kelvo_threaded_tests
run_tests build/tsan -L threads
