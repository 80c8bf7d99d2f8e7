#!/usr/bin/env bash
# Starts the front panel V38XX_AP of a build tree on the simulated counters (a V3800A and a
# V3820A served by the builtin VISA). Readings recorded from it go to the DB folder of
# ${XDG_DATA_HOME:-~/.local/share}/v38xx, the program's working directory.
#   scripts/run-front-panel.sh [build-dir]      (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-build}
case "$build_dir" in /*) ;; *) build_dir="$root/$build_dir" ;; esac
exe="$build_dir/bin/V38XX_AP"
if [ ! -x "$exe" ]; then
  echo "run-front-panel: $exe not found; build first (./build.sh build)" >&2
  exit 1
fi

# The resource file of this run: simulation on, whatever the user's own visa.conf says.
conf="$build_dir/share/v38xx/visa-simulation.conf"
mkdir -p "$(dirname "$conf")"
cat >"$conf" <<'CONF'
; Written by scripts/run-front-panel.sh: the simulated counters only.
[simulation]
enabled = true
models = V3800A, V3820A
seed = 1
CONF
export V38XX_VISA_CONF="$conf"

work="${XDG_DATA_HOME:-$HOME/.local/share}/v38xx"
mkdir -p "$work/DB"
cd "$work"
echo "run-front-panel: databases in $work/DB"
exec "$exe"
