#!/usr/bin/env bash
# Builds the benchmarks (Release) and runs the large-recording harness: View Record and Chart
# Record on generated recordings of 10^7 and 10^8 readings against the sqlite3 program.
# It needs about 10 GB of free disk in the folder (default: <build-dir>/large-recordings) and
# deletes its files at the end; pass --keep to reuse them in the next run.
# Usage: scripts/run-large-recordings.sh [build-dir] [harness options...]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build-bench}
shift || true
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DV38XX_BUILD_TESTS=OFF -DV38XX_BUILD_GUI=ON -DV38XX_BUILD_BENCH=ON >/dev/null
ninja -C "$build" -j2 records_large_recordings >/dev/null
exec "$build/bin/records_large_recordings" --folder "$build/large-recordings" "$@"
