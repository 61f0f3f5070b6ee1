#!/usr/bin/env bash
# Builds every test for both architectures and both configurations and runs them all with CTest,
# under Wine (each architecture in a private prefix inside its build tree) and a virtual X display.
# Installs the Debian packages it needs first. Safe to run again.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

scripts/setup.sh
source scripts/architectures.sh

subdirs=()
for arch in "${LUMIGRAB_ARCHITECTURES[@]}"; do
  configure_architecture "$arch" -DLUMIGRAB_BUILD_TESTS=ON
  cmake --build "build/$arch"
  subdirs+=("\"$arch\"")
done

# One CTest run over both build trees, so the run ends with one summary.
echo "subdirs(${subdirs[*]})" > build/CTestTestfile.cmake

status=0
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir build --output-on-failure --timeout 900 "$@" || status=$?
# Leave no Wine server running behind the tests.
for arch in "${LUMIGRAB_ARCHITECTURES[@]}"; do
  WINEPREFIX="$top/build/$arch/wineprefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
done
exit $status
