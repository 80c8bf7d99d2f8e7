#!/usr/bin/env bash
# Runs the libFuzzer targets of a fuzz build tree (-DV38XX_FUZZ=ON) one after the other, each
# until it has made RUNS executions or spent SECONDS, whichever comes first, with a 2 GiB memory
# limit, its dictionary, the checked-in seeds of fuzz/corpus/<target> and a working corpus in
# <build>/fuzz-corpus/<target> that grows between runs. Prints a table of executions and
# executions per second; exits non-zero when a target found a crash, a leak, a time-out or an
# out-of-memory (the input that did it is kept in <build>/fuzz-artifacts/).
#   scripts/run-fuzzers.sh BUILD_DIR [--seconds S] [--runs N] [--only NAME] [--nice] [-- ARGS]
# ARGS go to every fuzzer as they are (for example -max_len=1024).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:?usage: run-fuzzers.sh BUILD_DIR [--seconds S] [--runs N] [--only NAME] [--nice]}
shift
seconds=60
runs=-1
only=
nice=()
extra=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --only) only=$2; shift 2 ;;
    --nice) nice=(nice -n 19); shift ;;
    --) shift; extra=("$@"); break ;;
    *) echo "run-fuzzers: unknown option $1" >&2; exit 2 ;;
  esac
done
case "$build_dir" in /*) ;; *) build_dir="$root/$build_dir" ;; esac

artifacts="$build_dir/fuzz-artifacts"
logs="$build_dir/fuzz-logs"
mkdir -p "$artifacts" "$logs"
# The file-reading targets write each input to a file: in memory when /dev/shm is there.
if [ -z "${TMPDIR:-}" ]; then
  if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; else export TMPDIR=/tmp; fi
fi
# A leak or an error report stops the target; symbolized stacks when llvm-symbolizer is there.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=0
passed=0
failures=0
table=()
for seeds in "$root"/fuzz/corpus/*/; do
  name=$(basename "$seeds")
  [ -n "$only" ] && [ "$name" != "$only" ] && continue
  exe="$build_dir/bin/fuzz_$name"
  if [ ! -x "$exe" ]; then
    echo "run-fuzzers: $exe not found; build the fuzz tree first (./build.sh fuzz)" >&2
    exit 1
  fi
  work="$build_dir/fuzz-corpus/$name"
  mkdir -p "$work"
  dict=()
  [ -f "$root/fuzz/dict/$name.dict" ] && dict=(-dict="$root/fuzz/dict/$name.dict")
  log="$logs/$name.log"
  status=ok
  if ! "${nice[@]}" "$exe" -rss_limit_mb=2048 -timeout=10 -max_total_time="$seconds" \
      -runs="$runs" -print_final_stats=1 "${dict[@]}" "${extra[@]}" \
      -artifact_prefix="$artifacts/$name-" "$work" "$seeds" >"$log" 2>&1; then
    status=FAILED
    failed=1
  fi
  if [ "$status" = ok ]; then passed=$((passed + 1)); else failures=$((failures + 1)); fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  secs=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  table+=("$(printf '%-18s %12s %10s  %s' "$name" "${execs:-?}" "${secs:-?}" "$status")")
  if [ "$status" != ok ]; then
    echo "run-fuzzers: $name failed; its log:" >&2
    grep -E 'ERROR|SUMMARY|Test unit written|==[0-9]+==' "$log" | head -20 >&2 || tail -30 "$log" >&2
  fi
done

printf '%-18s %12s %10s  %s\n' target executions exec/s result
printf '%s\n' "${table[@]}"
echo "fuzz: $passed passed, $failures failed"
exit $failed
