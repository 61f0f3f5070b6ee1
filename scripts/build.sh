#!/usr/bin/env bash
# Builds the four DLLs (x86 and x64, recording and preview configurations), the test camera and
# lumigrab-cli into dist/, then runs the demonstration (scripts/demo.sh): a frame of the test camera
# saved as out/frame.bmp and out/frame.png. Installs the Debian packages it needs first. Safe to run
# again.
#   dist/include/lumigrab.h
#   dist/<arch>/<configuration>/Lumigrab.dll and Lumigrab.lib
#   dist/<arch>/lumigrab-cli.exe, dist/<arch>/testcamera/LumigrabTestCamera.dll
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
find dist -type f \( -name '*.dll' -o -name '*.exe' -o -name '*.h' \) | sort | sed 's/^/  /'

scripts/demo.sh
