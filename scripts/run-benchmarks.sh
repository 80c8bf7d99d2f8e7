#!/usr/bin/env bash
# Builds the benchmarks (Release, without tests) and runs every one of them. For the
# query round trips it then prints queries per second side by side with the ratios the project
# aims at: the builtin raw-socket path at least 3x pyvisa-py and within 1.5x of a bare socket
# loop. Usage: scripts/run-benchmarks.sh [build-dir]   (default: build-bench)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build-bench}
out=$build/bench-results
mkdir -p "$out"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DV38XX_BUILD_TESTS=OFF -DV38XX_BUILD_GUI=ON -DV38XX_BUILD_BENCH=ON >"$out/configure.log"
ninja -C "$build" -j2 benchmarks >"$out/build.log"
# The add-in's benchmark needs its extension and the simulator.
if ninja -C "$build" -t targets all 2>/dev/null | grep -q '^v38xx_extension:'; then
  ninja -C "$build" -j2 v38xx_extension v38xx-sim >>"$out/build.log"
fi

shopt -s nullglob
benches=("$build"/bin/*_bench)
if [ ${#benches[@]} -eq 0 ]; then
  echo "run-benchmarks: no benchmark was built (see $out/configure.log)" >&2
  exit 1
fi
for bench in "${benches[@]}"; do
  name=$(basename "$bench")
  echo "== $name"
  "$bench" --benchmark_out="$out/$name.json" --benchmark_out_format=json
done

if [ -f "$build/share/v38xx/CTRBridgeV38XX.oxt" ]; then
  echo "== office_tick_bench"
  /usr/bin/python3 "$root/bench/office_tick_bench.py" "$build" 1000 --charts
fi

if [ -f "$out/query_roundtrip_bench.json" ]; then
  /usr/bin/python3 - "$out/query_roundtrip_bench.json" <<'PY'
import json, sys

rates = {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if b.get("error_occurred"):
        print(f"  {b['name']}: skipped ({b.get('error_message', '').splitlines()[0]})")
        continue
    rates[b["run_name"].split("/")[0]] = b.get("items_per_second", 0.0)

print("\n*IDN? round trips on loopback (queries per second)")
for name, rate in rates.items():
    print(f"  {name:<20} {rate:>10.0f}")

def ratio(a, b):
    return rates[a] / rates[b] if rates.get(a) and rates.get(b) else None

failed = False
checks = [
    ("builtin raw socket / pyvisa-py raw socket", ratio("BuiltinRawSocket", "PyvisaPyRawSocket"), 3.0, ">="),
    ("bare socket loop / builtin raw socket", ratio("BareSocketLoop", "BuiltinRawSocket"), 1.5, "<="),
]
for label, value, target, op in checks:
    if value is None:
        print(f"  {label}: not measured")
        continue
    ok = value >= target if op == ">=" else value <= target
    failed |= not ok
    print(f"  {label}: {value:.2f} (target {op} {target}) {'ok' if ok else 'MISSED'}")
sys.exit(1 if failed else 0)
PY
fi
