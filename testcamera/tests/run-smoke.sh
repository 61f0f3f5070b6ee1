#!/usr/bin/env bash
# Registers the test camera in a private 64-bit Wine prefix, adds the instances the smoke test
# expects, runs testcamera_smoke.exe (under xvfb-run when there is no display), and checks that
# unregistering removes the camera's keys.
#
#   run-smoke.sh BUILD_DIR [PREFIX_DIR]
#
# BUILD_DIR holds LumigrabTestCamera.dll and testcamera_smoke.exe (x64 build).
# PREFIX_DIR defaults to BUILD_DIR/wineprefix64; it is created on first use (slow: minutes).
# WINE64 may name the 64-bit loader (default: wine64 on PATH, else Debian's location).
# Exit status: 0 when every check passed.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Wine's desktop process fixes the display for every program of the prefix's session, so the
# whole run (registration included) happens under one X server.
if [[ -z ${DISPLAY:-} && -z ${LUMIGRAB_TC_NO_XVFB:-} ]] && command -v xvfb-run >/dev/null 2>&1; then
  export LUMIGRAB_TC_NO_XVFB=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "${BASH_SOURCE[0]}" "$@"
fi

[[ $# -ge 1 ]] || { sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
build_dir=$(cd "$1" && pwd)
prefix=${2:-$build_dir/wineprefix64}
mkdir -p "$(dirname "$prefix")"
prefix=$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")

if [[ -n ${WINE64:-} ]]; then
  wine=$WINE64
elif command -v wine64 >/dev/null 2>&1; then
  wine=$(command -v wine64)
else
  wine=/usr/lib/wine/wine64
fi
[[ -x $wine ]] || { echo "no 64-bit Wine loader found (set WINE64)" >&2; exit 2; }
wineserver=$(dirname "$(readlink -f "$wine")")/wineserver
[[ -x $wineserver ]] || wineserver=wineserver

export WINEPREFIX=$prefix
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

dll=$build_dir/LumigrabTestCamera.dll
exe=$build_dir/testcamera_smoke.exe
[[ -f $dll && -f $exe ]] || { echo "missing $dll or $exe" >&2; exit 2; }
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# A server left from an earlier run may hold another (or no) display.
"$wineserver" -k >/dev/null 2>&1 || true

if [[ ! -f $prefix/system.reg ]]; then
  echo "creating Wine prefix $prefix"
  "$wine" wineboot -i >/dev/null 2>&1
fi

echo "registering $(basename "$dll")"
"$wine" regsvr32 /s "$(windows_path "$dll")"

# The instances the smoke test looks for (by Pattern): see tests/devices.h.
register="$here/../register-instance.sh"
"$register" "$wine" LumigrabTC-A "Lumigrab Twin" "320x240x24@333333;320x240x16@333333;64x48x32@333333" 11 0
"$register" "$wine" LumigrabTC-B "Lumigrab Twin" "160x120x24@666666" 22 0
"$register" "$wine" LumigrabTC-C - "162x122x24@400000" 33 0
"$register" "$wine" LumigrabTC-D "Lumigrab StandIn" - 44 1

status=0
if [[ -n ${DISPLAY:-} ]]; then
  "$wine" "$(windows_path "$exe")" || status=$?
else
  echo "no display and no xvfb-run: window cases are skipped"
  "$wine" "$(windows_path "$exe")" --no-display || status=$?
fi

# Unregistering removes the classes and the default instance, not the instances added above.
"$wine" regsvr32 /u /s "$(windows_path "$dll")"
category='HKCR\CLSID\{860BB310-5D01-11D0-BD3B-00A0C911CE86}\Instance'
for key in 'HKCR\CLSID\{403AC669-1A1A-47FE-9539-43D0BF26BC87}' \
           'HKCR\CLSID\{6A75A6E4-8756-4FE4-A62F-E78B498DCF11}' \
           "$category\\{403AC669-1A1A-47FE-9539-43D0BF26BC87}"; do
  if "$wine" reg query "$key" >/dev/null 2>&1; then
    echo "FAILED: $key still present after unregistering"
    status=1
  fi
done
if ! "$wine" reg query "$category\\LumigrabTC-A" >/dev/null 2>&1; then
  echo "FAILED: unregistering removed an instance it did not create"
  status=1
fi
# Leave the prefix as a host developer would find it: camera registered.
"$wine" regsvr32 /s "$(windows_path "$dll")"
"$wineserver" -w || true

if [[ $status -eq 0 ]]; then echo "smoke: PASSED"; else echo "smoke: FAILED ($status)"; fi
exit "$status"
