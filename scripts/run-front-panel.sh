#!/usr/bin/env bash
# Starts the front panel V38XX_AP of a build tree on the simulated counters (a V3800A and a
# V3820A served by the builtin VISA) and on the instruments of the user's own resource file:
# the file the program would read ($V38XX_VISA_CONF, $XDG_CONFIG_HOME/v38xx/visa.conf or
# ~/.config/v38xx/visa.conf, /etc/v38xx/visa.conf) is taken as it is, with simulation switched
# on. Readings recorded from it go to the DB folder of ${XDG_DATA_HOME:-~/.local/share}/v38xx,
# the program's working directory.
#   scripts/run-front-panel.sh [--write-conf] [build-dir]      (default: build)
# --write-conf writes the resource file of the run, prints its path and starts nothing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
write_only=0
if [ "${1:-}" = "--write-conf" ]; then
  write_only=1
  shift
fi
build_dir=${1:-build}
case "$build_dir" in /*) ;; *) build_dir="$root/$build_dir" ;; esac
exe="$build_dir/bin/V38XX_AP"
if [ "$write_only" = 0 ] && [ ! -x "$exe" ]; then
  echo "run-front-panel: $exe not found; build first (./build.sh build)" >&2
  exit 1
fi

# The user's resource file, looked up as the program looks it up.
case "${XDG_CONFIG_HOME:-}" in
  /*) user_dir="$XDG_CONFIG_HOME/v38xx" ;;
  *) user_dir="${HOME:-}/.config/v38xx" ;;
esac
user_conf=""
for candidate in "${V38XX_VISA_CONF:-}" "$user_dir/visa.conf" /etc/v38xx/visa.conf; do
  if [ -n "$candidate" ] && [ -f "$candidate" ]; then
    user_conf=$candidate
    break
  fi
done

# The resource file of this run: the user's file without its [simulation] section, then
# simulation on.
conf="$build_dir/share/v38xx/visa-simulation.conf"
mkdir -p "$(dirname "$conf")"
{
  echo "; Written by scripts/run-front-panel.sh: ${user_conf:-(no resource file of the user)}"
  echo "; with the simulated counters switched on."
  if [ -n "$user_conf" ]; then
    awk '/^[[:space:]]*\[/ { skip = tolower($0) ~ /^[[:space:]]*\[[[:space:]]*simulation[[:space:]]*\]/ }
         !skip { print }' "$user_conf"
    echo
  fi
  cat <<'CONF'
[simulation]
enabled = true
models = V3800A, V3820A
seed = 1
CONF
} >"$conf"
if [ "$write_only" = 1 ]; then
  echo "$conf"
  exit 0
fi
export V38XX_VISA_CONF="$conf"
echo "run-front-panel: instruments of ${user_conf:-no resource file of yours} and the simulated counters"

work="${XDG_DATA_HOME:-$HOME/.local/share}/v38xx"
mkdir -p "$work/DB"
cd "$work"
echo "run-front-panel: databases in $work/DB"
exec "$exe"
