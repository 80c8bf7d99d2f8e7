#!/usr/bin/env bash
# Takes the pictures in docs/screenshots: the main window on every page of both panels and
# every dialog, in English and in both Chinese sections (the real window, drawn offscreen), and,
# on an X server (xvfb-run) when xvfb-run and ImageMagick's import are installed, one picture
# of the running program and the walk through faults and bad input with each new message.
#   scripts/screenshots.sh [build-dir] [output-dir]     (defaults: build, docs/screenshots)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-build}
case "$build_dir" in /*) ;; *) build_dir="$root/$build_dir" ;; esac
out=${2:-$root/docs/screenshots}
mkdir -p "$out"

cmake --build "$build_dir" --target v38xx_screenshots v38xx_fault_walkthrough V38XX_AP \
  test_stability_gui >/dev/null
QT_QPA_PLATFORM=offscreen "$build_dir/bin/v38xx_screenshots" "$out"
# The Stability dialog and View Record's run settings on a run recorded from the simulator.
QT_QPA_PLATFORM=offscreen V38XX_SCREENSHOT_DIR="$out" "$build_dir/bin/test_stability_gui" screenshots >/dev/null

if command -v xvfb-run >/dev/null && command -v import >/dev/null; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  mkdir -p "$work/DB"
  printf '[simulation]\nenabled = true\nmodels = V3800A, V3820A\n' >"$work/visa.conf"
  cat >"$work/shot.sh" <<SHOT
cd "$work"
V38XX_VISA_CONF="$work/visa.conf" "$build_dir/bin/V38XX_AP" &
pid=\$!
sleep 4
import -window root -crop 840x630+0+0 "$out/en-xvfb-front-panel.png"
kill \$pid
wait \$pid || true
SHOT
  xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/shot.sh"
  echo "screenshots: the running program on an X server in $out/en-xvfb-front-panel.png"
  QT_QPA_PLATFORM= xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$build_dir/bin/v38xx_fault_walkthrough" "$out"
fi
