#!/usr/bin/env bash
# Adds (or removes) one Lumigrab test camera instance in the video input device category of a
# Wine prefix (or, with a Windows "reg" on PATH and LOADER set to "", of the current machine).
#
#   register-instance.sh LOADER SUBKEY NAME CAPABILITIES PATTERN STANDIN
#   register-instance.sh LOADER SUBKEY --delete
#
# LOADER        command that runs Windows programs, e.g. "wine64" (WINEPREFIX taken from the
#               environment); "" to call reg directly.
# SUBKEY        name of the instance key (devices are listed in subkey order).
# NAME          FriendlyName, or "-" to register the instance without one.
# CAPABILITIES  "WxHxBITS@INTERVAL;..." (see README.md), or "-" for the camera's defaults.
# PATTERN       integer seed of the picture (decimal).
# STANDIN       1 to put a stand-in "Video Renderer" into graphs the camera joins, else 0.
#
# The camera DLL must be registered (regsvr32) for the instance to bind.
set -euo pipefail

readonly CATEGORY='{860BB310-5D01-11D0-BD3B-00A0C911CE86}'
readonly CAMERA_CLSID='{403AC669-1A1A-47FE-9539-43D0BF26BC87}'

usage() {
  sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

[[ $# -ge 3 ]] || usage
loader=$1
subkey=$2
[[ -n $subkey && $subkey != *\\* ]] || { echo "subkey must be a single, non-empty key name" >&2; exit 2; }
key="HKCR\\CLSID\\${CATEGORY}\\Instance\\${subkey}"

reg_cmd() {
  if [[ -n $loader ]]; then
    # shellcheck disable=SC2086  # the loader may be a command with arguments
    $loader reg "$@"
  else
    reg "$@"
  fi
}

if [[ $3 == --delete ]]; then
  [[ $# -eq 3 ]] || usage
  # A missing key is not an error: deleting is how tests reset to a known state.
  reg_cmd delete "$key" /f >/dev/null 2>&1 || true
  exit 0
fi

[[ $# -eq 6 ]] || usage
name=$3
capabilities=$4
pattern=$5
standin=$6
[[ $pattern =~ ^[0-9]+$ ]] || { echo "PATTERN must be a decimal integer" >&2; exit 2; }
[[ $standin == 0 || $standin == 1 ]] || { echo "STANDIN must be 0 or 1" >&2; exit 2; }

# Start from an empty key so that values of an earlier registration under the same subkey
# (a FriendlyName that should now be absent, say) do not linger.
reg_cmd delete "$key" /f >/dev/null 2>&1 || true
reg_cmd add "$key" /v CLSID /t REG_SZ /d "$CAMERA_CLSID" /f >/dev/null
if [[ $name != - ]]; then
  reg_cmd add "$key" /v FriendlyName /t REG_SZ /d "$name" /f >/dev/null
fi
if [[ $capabilities != - ]]; then
  reg_cmd add "$key" /v Capabilities /t REG_SZ /d "$capabilities" /f >/dev/null
fi
reg_cmd add "$key" /v Pattern /t REG_DWORD /d "$pattern" /f >/dev/null
reg_cmd add "$key" /v StandInRenderer /t REG_DWORD /d "$standin" /f >/dev/null
