#!/usr/bin/env bash
# Builds Halvion and makes its Debian package, halvion_<version>_<arch>.deb, in the
# folder given (default: build/). Install it with: apt-get install ./halvion_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build}")
scripts/setup.sh
scripts/build.sh
mkdir -p "$out"
(cd build && cpack -G DEB -B "$out" >/dev/null)
rm -rf "$out/_CPack_Packages"
ls "$out"/halvion_*.deb
