#!/usr/bin/env bash
# Installs the Debian packages the project needs, when they are missing. Idempotent:
# nothing is downloaded when everything is already installed.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git lld
  qt6-base-dev qt6-base-dev-tools libgl-dev
  qt6-serialport-dev qt6-svg-dev qt6-multimedia-dev
  libqcustomplot-dev
  fonts-liberation2
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-apps imagemagick xdotool
  dpkg-dev file man-db desktop-file-utils appstream lintian
  clang libclang-rt-dev clang-format
  clang-tidy cppcheck shellcheck
  python3
  libmosquitto-dev mosquitto mosquitto-clients
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}" >&2
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
