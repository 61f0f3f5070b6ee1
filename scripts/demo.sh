#!/usr/bin/env bash
# The first five minutes with Lumigrab, without hardware: registers the test camera in a private
# Wine prefix, lists the devices and one device's frame sizes with lumigrab-cli, grabs a frame and
# saves it as out/frame.bmp and out/frame.png. Expects scripts/build.sh to have filled dist/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

# Wine fixes the display for a prefix's whole session: run everything under one X server.
if [ -z "${DISPLAY:-}" ] && [ -z "${LUMIGRAB_DEMO_UNDER_XVFB:-}" ]; then
  export LUMIGRAB_DEMO_UNDER_XVFB=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

dist=$top/dist/x64
cli=$dist/lumigrab-cli.exe
camera=$dist/testcamera/LumigrabTestCamera.dll
[ -f "$cli" ] && [ -f "$camera" ] || { echo "run scripts/build.sh first" >&2; exit 1; }

export WINEPREFIX=$top/build/demo-prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
winpath() { printf 'Z:%s' "${1//\//\\}"; }
run() { "$wine" "$@" 2> >(grep -v '^ALSA lib' >&2); }

/usr/lib/wine/wineserver -k 2>/dev/null || true
if [ ! -f "$WINEPREFIX/.lumigrab-ready" ]; then
  echo "Creating a private Wine prefix in build/demo-prefix (once; takes a few minutes)..."
  "$wine" wineboot --init >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
  touch "$WINEPREFIX/.lumigrab-ready"
fi

run regsvr32 /s "$(winpath "$camera")"
# Wine has no renderer offering DirectDraw control, which a start insists on; this instance of the
# test camera brings a stand-in "Video Renderer" into the graph so the picture can run here.
testcamera/register-instance.sh "$wine" "Lumigrab Demo Camera" "Lumigrab Demo Camera" \
  "640x480x24@333333;320x240x24@333333;160x120x12@666666" 7 1

echo
echo "$ lumigrab-cli devices"
devices=$(run "$cli" devices | tr -d '\r')
echo "$devices"
index=$(printf '%s\n' "$devices" | sed -n 's/^\([0-9][0-9]*\): Lumigrab Demo Camera$/\1/p' | head -n 1)
[ -n "$index" ] || { echo "the demo camera is not listed" >&2; exit 1; }

echo
echo "$ lumigrab-cli formats $index"
run "$cli" formats "$index" | tr -d '\r'

mkdir -p out
echo
echo "$ lumigrab-cli grab $index 640x480 out/frame.bmp"
run "$cli" grab "$index" 640x480 "$(winpath "$top/out/frame.bmp")" | tr -d '\r'
bmptopnm "$top/out/frame.bmp" 2>/dev/null | pnmtopng > "$top/out/frame.png"
/usr/lib/wine/wineserver -k 2>/dev/null || true

echo
echo "A frame of the test camera: $top/out/frame.bmp"
echo "The same as PNG:            $top/out/frame.png"
