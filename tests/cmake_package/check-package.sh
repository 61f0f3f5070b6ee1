#!/usr/bin/env bash
# check-package.sh SOURCE_DIR BUILD_DIR TOOLCHAIN ARCH LAUNCHER...
# Installs this build tree into a dist/ layout inside the build tree, builds the consumer project
# against it with find_package(Lumigrab), and runs the consumer with each configuration's DLL.
set -euo pipefail
source_dir=$1 build_dir=$2 toolchain=$3 arch=$4
shift 4
stage=$build_dir/package-stage
rm -rf "$stage" "$build_dir/package-consumer"
cmake --install "$build_dir" --prefix "$stage/$arch" --component runtime >/dev/null
cmake --install "$build_dir" --prefix "$stage" --component headers >/dev/null
cmake -S "$source_dir/tests/cmake_package/consumer" -B "$build_dir/package-consumer" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DLumigrab_DIR="$stage/lib/cmake/Lumigrab" >/dev/null
cmake --build "$build_dir/package-consumer" >/dev/null
for configuration in preview recording; do
  "$@" "$build_dir/package-consumer/$configuration/consumer_$configuration.exe"
done
