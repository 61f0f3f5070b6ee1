#!/usr/bin/env bash
# Builds the four DLLs (x86 and x64, recording and preview configurations) into dist/:
#   dist/<arch>/<configuration>/Lumigrab.dll and Lumigrab.lib, and dist/include/lumigrab.h.
# Installs the Debian packages it needs first. Safe to run again.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

scripts/setup.sh
source scripts/architectures.sh

for arch in "${LUMIGRAB_ARCHITECTURES[@]}"; do
  configure_architecture "$arch" -DLUMIGRAB_BUILD_TESTS=OFF
  cmake --build "build/$arch"
  cmake --install "build/$arch" --prefix "dist/$arch" --component runtime >/dev/null
done
cmake --install "build/${LUMIGRAB_ARCHITECTURES[0]}" --prefix dist --component headers >/dev/null

echo "Built:"
find dist -name 'Lumigrab.dll' -o -name 'lumigrab.h' | sort | sed 's/^/  /'
