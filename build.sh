#!/usr/bin/env bash
# One entry point for newcomers and CI:
#   ./build.sh run    install what is missing, build, start the front panel on the simulated counters
#   ./build.sh test   install what is missing, build, run every test; then the whole suite
#                     again under AddressSanitizer and UBSan (build-sanitize) and a short run of
#                     every fuzz target (build-fuzz)
#   ./build.sh package  install what is missing, build, make the Debian package
#                     $BUILD_DIR/v38xx_<version>_amd64.deb
# Other verbs: setup, build, bench, sanitize (the sanitizer tree and its tests),
# fuzz [SECONDS] (every fuzz target for SECONDS, default 60). BUILD_DIR (default: build)
# selects the build tree.
set -euo pipefail
cd "$(dirname "$0")"
BUILD_DIR=${BUILD_DIR:-build}
JOBS=${JOBS:-$(nproc)}

setup() { ./scripts/setup.sh; }

# The whole suite built with ASan and UBSan (gcc, -O1, line tables only, no benchmarks). Tests
# that need LibreOffice carry the label "office" and are left to the normal run, and the
# LibreOffice parts (the extension, v38xx-log) are not built there.
sanitize() {
  local dir=${SANITIZE_DIR:-build-sanitize}
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DV38XX_SANITIZE=ON \
    -DV38XX_BUILD_BENCH=OFF -DV38XX_WITH_LIBREOFFICE=OFF -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" \
    -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" >/dev/null
  cmake --build "$dir" -j "$JOBS"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS=suppressions=$PWD/scripts/sanitizers/lsan.supp:print_suppressions=0 \
    ctest --test-dir "$dir" --output-on-failure -j "$JOBS" --timeout 900 -LE office
}

# The libFuzzer targets (clang, ASan, UBSan), built in their own tree, each run for $1 seconds
# or 10^5 executions (FUZZ_RUNS), whichever comes first.
fuzz() {
  local dir=${FUZZ_DIR:-build-fuzz}
  CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DV38XX_FUZZ=ON -DV38XX_BUILD_GUI=OFF -DV38XX_BUILD_TESTS=OFF -DV38XX_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" >/dev/null
  cmake --build "$dir" -j "$JOBS" --target fuzzers
  ./scripts/run-fuzzers.sh "$dir" --seconds "${1:-60}" --runs "${FUZZ_RUNS:--1}"
}

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
    sanitize
    FUZZ_RUNS=100000 fuzz 30
    ;;
  sanitize)
    setup
    sanitize
    ;;
  fuzz)
    setup
    fuzz "${2:-60}"
    ;;
  package)
    build
    (cd "$BUILD_DIR" && cpack --config CPackConfig.cmake -G DEB)
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
    echo "usage: $0 run|test|setup|build|package|bench|sanitize|fuzz [SECONDS]" >&2
    exit 2
    ;;
esac
