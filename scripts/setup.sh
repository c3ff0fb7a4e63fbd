#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need; does nothing when all are present.
set -euo pipefail
packages=(cmake g++ make qtbase5-dev qtbase5-dev-tools ccache)
# The Debian package: cpack finds its dependencies with dpkg-shlibdeps (dpkg-dev), which needs file;
# the suite validates its desktop entry and renders its manual pages.
packages+=(dpkg-dev file desktop-file-utils groff-base)
# The Python module (pybind11) and its pytest suite; NumPy for the monitor's batches, matplotlib for an example.
packages+=(pybind11-dev python3-dev python3-numpy python3-pytest python3-matplotlib)
# The monitor's Prometheus endpoint (libmicrohttpd); the suite checks what it serves with
# promtool and scrapes it with a real Prometheus.
packages+=(pkg-config libmicrohttpd-dev prometheus)
# The release checks of the package and its manual pages.
packages+=(lintian mandoc)
# The preview's VCD is read back by three waveform viewers (GTKWave runs on a virtual display).
packages+=(sigrok-cli gtkwave xvfb xauth)
# Exports of sheets as SVG (QtSvg's generator).
packages+=(libqt5svg5-dev)
if [ "${VEXTOR_WITH_CLANG:-1}" = 1 ]; then
  packages+=(clang libclang-rt-14-dev)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
