#!/usr/bin/env bash
# Installs every Debian package that the build, the tests and the benchmarks need,
# skipping those already present. Runs as root, or through sudo when it is available.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config git
  # libraries of the product
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-charts-dev libgl-dev
  # Qt's own texts (message-box buttons, colour and file pickers) in Chinese
  qt6-translations-l10n
  libsqlite3-dev sqlite3 libsimpleini-dev libxlsxwriter-dev
  # chi-squared quantiles of the stability confidence intervals (Boost.Math, headers only)
  libboost-dev
  libtirpc-dev rpcsvc-proto
  # the spreadsheet side: LibreOffice Calc and Writer, the UNO SDK, Python-UNO for checks
  libreoffice-calc libreoffice-writer libreoffice-dev libreoffice-dev-common
  libreoffice-script-provider-python python3-uno
  # tests and benchmarks; clang's libFuzzer and the symbolizer for fuzzing and sanitizer reports
  libgtest-dev googletest libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev llvm
  # real clients used as conformance peers, and the display for GUI tests
  lxi-tools python3 python3-pyvisa python3-pyvisa-py
  xvfb xauth imagemagick xdotool python3-openpyxl
  # the Debian package: manual pages from --help, icons rendered from their drawings, the
  # tools CPack's DEB generator runs, and the checks of the desktop entries and metadata
  help2man librsvg2-bin file dpkg-dev desktop-file-utils appstream
  # fonts so that every language of the front panel renders
  fonts-dejavu-core fonts-liberation2 fonts-noto-cjk
  # network namespaces for the VXI-11 portmapper tests
  iproute2 util-linux procps rpcbind
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "setup: these packages are missing and neither root nor sudo is available:" >&2
  printf '  %s\n' "${missing[@]}" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
