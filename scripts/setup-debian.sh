#!/usr/bin/env bash
# Installs the Debian packages Tallywicket builds, runs and tests with.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config make
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev qt6-multimedia-dev qt6-svg-dev
  qml6-module-qtmultimedia libqt6multimedia6 qt6-qpa-plugins
  qcoro-qt6-dev
  libtesseract-dev libleptonica-dev tesseract-ocr tesseract-ocr-eng
  libopencv-core-dev libopencv-imgproc-dev
  libsane-dev sane-utils libsane1
  libpocketsphinx-dev pocketsphinx-en-us
  libpoppler-qt6-dev
  nlohmann-json3-dev
  libgtest-dev libgmock-dev
  # make fuzz: libFuzzer lives in libclang-rt-14-dev (only a Recommends of
  # clang); clang compiles the reader's OpenMP code against libomp.
  clang libclang-rt-14-dev libomp-14-dev
  espeak-ng sox pulseaudio pulseaudio-utils
  libqt6opengl6-dev libgl-dev libegl-dev libxkbcommon-dev libvulkan-dev
  openssl xvfb xauth fonts-dejavu-core fonts-liberation2 fonts-freefont-ttf fonts-urw-base35
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
