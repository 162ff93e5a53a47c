#!/usr/bin/env bash
# kv3 site apply against 1, 16 and 64 units (or the counts given), each played by one kv3sim
# on a LAN of network namespaces, every unit on its own address in 198.18.0.0/16. First the
# settings alone (a new name for every unit, sent side by side and proved by one search), then
# a firmware in waves of 16. Prints, per count, the wall time of the whole command (search,
# plan, sending, proof) and its ratio against one unit's: the aim for the settings is at most
# 1.1. Needs root (namespaces).
# Usage: bench/site_bench.sh KV3 KV3SIM [UNITS...] [--bytes BYTES]   (UNITS default: 1 16 64)
set -euo pipefail
kv3=$(realpath "$1") sim=$(realpath "$2")
shift 2
counts=() bytes=65536
while [ $# -gt 0 ]; do
  case "$1" in
    --bytes) bytes=$2; shift 2 ;;
    *) counts+=("$1"); shift ;;
  esac
done
[ ${#counts[@]} -gt 0 ] || counts=(1 16 64)
total=0
for units in "${counts[@]}"; do total=$((total + units)); done
[ "$total" -le 1000 ] || { echo "at most 1000 units in all" >&2; exit 2; }

root=$(cd "$(dirname "$0")/.." && pwd)
lan=$("$root/scripts/netns-lan" name sitebench)
work=$(mktemp -d)
exec {lock}>"/run/kv3lan/$lan.lock"
flock -n "$lock"
trap '"$root/scripts/netns-lan" down "$lan"; rm -rf "$work"' EXIT

mac_of() { printf '00:1A:2B:3E:%02X:%02X' $(($1 / 256)) $(($1 % 256)); }
ip_of() { echo "198.18.$(($1 / 250 + 1)).$(($1 % 250 + 1))"; }

# Every count gets units of its own, so that each firmware run starts from the same version.
args=()
for i in $(seq "$total"); do
  args+=(--hosted-unit "mac=$(mac_of "$i"),ip=$(ip_of "$i"),mask=255.255.0.0,name=Unit$i")
done
"$root/scripts/netns-lan" up "$lan" --sim "$sim" --sim-option "--store=$work/store" \
  --sim-option --restart-ms=200 "${args[@]}"
head -c "$bytes" /dev/urandom >"$work/kv3.bin"

# kv3 site apply of a file with the units first..first+count-1; sets wall (ms).
apply() {  # first count columns cell...
  local first=$1 units=$2 head=$3 i start end
  shift 3
  {
    echo "mac,$head"
    for i in $(seq "$first" $((first + units - 1))); do
      local row="$(mac_of "$i")"
      for cell in "$@"; do row+=",${cell//@/$i}"; done
      echo "$row"
    done
  } >"$work/site.csv"
  start=$(date +%s%N)
  "$root/scripts/netns-lan" exec "$lan" pc "$kv3" --quiet --no-journal site apply \
    "$work/site.csv" --yes $extra >"$work/summary" 2>"$work/errors" ||
    { cat "$work/summary" "$work/errors" >&2; exit 1; }
  end=$(date +%s%N)
  grep -q "failed\|not started" "$work/summary" && { cat "$work/summary" >&2; exit 1; }
  wall=$(((end - start) / 1000000))
}

table() {  # title
  local first=1 one=0
  printf '%s\n%6s %10s %7s\n' "$1" units wall_ms ratio
  for units in "${counts[@]}"; do
    step "$first" "$units"
    [ "$one" -gt 0 ] || one=$wall
    printf '%6d %10d %7.3f\n' "$units" "$wall" "$(awk -v a="$wall" -v o="$one" 'BEGIN { print a / o }')"
    first=$((first + units))
  done
}

extra=""
step() { apply "$1" "$2" name "Site@"; }
table "settings (a new name each), side by side"
extra="--wave 16"
step() { apply "$1" "$2" "firmware,firmwareVersion" kv3.bin V1.1; }
table "firmware of $bytes bytes in waves of 16, with the wait for the restart"
