#!/usr/bin/env bash
# prepare-camera-prefix.sh PREFIX win32|win64 CAMERA_DLL INSTANCES_FILE
#
# Makes the Wine prefix that end-to-end tests run in: a private prefix of the build tree, apart
# from the plain one whose tests expect no capture device, with the test camera registered and
# exactly the instances INSTANCES_FILE lists (ROLE|SUBKEY|NAME|CAPABILITIES|PATTERN|STANDIN).
# Creating the prefix takes minutes, so it is made once; the registration is redone only when
# the camera's path or the instance list changed. Exits 77 (CTest: skipped) where this machine
# cannot run programs of the architecture.
set -euo pipefail

[[ $# -eq 4 ]] || { sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
prefix=$1 arch=$2 camera_dll=$3 instances=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
top=$(cd "$here/../.." && pwd)
launcher=$top/cmake/run-under-wine.sh
register=$top/testcamera/register-instance.sh

if [[ $arch == win64 ]]; then loader=/usr/lib/wine/wine64; else loader=/usr/lib/wine/wine; fi
export WINEPREFIX=$prefix WINEARCH=$arch WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# Wine's desktop keeps the display of the session it was started in: a server left from an
# earlier run would show windows on an X server that is gone. The tests that follow start a new
# one on this run's display.
if [[ -d $prefix ]]; then
  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
fi

# Creates the prefix once, or answers 77 when the loader cannot run here.
status=0
"$launcher" "$prefix" "$arch" --prepare || status=$?
[[ $status -eq 0 ]] || exit "$status"

marker=$prefix/.lumigrab-camera
wanted=$(printf '%s\n' "$camera_dll"; grep -v '^#' "$instances")
if [[ -f $marker && $(cat "$marker") == "$wanted" ]]; then
  echo "camera prefix ready: $prefix"
  exit 0
fi
rm -f "$marker"

# Start from an empty category, so instances of an older list do not linger.
category='HKCR\CLSID\{860BB310-5D01-11D0-BD3B-00A0C911CE86}\Instance'
"$loader" reg delete "$category" /f >/dev/null 2>&1 || true
"$loader" regsvr32 /s "Z:${camera_dll//\//\\}"

while IFS='|' read -r role subkey name capabilities pattern standin; do
  [[ -z $role || $role == \#* ]] && continue
  "$register" "$loader" "$subkey" "$name" "$capabilities" "$pattern" "$standin"
done < "$instances"

/usr/lib/wine/wineserver -w
printf '%s\n' "$wanted" > "$marker"
echo "camera prefix prepared: $prefix"
