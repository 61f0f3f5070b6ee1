#!/usr/bin/env bash
# run-under-wine.sh PREFIX win32|win64 --prepare
# run-under-wine.sh PREFIX win32|win64 PROGRAM [ARGS...]
#
# Runs a Windows program under Wine in the build tree's private prefix. --prepare creates the
# prefix once (later calls find it ready). Exits 77, which CTest reports as "skipped", when this
# machine cannot run programs of that architecture at all (a kernel without 32-bit support cannot
# start Wine's 32-bit loader).
set -u
prefix=$1 arch=$2
shift 2

if [ "$arch" = win64 ]; then
  loader=/usr/lib/wine/wine64
else
  loader=/usr/lib/wine/wine
fi

export WINEPREFIX="$prefix" WINEARCH="$arch" WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko install prompts in a test prefix.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

if [ ! -x "$loader" ]; then
  echo "run-under-wine: $loader is not installed" >&2
  exit 1
fi
if ! "$loader" --version >/dev/null 2>&1; then
  echo "run-under-wine: this machine cannot run the $arch Wine loader ($loader); skipped" >&2
  exit 77
fi

if [ "${1:-}" = --prepare ]; then
  if [ -f "$prefix/.lumigrab-ready" ]; then
    exit 0
  fi
  mkdir -p "$prefix"
  "$loader" wineboot --init >/dev/null 2>&1 || { echo "run-under-wine: wineboot failed" >&2; exit 1; }
  /usr/lib/wine/wineserver -w
  touch "$prefix/.lumigrab-ready"
  exit 0
fi

# Absolute paths among the arguments are handed over as Windows paths on drive Z:, which a new
# prefix maps to the root of the file system.
args=()
for argument in "$@"; do
  if [ ${#args[@]} -gt 0 ] && [ "${argument#/}" != "$argument" ] && [ -e "$argument" ]; then
    argument="Z:${argument//\//\\}"
  fi
  args+=("$argument")
done
exec "$loader" "${args[@]}"
