#!/usr/bin/env bash
# cli_test.sh PREFIX win32|win64 CLI_EXE CHECK_EXE INSTANCES_FILE OUTPUT_DIR
#
# Runs lumigrab-cli in the camera prefix the way a user would, through every command and every
# refusal, and checks its output, its exit code and the BMP files it writes (with CHECK_EXE,
# which compares them with the camera picture). Exits 77 where the Wine loader cannot run.
set -uo pipefail

[[ $# -eq 6 ]] || { sed -n '2,7p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
prefix=$1 arch=$2 cli=$3 checker=$4 instances=$5 output=$6
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
launcher=$here/../../cmake/run-under-wine.sh

failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# Windows path of a file that may not exist yet (the launcher converts only existing ones).
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# run PROGRAM ARGS...: sets $status, $out and $err. A program that hangs (status 124) fails its
# check at once instead of holding the whole run until CTest's timeout.
run() {
  out=$(timeout 120 "$launcher" "$prefix" "$arch" "$@" 2>"$output/stderr.txt")
  status=$?
  err=$(<"$output/stderr.txt")
  [[ $status -ne 124 ]] || err="hung, stopped after 120 s; $err"
}

# The camera instances a device list shows (named ones, in subkey order), by role.
declare -A index_of seed_of capabilities_of
names=()
while IFS='|' read -r role subkey name capabilities pattern standin; do
  [[ -z $role || $role == \#* || $name == - ]] && continue
  index_of[$role]=${#names[@]}
  seed_of[$role]=$pattern
  names+=("$name")
  capabilities_of[$role]=$capabilities
done < "$instances"

rm -rf "$output"
mkdir -p "$output"

run "$cli" devices
if [[ $status -eq 77 ]]; then
  echo "skipped: $err"
  exit 77
fi

# --- devices and formats, both configurations ------------------------------------------------
for config in preview recording; do
  run "$cli" --config "$config" devices
  expected=$(for i in "${!names[@]}"; do echo "$i: ${names[$i]}"; done)
  [[ $status -eq 0 ]] || fail "$config devices: exit $status ($err)"
  [[ ${out//$'\r'/} == "$expected" ]] || fail "$config devices listed:"$'\n'"$out"$'\n'"expected:"$'\n'"$expected"

  for role in standin twin-a; do
    expected=$(
      k=0
      IFS=';' read -ra entries <<<"${capabilities_of[$role]}"
      for entry in "${entries[@]}"; do
        IFS='x@' read -r w h bits _ <<<"$entry"
        # Preview lists only formats of more than 12 bits per pixel.
        [[ $config == preview && $bits -le 12 ]] && continue
        echo "$k: ${w}x${h} $bits-bit"
        k=$((k + 1))
      done)
    run "$cli" --config "$config" formats "${index_of[$role]}"
    [[ $status -eq 0 ]] || fail "$config formats $role: exit $status ($err)"
    [[ ${out//$'\r'/} == "$expected" ]] || fail "$config formats $role:"$'\n'"$out"$'\n'"expected:"$'\n'"$expected"
  done
done

# --- pictures from the stand-in camera (preview: Wine cannot make the recording's AVI output) --
standin=${index_of[standin]}
check_bmp() {  # FILE WIDTH HEIGHT: prints the frame number, or fails
  local frame
  if ! frame=$("$launcher" "$prefix" "$arch" "$checker" "$1" "$2" "$3" "${seed_of[standin]}" 2>&1); then
    fail "$(basename "$1"): $frame"
    return 1
  fi
  printf '%s' "${frame//$'\r'/}"
}

run "$cli" grab "$standin" 640x480 "$(winpath "$output/one.bmp")"
[[ $status -eq 0 ]] || fail "grab: exit $status ($err)"
if [[ -f $output/one.bmp ]]; then
  [[ $(stat -c %s "$output/one.bmp") -eq 921654 ]] || fail "grab: one.bmp is not 921654 bytes"
  [[ $(od -An -c -N2 "$output/one.bmp" | tr -d ' ') == BM ]] || fail "grab: one.bmp does not start with BM"
  check_bmp "$output/one.bmp" 640 480 >/dev/null
else
  fail "grab wrote no one.bmp"
fi

run "$cli" grab "$standin" 640x480 "$(winpath "$output/two.bmp")" --count 2 --interval 300
[[ $status -eq 0 ]] || fail "grab --count 2: exit $status ($err)"
if [[ -f $output/two-1.bmp && -f $output/two-2.bmp ]]; then
  first=$(check_bmp "$output/two-1.bmp" 640 480)
  second=$(check_bmp "$output/two-2.bmp" 640 480)
  cmp -s "$output/two-1.bmp" "$output/two-2.bmp" && fail "grab --count 2 wrote the same frame twice"
  [[ -n $first && -n $second && $second -gt $first ]] ||
    fail "grab --count 2: frame numbers '$first' then '$second' do not advance"
else
  fail "grab --count 2 did not write two-1.bmp and two-2.bmp"
fi

run "$cli" freeze "$standin" 640x480 "$(winpath "$output/frozen.bmp")" --wait 500
[[ $status -eq 0 ]] || fail "freeze: exit $status ($err)"
[[ -f $output/frozen.bmp ]] && check_bmp "$output/frozen.bmp" 640 480 >/dev/null

run "$cli" settings "$standin" 640x480 --close-after 1000
[[ $status -eq 0 ]] || fail "settings: exit $status ($err)"

# --- refusals: each kind has its own exit code, and a refused grab writes nothing -------------
missing_dll=$(winpath "$output/missing/Lumigrab.dll")
while IFS='|' read -r code what arguments; do
  [[ -z $code ]] && continue
  read -ra words <<<"$arguments"
  rm -f "$output/refused.bmp"
  run "$cli" "${words[@]}"
  [[ $status -eq $code ]] || fail "$what: exit $status, expected $code ($err)"
  [[ -e $output/refused.bmp ]] && fail "$what: a refused command wrote a file"
done <<EOF
1|no command|
1|unknown command|snapshot 0
1|formats without a device|formats
1|size that is not WxH|grab $standin 640by480 $(winpath "$output/refused.bmp")
1|unknown configuration|--config nightly devices
1|unknown option|devices --fast
2|DLL not found|--dll $missing_dll devices
3|formats of a device past the list|formats ${#names[@]}
3|grab from a negative device|grab -1 640x480 $(winpath "$output/refused.bmp")
4|size the camera does not offer|grab $standin 1234x567 $(winpath "$output/refused.bmp")
4|size offered by another camera only|grab ${index_of[twin-b]} 640x480 $(winpath "$output/refused.bmp")
5|camera without the stand-in renderer|grab ${index_of[twin-a]} 320x240 $(winpath "$output/refused.bmp")
5|depth tried first cannot reach the grabber|grab $standin 320x240 $(winpath "$output/refused.bmp")
5|recording configuration under Wine|--config recording grab $standin 640x480 $(winpath "$output/refused.bmp")
5|recording freeze|--config recording freeze $standin 640x480 $(winpath "$output/refused.bmp")
5|recording settings|--config recording settings $standin 640x480 --close-after 500
EOF

if [[ $failures -eq 0 ]]; then echo "lumigrab-cli: all checks passed"; exit 0; fi
echo "lumigrab-cli: $failures check(s) failed"
exit 1
