#!/usr/bin/env bash
# One entry point for newcomers and CI:
#   ./build.sh run    install what is missing, build, start the front panel on the simulated counters
#   ./build.sh test   install what is missing, build, run every test
# Other verbs: setup, build, bench. BUILD_DIR (default: build) selects the build tree.
set -euo pipefail
cd "$(dirname "$0")"
BUILD_DIR=${BUILD_DIR:-build}
JOBS=${JOBS:-$(nproc)}

setup() { ./scripts/setup.sh; }

build() {
  setup
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$BUILD_DIR" -j "$JOBS"
}

case "${1:-}" in
  setup) setup ;;
  build) build ;;
  test)
    build
    ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$JOBS" --timeout 600
    ;;
  run)
    build
    exec ./scripts/run-front-panel.sh "$BUILD_DIR"
    ;;
  bench)
    build
    exec ./scripts/run-benchmarks.sh  # its own Release tree, build-bench
    ;;
  *)
    echo "usage: $0 run|test|setup|build|bench" >&2
    exit 2
    ;;
esac
