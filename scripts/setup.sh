#!/usr/bin/env bash
# Installs the Debian packages Halvion needs to build, run and test, and only those
# that are missing: on a machine that has them all it returns at once, silently.
# With --desktop-tools it also installs what the screenshot, measurement and demonstration
# scripts use; with --fuzz-tools what the fuzzing scripts use.
set -euo pipefail

packages=(
    cmake g++ make
    qt6-base-dev qt6-base-dev-tools libgl-dev
    fontconfig fonts-dejavu-core
    desktop-file-utils appstream lintian dpkg-dev file
    libnova-dev libhamlib-dev pkg-config geographiclib-tools libgeographiclib-dev
    libfftw3-dev qt6-multimedia-dev libqt6sql6-sqlite qt6-charts-dev libqt6opengl6-dev
    libhamlib-utils locales
    xvfb openbox xdotool x11-utils
    pulseaudio pulseaudio-utils
)
if [ "${1:-}" = "--desktop-tools" ]; then
    packages+=(xvfb xauth xdotool imagemagick python3 faketime)
fi
if [ "${1:-}" = "--fuzz-tools" ]; then
    packages+=(clang libclang-rt-14-dev ninja-build)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The sanitized test run uses a locale with a comma decimal separator.
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'de_DE.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
fi
