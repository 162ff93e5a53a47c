#!/usr/bin/env bash
# The fleet update of kv3 against one unit. The largest count of units is played by one kv3sim
# on a LAN of network namespaces, each unit on its own address in 198.18.0.0/16; every run
# gives the same firmware (default 1 MiB) first to one unit alone, then to each count of units
# side by side. Prints, per count, the wall time, its ratio against one unit (the aim is at most
# 1.05), kv3's peak memory and CPU time, and how many units stored the file unchanged. Needs
# root (namespaces) and GNU time.
# Usage: bench/fleet_bench.sh KV3 KV3SIM [UNITS...] [--bytes BYTES]   (UNITS default: 1 8 64 256)
set -euo pipefail
kv3=$(realpath "$1") sim=$(realpath "$2")
shift 2
counts=() bytes=1048576
while [ $# -gt 0 ]; do
  case "$1" in
    --bytes) bytes=$2; shift 2 ;;
    *) counts+=("$1"); shift ;;
  esac
done
[ ${#counts[@]} -gt 0 ] || counts=(1 8 64 256)
most=$(printf '%s\n' "${counts[@]}" | sort -n | tail -n 1)
[ "$most" -le 1000 ] || { echo "at most 1000 units" >&2; exit 2; }

root=$(cd "$(dirname "$0")/.." && pwd)
lan=$("$root/scripts/netns-lan" name bench)
work=$(mktemp -d)
exec {lock}>"/run/kv3lan/$lan.lock"
flock -n "$lock"
trap '"$root/scripts/netns-lan" down "$lan"; rm -rf "$work"' EXIT

mac_of() { printf '00:1A:2B:3D:%02X:%02X' $(($1 / 256)) $(($1 % 256)); }
ip_of() { echo "198.18.$(($1 / 250 + 1)).$(($1 % 250 + 1))"; }

args=()
for i in $(seq "$most"); do
  args+=(--hosted-unit "mac=$(mac_of "$i"),ip=$(ip_of "$i"),mask=255.255.0.0")
done
"$root/scripts/netns-lan" up "$lan" --sim "$sim" --sim-option "--store=$work/store" \
  --sim-option --restart-ms=200 "${args[@]}"
head -c "$bytes" /dev/urandom >"$work/firmware.bin"

# One kv3 run to the first $1 units; sets wall (ms), memory (KiB), cpu (s) and same (units
# whose stored file is the firmware).
run() {
  local units=$1 macs=() i start end
  for i in $(seq "$units"); do macs+=("$(mac_of "$i")"); done
  rm -rf "$work/store"
  start=$(date +%s%N)
  "$root/scripts/netns-lan" exec "$lan" pc /usr/bin/time -o "$work/time" -f '%M %U %S' \
    "$kv3" --quiet update firmware "${macs[@]}" "$work/firmware.bin" >"$work/summary" ||
    { cat "$work/summary" >&2; exit 1; }
  end=$(date +%s%N)
  wall=$(((end - start) / 1000000))
  read -r memory user system <"$work/time"
  cpu=$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.2f", u + s }')
  same=0
  for i in $(seq "$units"); do
    cmp -s "$work/firmware.bin" "$work/store/$(ip_of "$i")/firmware.bin" && same=$((same + 1))
  done
}

run 1
one=$wall
printf 'fleet update, %d bytes of firmware; one unit alone: %d ms\n' "$bytes" "$one"
printf '%6s %10s %7s %12s %8s %8s\n' units wall_ms ratio peak_KiB cpu_s stored
for units in "${counts[@]}"; do
  run "$units"
  printf '%6d %10d %7.3f %12d %8s %5d/%d\n' "$units" "$wall" \
    "$(awk -v a="$wall" -v o="$one" 'BEGIN { print a / o }')" "$memory" "$cpu" "$same" "$units"
done
