#!/usr/bin/env bash
# Installs what tc24 needs to build, test and run on Debian 12 (as root, or through sudo).
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-charts-dev libgl-dev
    libqt6opengl6-dev # Qt Charts' CMake files ask for Qt OpenGL's
    qt6-l10n-tools qt6-tools-dev # lupdate, lrelease and their CMake package (the English window)
    qt6-translations-l10n        # Qt's own texts in Chinese (OK, Cancel, the file dialog)
    dpkg-dev file     # CPack's DEB generator runs file(1) on what it packs
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-wqy-microhei
    mbpoll libmodbus-dev
    poppler-utils     # pdftotext, pdfinfo: the printed report's tests read it back
    xvfb x11-utils    # Xvfb and xprop: the test of the titles the window system receives
    clang libclang-rt-14-dev
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
