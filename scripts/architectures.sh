# Sourced by the build and test scripts: the architectures built and how each build tree is set up.
LUMIGRAB_ARCHITECTURES=(x64 x86)

toolchain_for() {
  case "$1" in
    x64) echo cmake/toolchain-x86_64-w64-mingw32.cmake ;;
    x86) echo cmake/toolchain-i686-w64-mingw32.cmake ;;
    *) echo "unknown architecture $1" >&2; return 1 ;;
  esac
}

# configure_architecture ARCH [CMAKE OPTIONS...]: (re)configures build/ARCH.
configure_architecture() {
  local arch=$1
  shift
  cmake -S . -B "build/$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$(toolchain_for "$arch")" -DLUMIGRAB_TEST_ARCH="$arch" \
    -DLUMIGRAB_BUILD_TESTCAMERA=ON "$@" >/dev/null
}
