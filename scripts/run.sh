#!/usr/bin/env bash
# Sets up what is missing, builds Halvion and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
exec build/app/halvion "$@"
