#!/usr/bin/env bash
# Builds Corvane and starts the desktop program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default -DCORVANE_BUILD_TESTS=OFF >/dev/null
cmake --build --preset default -j"$(nproc)"
if [ -x build/app/corvane ]; then
  exec build/app/corvane "$@"
fi
echo "Corvane's desktop program is not built yet: this checkout holds the capture engine and its tests only."
echo "Run scripts/test.sh to build and test what exists."
exit 1
